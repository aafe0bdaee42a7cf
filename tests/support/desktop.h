#pragma once

#include "childprocess.h"

#include <QString>
#include <QStringList>

// A program of a real desktop on the test's X server, ended by its PID with the object: a window manager or a tray
// host. It serves once it owns the X selection that says so.
class DesktopProgram : public ChildProcess
{
public:
    // Asks it to end, as a desktop's session does, so that it takes down what it announced on the root window
    // (a window manager's _NET_SUPPORTED); killed, it would leave later clients believing in a window manager.
    ~DesktopProgram();

    // Starts it and waits (bounded) until it serves. False, with the reason in whyNot, when it does not.
    bool start();

    QString whyNot;

protected:
    DesktopProgram(const QString &program, const QStringList &arguments, const char *selection);

private:
    QString m_program;
    QStringList m_arguments;
    const char *m_selection;
};

// openbox, without a session manager, with its default key bindings (Alt+F4 closes a window), or with the
// configuration file given.
class WindowManager : public DesktopProgram
{
public:
    explicit WindowManager(const QString &configuration = QString());
};

// trayer, an XEmbed tray host in a small panel at the bottom of the screen.
class TrayHost : public DesktopProgram
{
public:
    TrayHost();
};

// Runs xdotool with arguments (real input through the X server's test extension) and tells whether it succeeded.
bool xdotool(const QStringList &arguments);
