#include "pagetools.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QTest>
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
  window.channel = channel;
  window.bridge = channel.objects.VueDialog;
  window.bridge.sendOrderShow.connect(function (flag) { window.received.push("sendOrderShow:" + flag); });
  window.bridge.closeOrder.connect(function () { window.received.push("closeOrder"); });
  window.bridge.fpsChanged.connect(function () { window.received.push("fpsChanged"); });
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

QVariant callFromPage(QWebEnginePage *page, const QString &slot, const QVariantList &arguments, int timeoutMs)
{
    static int calls = 0;
    const QString id = QString::number(++calls);
    const QString args = QString::fromUtf8(QJsonDocument(QJsonArray::fromVariantList(arguments)).toJson());
    evaluate(page,
        QStringLiteral("window.results = window.results || {};"
                       "window.bridge[%1].apply(window.bridge, %2.concat([function (value) {"
                       "  window.results[%3] = {value: value}; }]));")
            .arg(QString::fromUtf8(QJsonDocument(QJsonArray{slot}).toJson(QJsonDocument::Compact)).mid(1).chopped(1),
                args, id));
    if (!waitForTrue(page, QStringLiteral("%1 in window.results").arg(id), timeoutMs))
        return QVariant();
    return evaluate(page, QStringLiteral("window.results[%1].value").arg(id));
}

QWebEngineView *webViewOf(QWidget *window)
{
    (void)QTest::qWaitFor([window] { return window->findChild<QWebEngineView *>() != nullptr; }, 30000);
    return window->findChild<QWebEngineView *>();
}
