#include "platform/processes.h"

#include "platform/killwait.h"
#include "platform/win/endingprocesses.h"

#include <QProcess>

#include <windows.h>

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
    const EndingProcesses ending(imageName.toStdWString());
    taskkill({QStringLiteral("/im"), imageName});
    ending.waitForEnd(kKillWaitMs);
}

void killOtherProcessesByImageName(const QString &imageName)
{
    const EndingProcesses ending(imageName.toStdWString(), GetCurrentProcessId());
    taskkill({QStringLiteral("/im"), imageName, QStringLiteral("/fi"),
        QStringLiteral("PID ne %1").arg(GetCurrentProcessId())});
    ending.waitForEnd(kKillWaitMs);
}

void killLeftoverBrowserEngineProcesses()
{
    killLeftoverProcesses(browserEngineImageName().toStdWString());
}

void killBrowserEngineProcess(qint64 pid)
{
    terminateProcessNamed(DWORD(pid), browserEngineImageName().toStdWString());
}

QString listProcessesByImageName(const QString &imageName)
{
    QProcess tasklist;
    tasklist.start(QStringLiteral("tasklist"),
        {QStringLiteral("-fi"), QStringLiteral("imagename eq %1").arg(imageName)}, QIODevice::ReadWrite);
    tasklist.waitForFinished(30000);
    return QString::fromLocal8Bit(tasklist.readAllStandardOutput());
}
