// The floor: the least a shell around the same page can be. A window with a browser view, a web channel with one
// object and one slot, nothing else. The benchmark compares the client with it.

#include <QApplication>
#include <QObject>
#include <QUrl>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineView>

class Bridge : public QObject
{
    Q_OBJECT

public slots:
    QString getClientVersion() { return QStringLiteral("1.0.4"); }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;

    QWebEngineView view;
    QWebChannel channel;
    Bridge bridge;
    // The same name as the client's object, so that one page serves both.
    channel.registerObject(QStringLiteral("VueDialog"), &bridge);
    view.page()->setWebChannel(&channel);
    view.resize(960, 570);
    view.load(QUrl(QString::fromLocal8Bit(argv[1])));
    view.show();
    return app.exec();
}

#include "floor.moc"
