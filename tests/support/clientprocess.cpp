#include "clientprocess.h"

#include "retry.h"
#include "xwindows.h"

#include <QDir>
#include <QPoint>
#include <QTest>

ClientHome::ClientHome()
{
    for (const QString &folder : {cacheHome(), dataHome(), tempFolder()})
        QDir().mkpath(folder);
}

QString ClientHome::instanceSocket() const
{
    return tempFolder() + QStringLiteral("/NUVAB_GAME_WINDOWS_CLIENT_0755");
}

QProcessEnvironment ClientHome::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), path());
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), cacheHome());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path() + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("TMPDIR"), tempFolder());
    environment.insert(QStringLiteral("QT_XCB_NO_XI2"), QStringLiteral("1"));
    return environment;
}

ClientProcess::ClientProcess(const ClientHome &home)
    : environment(home.environment())
{ }

bool ClientProcess::start(const QString &workingDirectory, const QStringList &arguments)
{
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    return process.waitForStarted(5000);
}

bool ClientProcess::endsWithZero(int timeoutMs)
{
    if (process.state() != QProcess::NotRunning && !process.waitForFinished(timeoutMs))
        return false;
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool ClientProcess::closeWindow(uint32_t window)
{
    actUntil([window] { XWindows::requestClose(window); }, [this] { return process.state() == QProcess::NotRunning; });
    return endsWithZero(0);
}

bool ClientProcess::clickUntilEnded(uint32_t window, const QPoint &at)
{
    actUntil([window, at] { XWindows::click(window, at.x(), at.y()); },
        [this] { return process.state() == QProcess::NotRunning; });
    return endsWithZero(0);
}

std::optional<uint32_t> ClientProcess::mappedWindow(int timeoutMs)
{
    std::optional<uint32_t> window;
    const auto found = [&window] { return (window = XWindows::findMapped(QStringLiteral("nuvagame"))).has_value(); };
    return QTest::qWaitFor(found, timeoutMs) ? window : std::nullopt;
}

QByteArray ClientProcess::log()
{
    m_log += process.readAllStandardError();
    return m_log;
}
