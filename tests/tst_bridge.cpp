// What the page sees of the client, called from a real page over the real web channel.

#include "app/mainwindow.h"
#include "bridge/frontendorigin.h"
#include "localhttpserver.h"
#include "pagetools.h"
#include "platform/machineaddress.h"
#include "testserviceaddress.h"
#include "window/vuedialog.h"
#include "workdir.h"

#include <QDesktopServices>
#include <QMetaMethod>
#include <QWebChannel>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>

namespace {

const QStringList kSchemes = {"http", "https", "file", "nuva", "javascript", "mailto"};

} // namespace

// Stands in for the desktop's URL handlers, so that nothing real is opened and every hand-over is seen.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};

class TestBridge : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void gettersAnswerOverTheChannel();
    void thePageSeesThePublishedSurfaceOnly();
    void linksOpenOnlyWebAddresses_data();
    void linksOpenOnlyWebAddresses();
    void aPageOfAnotherOriginGetsAnswersButNoActions();
    void originsCompareSchemeHostAndPort();

private:
    LocalHttpServer m_frontEnd;
    std::unique_ptr<TestWorkDir> m_workDir;
    std::unique_ptr<VueDialog> m_window;
    QWebEnginePage *m_page = nullptr;
    UrlRecorder m_desktop;
};

void TestBridge::initTestCase()
{
    for (const QString &scheme : kSchemes)
        QDesktopServices::setUrlHandler(scheme, &m_desktop, "open");

    m_frontEnd.serveHtml("/", bridgePageHtml().toStdString());
    QVERIFY(m_frontEnd.start());
    setTestServiceAddress(QStringLiteral("127.0.0.1"), m_frontEnd.port(), m_frontEnd.port());
    m_workDir = std::make_unique<TestWorkDir>();
    m_window.reset(openMainWindow(newPageHost));
    m_page = webViewOf(m_window.get())->page();
    QVERIFY(waitForTrue(m_page, QStringLiteral("window.bridgeReady === true")));
}

void TestBridge::cleanupTestCase()
{
    for (const QString &scheme : kSchemes)
        QDesktopServices::unsetUrlHandler(scheme);
}

void TestBridge::gettersAnswerOverTheChannel()
{
    QCOMPARE(callFromPage(m_page, "getClientVersion").toString(), QStringLiteral("1.0.4"));
    QCOMPARE(callFromPage(m_page, "getOsVersion").toString(), QStringLiteral("PC_OS_WINDOWS"));
    // Read once when the window was built; on this machine the same as asking again now.
    const QVariant address = callFromPage(m_page, "getComputerAddress");
    QVERIFY(address.isValid());
    QCOMPARE(address.toString(), readMachineAddress());
}

void TestBridge::thePageSeesThePublishedSurfaceOnly()
{
    // What the channel gives any object (QObject's own members), seen on a plain one beside it.
    QObject plain;
    m_page->webChannel()->registerObject(QStringLiteral("Plain"), &plain);
    m_page->triggerAction(QWebEnginePage::Reload);
    QVERIFY(waitForTrue(m_page, QStringLiteral("window.bridgeReady === true && !!window.channel.objects.Plain")));
    const auto keys = [this](const char *object) {
        // Each method also stands under its full signature ("startGame(QString)"); the names are enough here.
        const QString script =
            QStringLiteral("Object.keys(window.channel.objects.%1).filter(name => !name.includes('('))").arg(object);
        QStringList names = evaluate(m_page, script).toStringList();
        names.sort();
        return names;
    };
    const QStringList everyObject = keys("Plain");
    QStringList own = keys("VueDialog");
    for (const QString &name : everyObject)
        QVERIFY2(own.removeOne(name), qPrintable(name));
    QStringList published{"sendOrderShow", "closeOrder", "fpsChanged", "disconnectNode", "startGame", "nuvabRegister",
        "orderStatus", "getClientVersion", "getOsVersion", "getComputerAddress", "downloadClientVersion"};
    published.sort();
    QCOMPARE(own, published);
    m_page->webChannel()->deregisterObject(&plain);

    // In their declared order, with their types, and no property or base class of the window's.
    const QMetaObject *surface = m_page->webChannel()->registeredObjects().value(QStringLiteral("VueDialog"))->metaObject();
    QCOMPARE(surface->superClass(), &QObject::staticMetaObject);
    QCOMPARE(surface->propertyCount(), surface->propertyOffset());
    QStringList declared;
    for (int i = surface->methodOffset(); i < surface->methodCount(); ++i) {
        const QMetaMethod method = surface->method(i);
        if (method.access() == QMetaMethod::Public)
            declared << QString::fromLatin1(QByteArray(method.typeName()) + ' ' + method.methodSignature());
    }
    QCOMPARE(declared, (QStringList{"void sendOrderShow(bool)", "void closeOrder()", "void fpsChanged()",
                           "void disconnectNode()", "QString startGame(QString)", "void nuvabRegister(QString)",
                           "void orderStatus(QJsonObject)", "QString getClientVersion()", "QString getOsVersion()",
                           "QString getComputerAddress()", "void downloadClientVersion(QString)"}));
}

