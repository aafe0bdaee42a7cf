#include "desktop.h"

#include "xwindows.h"

#include <QStandardPaths>
#include <QTest>

DesktopProgram::DesktopProgram(const QString &program, const QStringList &arguments, const char *selection)
    : m_program(program)
    , m_arguments(arguments)
    , m_selection(selection)
{ }

DesktopProgram::~DesktopProgram()
{
    if (process.state() != QProcess::NotRunning) {
        process.terminate();
        process.waitForFinished(5000);
    }
}

bool DesktopProgram::start()
{
    const QString path = QStandardPaths::findExecutable(m_program);
    if (path.isEmpty()) {
        whyNot = m_program + QStringLiteral(" is not installed");
        return false;
    }
    if (XWindows::selectionOwned(m_selection)) {
        whyNot = QStringLiteral("another program already owns %1").arg(QLatin1String(m_selection));
        return false;
    }
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(path, m_arguments);
    if (!process.waitForStarted(5000)) {
        whyNot = m_program + QStringLiteral(" did not start: ") + process.errorString();
        return false;
    }
    if (!QTest::qWaitFor([this] { return XWindows::selectionOwned(m_selection); }, 10000)) {
        whyNot = m_program + QStringLiteral(" did not take %1 within 10 s").arg(QLatin1String(m_selection));
        return false;
    }
    return true;
}

WindowManager::WindowManager(const QString &configuration)
    : DesktopProgram(QStringLiteral("openbox"),
        configuration.isEmpty()
            ? QStringList{QStringLiteral("--sm-disable")}
            : QStringList{QStringLiteral("--sm-disable"), QStringLiteral("--config-file"), configuration},
        "WM_S0")
{ }

TrayHost::TrayHost()
    : DesktopProgram(QStringLiteral("trayer"),
        {QStringLiteral("--edge"), QStringLiteral("bottom"), QStringLiteral("--widthtype"), QStringLiteral("pixel"),
            QStringLiteral("--width"), QStringLiteral("120"), QStringLiteral("--height"), QStringLiteral("32")},
        "_NET_SYSTEM_TRAY_S0")
{ }

bool xdotool(const QStringList &arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    return tool.waitForFinished(10000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}
