// The bare window: the least a Qt widgets client can do before its window is on screen. The application object and
// one frameless 960 x 570 window with a 30-pixel bar, shown at once. The benchmark holds the client's mapped window
// against it.

#include <QApplication>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::FramelessWindowHint);
    window.setFixedSize(960, 570);
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *bar = new QWidget;
    bar->setFixedHeight(30);
    bar->setStyleSheet(QStringLiteral("background-color:#1f2430"));
    layout->addWidget(bar);
    layout->addStretch();
    window.show();
    return app.exec();
}
