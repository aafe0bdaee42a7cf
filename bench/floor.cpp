// The floor: the least a shell around the same page can be. A window with a browser view and a web channel with one
// object, which answers one getter and launches the viewer the way any program would: a QProcess of this same
// engine-sized process, restarted when it writes its token. The benchmark compares the client with it.

#include <QApplication>
#include <QObject>
#include <QProcess>
#include <QUrl>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineView>

class Bridge : public QObject
{
    Q_OBJECT

signals:
    void sendOrderShow(bool flag);

public slots:
    QString getClientVersion() { return QStringLiteral("1.0.4"); }

    // The launch alone: no check for a running viewer and no confirmation with the service, which is what the
    // client adds on top of it.
    QString startGame(QString param)
    {
        m_param = param;
        QStringList words = QProcess::splitCommand(QStringLiteral("./nuvaview/nuvaview.exe ") + param);
        auto *viewer = new QProcess(this);
        connect(viewer, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this, [this, viewer] {
            emit sendOrderShow(true);
            viewer->deleteLater();
        });
        connect(viewer, &QProcess::readyRead, this, [this, viewer] {
            if (!viewer->readAllStandardOutput().endsWith("fpschanged"))
                return;
            viewer->kill();
            viewer->waitForFinished(2000);
            startGame(m_param);
        });
        const QString program = words.takeFirst();
        viewer->start(program, words);
        viewer->waitForStarted(5000);
        emit sendOrderShow(false);
        return QString();
    }

private:
    QString m_param;
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
