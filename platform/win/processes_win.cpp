#include "platform/processes.h"

#include "platform/childprocess.h"
#include "platform/killwait.h"
#include "platform/win/endingprocesses.h"

#include <windows.h>

namespace {

// Run to its end, like QProcess::execute, which would hand it the client's inheritable handles.
void taskkill(const QStringList &filters)
{
    IsolatedProcess taskkill;
    taskkill.setProcessChannelMode(QProcess::ForwardedChannels);
    taskkill.start(QStringLiteral("taskkill"), filters + QStringList{QStringLiteral("/f")});
    taskkill.waitForFinished(-1);
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

bool killBrowserEngineProcess(qint64 pid)
{
    return terminateChildNamed(DWORD(pid), browserEngineImageName().toStdWString());
}

QString listProcessesByImageName(const QString &imageName)
{
    IsolatedProcess tasklist;
    tasklist.start(QStringLiteral("tasklist"),
        {QStringLiteral("-fi"), QStringLiteral("imagename eq %1").arg(imageName)}, QIODevice::ReadWrite);
    tasklist.waitForFinished(30000);
    return QString::fromLocal8Bit(tasklist.readAllStandardOutput());
}
