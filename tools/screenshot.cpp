// screenshot: saves the whole X screen as a PNG, so a headless run of the client can be looked at afterwards.

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "Usage: screenshot FILE.png\n";
        return 2;
    }
    QScreen *screen = QGuiApplication::primaryScreen();
    const QPixmap picture = screen ? screen->grabWindow(0) : QPixmap();
    if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        QTextStream(stderr) << "screenshot: could not grab the screen into " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
