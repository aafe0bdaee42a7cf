#pragma once

#include <QString>
#include <QVariant>

class QWebEnginePage;
class QWebEngineView;
class QWidget;

// A page that connects to the web channel and keeps it in window.channel, the published "VueDialog" in window.bridge; window.bridgeReady
// turns true once the channel is up, and window.received lists the window's signals as they arrive
// ("sendOrderShow:false", "fpsChanged", ...). Calls made through it travel the real channel.
QString bridgePageHtml();

// Runs script in the page and waits (events keep flowing) for its result; an invalid QVariant after timeoutMs.
QVariant evaluate(QWebEnginePage *page, const QString &script, int timeoutMs = 10000);

// Waits until script evaluates to true in the page, or timeoutMs has passed.
bool waitForTrue(QWebEnginePage *page, const QString &script, int timeoutMs = 20000);

// Calls a slot of the page's window.bridge with arguments, the way the page does (asynchronously, with a callback
// for the result), and waits for the result. An invalid QVariant when none came within timeoutMs.
QVariant callFromPage(
    QWebEnginePage *page, const QString &slot, const QVariantList &arguments = {}, int timeoutMs = 20000);

// The browser view inside a window, once the window has made it (it does so after its first paint); waits for it
// with events flowing, and gives none after 30 s.
QWebEngineView *webViewOf(QWidget *window);
