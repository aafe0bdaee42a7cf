#include "platform/processes.h"

#include <QProcess>

#include <windows.h>

#include <tlhelp32.h>

#include <set>

namespace {

void taskkill(const QStringList &filters)
{
    QProcess::execute(QStringLiteral("taskkill"), filters + QStringList{QStringLiteral("/f")});
}

} // namespace

QString browserEngineImageName()
{
    return QStringLiteral("QtWebEngineProcess.exe");
}

QString clientImageName()
{
    return QStringLiteral("nuvagame.exe");
}

void killProcessesByImageName(const QString &imageName)
{
    taskkill({QStringLiteral("/im"), imageName});
}

void killOtherProcessesByImageName(const QString &imageName)
{
    taskkill({QStringLiteral("/im"), imageName, QStringLiteral("/fi"),
        QStringLiteral("PID ne %1").arg(GetCurrentProcessId())});
}

// An engine process whose parent no longer exists was left by an earlier run. Only processes this user may
// terminate are opened.
void killLeftoverBrowserEngineProcesses()
{
    const QString imageName = browserEngineImageName();
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    std::set<DWORD> running;
    std::set<std::pair<DWORD, DWORD>> candidates; // (pid, parent pid)
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        running.insert(entry.th32ProcessID);
        if (QString::fromWCharArray(entry.szExeFile).compare(imageName, Qt::CaseInsensitive) == 0)
            candidates.insert({entry.th32ProcessID, entry.th32ParentProcessID});
    }
    CloseHandle(snapshot);

    for (const auto &[pid, parent] : candidates) {
        if (running.count(parent))
            continue;
        if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 2000);
            CloseHandle(process);
        }
    }
}

QString listProcessesByImageName(const QString &imageName)
{
    QProcess tasklist;
    tasklist.start(QStringLiteral("tasklist"),
        {QStringLiteral("-fi"), QStringLiteral("imagename eq %1").arg(imageName)}, QIODevice::ReadWrite);
    tasklist.waitForFinished(30000);
    return QString::fromLocal8Bit(tasklist.readAllStandardOutput());
}
