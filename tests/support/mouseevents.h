#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

// Mouse events as the window system delivers them, with global positions that follow the window and the buttons held
// during a move (which QTest's own moves leave out).
inline void sendMouse(
    QWidget *target, QEvent::Type type, const QPoint &local, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, local, target->mapToGlobal(local), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}
