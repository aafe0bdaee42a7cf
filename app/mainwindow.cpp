#include "app/mainwindow.h"

#include "window/vuedialog.h"

VueDialog *openMainWindow(PageHostFactory newPageHost)
{
    auto *window = new VueDialog();
    window->setPageHostFactory(newPageHost);
    window->setFixedSize(960, 570);
    // Replaces every other flag: no dialog type and no title-bar hints, the window draws its own title bar.
    window->setWindowFlags(Qt::FramelessWindowHint);
    window->setStyleSheet(QStringLiteral("QDialog{border:0px solid #000000;background-color:#000000}"));
    window->show();
    return window;
}
