#pragma once

#include "childprocess.h"

#include <QLocalSocket>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTemporaryDir>

#include <optional>

// A real Wayland desktop without a screen: sway on its headless backend, with wayvnc beside it, whose one virtual
// pointer a small RFB client drives (a virtual pointer made per call would leave the seat without its pointer between
// calls). sway refuses to run as root, so both run as the unprivileged account "nobody", in a runtime folder of
// their own; both are ended by their PIDs with the object.
class SwaySession
{
public:
    // Starts both and connects to wayvnc. False, with the reason in whyNot, when that cannot be done here.
    bool start();
    QString whyNot;

    // Where a client connects (the value of WAYLAND_DISPLAY).
    QString waylandDisplay() const;
    // The rectangle sway gives the window of this application id, as its IPC tree reports it.
    std::optional<QRect> windowRect(const QString &appId) const;
    // Puts the pointer at a point of the screen, with the left button held or not.
    bool pointer(const QPoint &at, bool leftButtonHeld);

private:
    bool startAsNobody(ChildProcess &child, const QString &program, const QStringList &arguments);
    bool connectPointer();

    QTemporaryDir m_runtime;
    ChildProcess m_sway;
    ChildProcess m_vnc;
    QLocalSocket m_rfb;
};
