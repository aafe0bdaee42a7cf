// The page comes back after its renderer process dies or hangs, with the real browser engine, a real page on a local
// HTTP server and real renderer processes, killed from outside as the kernel or a task manager would.

#include "app/mainwindow.h"
#include "localhttpserver.h"
#include "pagetools.h"
#include "testserviceaddress.h"
#include "engine/reloadbudget.h"
#include "window/vuedialog.h"
#include "workdir.h"

#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <csignal>
#include <memory>

namespace {

// The page answers the bridge and hears its signals.
bool pageReachesTheBridge(VueDialog *window)
{
    QWebEnginePage *page = webViewOf(window)->page();
    if (!waitForTrue(page, QStringLiteral("window.bridgeReady === true"), 30000))
        return false;
    if (callFromPage(page, QStringLiteral("getClientVersion")).toString() != QStringLiteral("1.0.4"))
        return false;
    emit window->fpsChanged();
    return waitForTrue(page, QStringLiteral("window.received.indexOf('fpsChanged') >= 0"));
}

} // namespace

class TestPageRecovery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void automaticReloadsAreAtMostThreeWithinAnyMinute();
    void aKilledRendererBringsThePageBackEveryTime();
    void aRendererThatDiesAtEveryLoadIsReloadedThreeTimesThenByF5();
    void f5RescuesAPageStuckInALoop();

private:
    LocalHttpServer m_frontEnd;
    std::unique_ptr<TestWorkDir> m_workDir;
};

void TestPageRecovery::initTestCase()
{
    qRegisterMetaType<QWebEnginePage::RenderProcessTerminationStatus>();
    m_frontEnd.serveHtml("/", bridgePageHtml().toStdString());
    QVERIFY(m_frontEnd.start());
    setTestServiceAddress(QStringLiteral("127.0.0.1"), m_frontEnd.port(), m_frontEnd.port());
    m_workDir = std::make_unique<TestWorkDir>();
}

void TestPageRecovery::automaticReloadsAreAtMostThreeWithinAnyMinute()
{
    ReloadBudget budget;
    QVERIFY(budget.take(0) && budget.take(1000) && budget.take(2000));
    QVERIFY(!budget.take(59999));
    // The first has left the minute; the second has not.
    QVERIFY(budget.take(60000));
    QVERIFY(!budget.take(60999));
    QVERIFY(budget.take(61000));
}

void TestPageRecovery::aKilledRendererBringsThePageBackEveryTime()
{
    std::unique_ptr<VueDialog> window(openMainWindow(newPageHost));
    QWebEnginePage *page = webViewOf(window.get())->page();
    QVERIFY(pageReachesTheBridge(window.get()));

    for (int round = 1; round <= 3; ++round) {
        const qint64 renderer = page->renderProcessPid();
        const int loads = m_frontEnd.count(QStringLiteral("/"));
        QVERIFY(renderer > 0);
        QCOMPARE(::kill(pid_t(renderer), SIGKILL), 0);
        QTRY_VERIFY_WITH_TIMEOUT(page->renderProcessPid() != renderer && page->renderProcessPid() != 0, 30000);
        QVERIFY2(pageReachesTheBridge(window.get()), qPrintable(QStringLiteral("round %1").arg(round)));
        QCOMPARE(m_frontEnd.count(QStringLiteral("/")), loads + 1);
    }
}

void TestPageRecovery::aRendererThatDiesAtEveryLoadIsReloadedThreeTimesThenByF5()
{
    std::unique_ptr<VueDialog> window(openMainWindow(newPageHost));
    QWebEnginePage *page = webViewOf(window.get())->page();
    QVERIFY(pageReachesTheBridge(window.get()));
    const int loads = m_frontEnd.count(QStringLiteral("/"));
    QSignalSpy ended(page, &QWebEnginePage::renderProcessTerminated);

    // Every load ends its renderer, the first one included.
    bool dying = true;
    const auto killRenderer = [page, &dying] {
        if (dying && page->renderProcessPid() > 0)
            ::kill(pid_t(page->renderProcessPid()), SIGKILL);
    };
    connect(page, &QWebEnginePage::loadFinished, this, killRenderer);
    killRenderer();

    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 4, 60000);
    // A fourth reload would have started at once; nothing comes.
    QTest::qWait(3000);
    QCOMPARE(ended.count(), 4);
    QCOMPARE(m_frontEnd.count(QStringLiteral("/")), loads + 3);
    QCOMPARE(page->renderProcessPid(), 0);
    QVERIFY(window->isVisible());

    dying = false;
    QTest::keyClick(window.get(), Qt::Key_F5);
    QVERIFY(pageReachesTheBridge(window.get()));
    QCOMPARE(m_frontEnd.count(QStringLiteral("/")), loads + 4);
}

void TestPageRecovery::f5RescuesAPageStuckInALoop()
{
    std::unique_ptr<VueDialog> window(openMainWindow(newPageHost));
    QWebEngineView *view = webViewOf(window.get());
    QWebEnginePage *page = view->page();
    QVERIFY(pageReachesTheBridge(window.get()));
    const qint64 renderer = page->renderProcessPid();

    page->runJavaScript(QStringLiteral("for (;;) {}"));
    QVERIFY(!evaluate(page, QStringLiteral("1"), 1000).isValid());

    // Where a user presses it: in the page.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    view->setFocus();
    QTest::keyClick(view->focusProxy(), Qt::Key_F5);

    QTRY_VERIFY_WITH_TIMEOUT(page->renderProcessPid() != renderer && page->renderProcessPid() != 0, 30000);
    QVERIFY(pageReachesTheBridge(window.get()));
}

QTEST_MAIN(TestPageRecovery)
#include "tst_pagerecovery.moc"