void TestBridge::linksOpenOnlyWebAddresses_data()
{
    QTest::addColumn<QString>("slot");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("opened"); // what the desktop receives; empty when nothing may open

    for (const QString slot : {"nuvabRegister", "downloadClientVersion"}) {
        const auto row = [&](const char *name, const QString &text, const QString &opened) {
            QTest::addRow("%s: %s", qPrintable(slot), name) << slot << text << opened;
        };
        row("http", "http://127.0.0.1/register?from=client", "http://127.0.0.1/register?from=client");
        row("https", "https://example.invalid/download/setup.exe", "https://example.invalid/download/setup.exe");
        row("tolerant parsing", "http://127.0.0.1/a b", "http://127.0.0.1/a%20b");
        row("file", "file:///etc/passwd", "");
        row("custom scheme", "nuva://launch?cmd=calc", "");
        row("javascript", "javascript:alert(1)", "");
        row("mailto", "mailto:someone@example.invalid", "");
        row("empty", "", "");
        row("no host", "http://", "");
        row("relative", "/download", "");
        row("malformed", "http://[::1", "");
    }
}

void TestBridge::linksOpenOnlyWebAddresses()
{
    QFETCH(QString, slot);
    QFETCH(QString, text);
    QFETCH(QString, opened);
    m_desktop.opened.clear();

    const QByteArray quoted = QByteArray("\"") + text.toUtf8() + "\"";
    if (slot == QLatin1String("nuvabRegister"))
        QTest::ignoreMessage(QtDebugMsg, "url= " + quoted);
    if (opened.isEmpty())
        QTest::ignoreMessage(QtDebugMsg, "refused to open " + quoted);

    callFromPage(m_page, slot, {text});
    // Page calls run in order: once this one has answered, the link call above has run to its end.
    QCOMPARE(callFromPage(m_page, "getClientVersion").toString(), QStringLiteral("1.0.4"));

    if (opened.isEmpty()) {
        QVERIFY(m_desktop.opened.isEmpty());
    } else {
        QCOMPARE(m_desktop.opened.size(), 1);
        QCOMPARE(m_desktop.opened.first().toString(QUrl::FullyEncoded), opened);
    }
}

void TestBridge::aPageOfAnotherOriginGetsAnswersButNoActions()
{
    // Another site, one port over: what a link in the front end might lead the view to.
    LocalHttpServer elsewhere;
    elsewhere.serveHtml("/", bridgePageHtml().toStdString());
    QVERIFY(elsewhere.start());
    m_page->load(elsewhere.url());
    QVERIFY(waitForTrue(
        m_page, QStringLiteral("window.bridgeReady === true && location.port == '%1'").arg(elsewhere.port())));
    m_desktop.opened.clear();

    const QByteArray where = " for \"" + elsewhere.url().toUtf8() + "\"";
    for (const char *slot : {"nuvabRegister", "downloadClientVersion", "startGame", "disconnectNode", "orderStatus"})
        QTest::ignoreMessage(QtDebugMsg, QByteArray("refused ") + slot + where);
    callFromPage(m_page, "nuvabRegister", {QStringLiteral("https://example.org/register")});
    callFromPage(m_page, "downloadClientVersion", {QStringLiteral("https://example.org/setup.exe")});
    QCOMPARE(callFromPage(m_page, "startGame", {QStringLiteral("launch order-1 x")}).toString(), QString());
    callFromPage(m_page, "disconnectNode");
    callFromPage(m_page, "orderStatus", {QVariantMap{{QStringLiteral("balance"), 5}}});

    // The getters still answer; nothing was opened, asked of the service or signalled.
    QCOMPARE(callFromPage(m_page, "getClientVersion").toString(), QStringLiteral("1.0.4"));
    QVERIFY(m_desktop.opened.isEmpty());
    QCOMPARE(m_frontEnd.count(QStringLiteral("/gpfe/api/order/confirm_connect?uuid=order-1")), 0);
    QCOMPARE(evaluate(m_page, QStringLiteral("window.received.length")).toInt(), 0);

    // Back on the front end, the same link opens.
    m_page->load(m_frontEnd.url());
    QVERIFY(waitForTrue(
        m_page, QStringLiteral("window.bridgeReady === true && location.port == '%1'").arg(m_frontEnd.port())));
    QTest::ignoreMessage(QtDebugMsg, "url= \"https://example.org/register\"");
    callFromPage(m_page, "nuvabRegister", {QStringLiteral("https://example.org/register")});
    QCOMPARE(callFromPage(m_page, "getClientVersion").toString(), QStringLiteral("1.0.4"));
    QCOMPARE(m_desktop.opened, QList<QUrl>{QUrl(QStringLiteral("https://example.org/register"))});
}

void TestBridge::originsCompareSchemeHostAndPort()
{
    const QUrl frontEnd(QStringLiteral("http://games.example/"));
    QVERIFY(isSameOrigin(QUrl(QStringLiteral("http://games.example/lobby?x=1#top")), frontEnd));
    QVERIFY(isSameOrigin(QUrl(QStringLiteral("http://GAMES.example:80/")), frontEnd));
    QVERIFY(!isSameOrigin(QUrl(QStringLiteral("https://games.example/")), frontEnd));
    QVERIFY(!isSameOrigin(QUrl(QStringLiteral("http://games.example:8081/")), frontEnd));
    QVERIFY(!isSameOrigin(QUrl(QStringLiteral("http://games.example.evil.test/")), frontEnd));
    QVERIFY(!isSameOrigin(QUrl(QStringLiteral("http://evil.test/games.example")), frontEnd));
    QVERIFY(!isSameOrigin(QUrl(QStringLiteral("file:///games.example/")), frontEnd));
    QVERIFY(!isSameOrigin(QUrl(QStringLiteral("about:blank")), frontEnd));
    QVERIFY(!isSameOrigin(QUrl(), frontEnd));
}

QTEST_MAIN(TestBridge)
#include "tst_bridge.moc"
