#include "app/mainwindow.h"

#include "window/vuedialog.h"

VueDialog *openMainWindow(PageHostFactory newPageHost)
{
    auto *window = new VueDialog();
    window->setPageHostFactory(newPageHost);
    window->setFixedSize(960, 570);
    // Replaces every other flag: no dialog type, and the window draws its own title bar. The minimise and system-menu
    // hints draw nothing on a frameless window; on Windows they give it WS_MINIMIZEBOX and WS_SYSMENU, without which
    // its task bar button neither minimises nor restores it, it has no system menu, and a minimise from outside is
    // never told to Qt, so that a later start's knock could not show it again.
    window->setWindowFlags(Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint | Qt::WindowSystemMenuHint);
    window->setStyleSheet(QStringLiteral("QDialog{border:0px solid #000000;background-color:#000000}"));
    window->show();
    return window;
}
