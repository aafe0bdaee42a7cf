#include "pagetools.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWidget>

#include <memory>

QString bridgePageHtml()
{
    return QStringLiteral(R"(<!DOCTYPE html><html><head><meta charset="utf-8"><title>bridge test</title></head><body>
<script src="qrc:///qtwebchannel/qwebchannel.js"></script>
<script>
window.bridgeReady = false;
window.received = [];
new QWebChannel(qt.webChannelTransport, function (channel) {
  window.bridge = channel.objects.VueDialog;
  window.bridgeReady = !!window.bridge;
});
</script></body></html>)");
}

QVariant evaluate(QWebEnginePage *page, const QString &script, int timeoutMs)
{
    auto result = std::make_shared<QVariant>();
    auto done = std::make_shared<bool>(false);
    QEventLoop loop;
    // The callback may come after we gave up and the loop is gone; QPointer turns that into a no-op.
    QPointer<QEventLoop> waiting(&loop);
    page->runJavaScript(script, [result, done, waiting](const QVariant &value) {
        *result = value;
        *done = true;
        if (waiting)
            waiting->quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!*done)
        loop.exec();
    return *done ? *result : QVariant();
}

bool waitForTrue(QWebEnginePage *page, const QString &script, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (evaluate(page, script, int(qMax<qint64>(1, deadline.remainingTime()))).toBool())
            return true;
        QEventLoop pause;
        QTimer::singleShot(50, &pause, &QEventLoop::quit);
        pause.exec();
    }
    return false;
}

QWebEngineView *webViewOf(QWidget *window)
{
    return window->findChild<QWebEngineView *>();
}
