// The game session from a real page over the real web channel, with the stand-in service and real viewer processes.

#include "app/mainwindow.h"
#include "launchcases.h"
#include "localhttpserver.h"
#include "pagetools.h"
#include "platform/processes.h"
#include "serviceprocess.h"
#include "testserviceaddress.h"
#include "window/vuedialog.h"
#include "workdir.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>

#include <memory>

namespace {

const QString kRefusal = QStringLiteral("你已经打开了云游戏!");

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void launchesTheViewerWithTheParametersWords_data();
    void launchesTheViewerWithTheParametersWords();
    void refusesWhileAViewerRunsButKeepsTheParameter();
    void aTokenRestartsTheViewer_data();
    void aTokenRestartsTheViewer();
    void aTokenRestartsTheViewerWhileAnotherSiteIsShown();
    void otherOutputChangesNothing_data();
    void otherOutputChangesNothing();
    void theViewersEndShowsTheWindow_data();
    void theViewersEndShowsTheWindow();
    void disconnectEndsTheSession();
    void launchesWithoutAConfirmation_data();
    void launchesWithoutAConfirmation();
    void oddParametersGiveADefinedResult_data();
    void oddParametersGiveADefinedResult();
    void aBurstLaunchesOneViewer();
    void billingStatusIsLogged();
    void aMisbehavingViewerLeavesTheClientWorking_data();
    void aMisbehavingViewerLeavesTheClientWorking();
    void aViewerThatCannotStartLeavesTheClientWorking_data();
    void aViewerThatCannotStartLeavesTheClientWorking();
    void aLongBurstOfStartsAndDisconnectsLeavesNothingBehind();

private:
    bool startService(const QStringList &options = {});
    void openWindow();
    QString startFromPage(const QString &param) { return callFromPage(m_page, "startGame", {param}).toString(); }
    QList<QStringList> viewerStarts() const;
    QStringList received() const;

    LocalHttpServer m_frontEnd;
    std::unique_ptr<TestWorkDir> m_workDir;
    QTemporaryDir m_records;
    std::unique_ptr<ServiceProcess> m_service;
    std::unique_ptr<VueDialog> m_window;
    QWebEnginePage *m_page = nullptr;
};

void TestSession::initTestCase()
{
    m_frontEnd.serveHtml("/", bridgePageHtml().toStdString());
    QVERIFY(m_frontEnd.start());
    m_workDir = std::make_unique<TestWorkDir>();
}

void TestSession::init()
{
    // Viewers inherit the client's environment: this is how each test scripts them.
    QFile::remove(m_records.filePath("starts"));
    qputenv("NUVAVIEW_RECORD", QFile::encodeName(m_records.filePath("starts")));
    qputenv("NUVAVIEW_SCRIPT", "sleep:60000");
}

void TestSession::cleanup()
{
    killProcessesByImageName(QStringLiteral("nuvaview.exe"));
    m_window.reset();
    m_service.reset();
}

bool TestSession::startService(const QStringList &options)
{
    m_service = std::make_unique<ServiceProcess>();
    if (!m_service->start(options))
        return false;
    setTestServiceAddress(QStringLiteral("127.0.0.1"), m_frontEnd.port(), m_service->port());
    return true;
}

void TestSession::openWindow()
{
    m_window.reset(openMainWindow(newPageHost));
    m_page = webViewOf(m_window.get())->page();
    QVERIFY(waitForTrue(m_page, QStringLiteral("window.bridgeReady === true")));
}

QList<QStringList> TestSession::viewerStarts() const
{
    QList<QStringList> starts;
    QFile file(m_records.filePath("starts"));
    if (!file.open(QIODevice::ReadOnly))
        return starts;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.isEmpty())
            starts << QJsonDocument::fromJson(line).object().value("args").toVariant().toStringList();
    }
    return starts;
}

QStringList TestSession::received() const
{
    return evaluate(m_page, QStringLiteral("window.received")).toStringList();
}

void TestSession::launchesTheViewerWithTheParametersWords_data()
{
    QTest::addColumn<QString>("param");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("confirmation");
    for (const LaunchCase &launch : launchCases())
        QTest::newRow(launch.name) << launch.param << launch.arguments << launch.confirmation;
}

void TestSession::launchesTheViewerWithTheParametersWords()
{
    QFETCH(QString, param);
    QFETCH(QStringList, arguments);
    QFETCH(QString, confirmation);
    QVERIFY(startService());
    openWindow();

    QCOMPARE(startFromPage(param), QString());
    QTRY_COMPARE(viewerStarts(), QList<QStringList>{arguments});
    QTRY_VERIFY_WITH_TIMEOUT(m_service->log().contains(confirmation.toUtf8()), 5000);
    QTRY_COMPARE(received(), QStringList{"sendOrderShow:false"});
}

void TestSession::refusesWhileAViewerRunsButKeepsTheParameter()
{
    QVERIFY(startService());
    openWindow();
    qputenv("NUVAVIEW_SCRIPT", "sleep:1500;write:fpschanged");
    QCOMPARE(startFromPage("demo order-1 first"), QString());
    qputenv("NUVAVIEW_SCRIPT", "sleep:60000");
    QTRY_COMPARE(viewerStarts().size(), 1);

    QCOMPARE(startFromPage("demo order-9 second"), kRefusal);
    QVERIFY(m_service->logCaughtUp());
    QCOMPARE(m_service->log().count("confirm_connect"), 1);
    QCOMPARE(received(), QStringList{"sendOrderShow:false"});

    // The refused call's parameter is the one the next restart uses.
    QTRY_COMPARE_WITH_TIMEOUT(viewerStarts().size(), 2, 10000);
    QCOMPARE(viewerStarts().last(), (QStringList{"demo", "order-9", "second"}));
}

void TestSession::aTokenRestartsTheViewer_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("signal");
    QTest::newRow("fpschanged") << QByteArray("fpschanged") << "fpsChanged";
    QTest::newRow("closeorder after other text") << QByteArray("frame 42 closeorder") << "closeOrder";
}

void TestSession::aTokenRestartsTheViewer()
{
    QFETCH(QByteArray, output);
    QFETCH(QString, signal);
    QVERIFY(startService());
    openWindow();
    qputenv("NUVAVIEW_SCRIPT", "sleep:300;write:" + output);
    QCOMPARE(startFromPage("demo order-5 hd"), QString());
    qputenv("NUVAVIEW_SCRIPT", "sleep:60000");

    QTRY_COMPARE_WITH_TIMEOUT(viewerStarts().size(), 2, 10000);
    QCOMPARE(viewerStarts().last(), (QStringList{"demo", "order-5", "hd"}));
    QTRY_VERIFY(received().count("sendOrderShow:false") == 2);
    const QStringList seen = received();
    QCOMPARE(seen.count(signal), 1);
    // The signal comes before the restart's launch.
    QVERIFY(seen.indexOf(signal) < seen.lastIndexOf("sendOrderShow:false"));
    // The killed viewer reports its end too; the new one runs alone.
    QTRY_VERIFY(received().contains("sendOrderShow:true"));
    QCOMPARE(listProcessesByImageName("nuvaview.exe").count("nuvaview.exe"), 1);
    QTRY_COMPARE_WITH_TIMEOUT(m_service->log().count("confirm_connect?uuid=order-5"), 2, 5000);
}

// The restart is the client's own doing: the page has no part in it, so the origin of what the view shows does not
// matter.
void TestSession::aTokenRestartsTheViewerWhileAnotherSiteIsShown()
{
    QVERIFY(startService());
    openWindow();
    qputenv("NUVAVIEW_SCRIPT", "sleep:3000;write:fpschanged");
    QCOMPARE(startFromPage("demo order-6 hd"), QString());
    qputenv("NUVAVIEW_SCRIPT", "sleep:60000");

    LocalHttpServer elsewhere;
    elsewhere.serveHtml("/", bridgePageHtml().toStdString());
    QVERIFY(elsewhere.start());
    m_page->load(elsewhere.url());
    QVERIFY(waitForTrue(
        m_page, QStringLiteral("window.bridgeReady === true && location.port == '%1'").arg(elsewhere.port())));
    QCOMPARE(viewerStarts().size(), 1);

    QTRY_COMPARE_WITH_TIMEOUT(viewerStarts().size(), 2, 10000);
    QCOMPARE(viewerStarts().last(), (QStringList{"demo", "order-6", "hd"}));
    // The page shown hears of it as any page would; the killed viewer's end may come before or after the launch.
    QTRY_VERIFY(received().contains("fpsChanged") && received().contains("sendOrderShow:false"));
}

void TestSession::otherOutputChangesNothing_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::newRow("line end after the token") << QByteArray("write:fpschanged\\n;sleep:100;exit:0");
    QTest::newRow("token split over two writes") << QByteArray("write:fps;sleep:300;write:changed;sleep:100;exit:0");
    QTest::newRow("nine characters") << QByteArray("write:pschanged;sleep:100;exit:0");
}

void TestSession::otherOutputChangesNothing()
{
    QFETCH(QByteArray, script);
    QVERIFY(startService());
    openWindow();
    qputenv("NUVAVIEW_SCRIPT", script);
    QCOMPARE(startFromPage("demo order-6 x"), QString());

    // The viewer's end comes after all its output has been read.
    QTRY_COMPARE_WITH_TIMEOUT(received(), (QStringList{"sendOrderShow:false", "sendOrderShow:true"}), 10000);
    QCOMPARE(viewerStarts().size(), 1);
}

void TestSession::theViewersEndShowsTheWindow_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<QByteArray>("status");
    QTest::newRow("exits") << QByteArray("sleep:300;exit:3") << QByteArray("3") << QByteArray("QProcess::NormalExit");
    QTest::newRow("crashes") << QByteArray("sleep:300;crash") << QByteArray("11") << QByteArray("QProcess::CrashExit");
}

void TestSession::theViewersEndShowsTheWindow()
{
    QFETCH(QByteArray, script);
    QFETCH(QByteArray, code);
    QFETCH(QByteArray, status);
    QVERIFY(startService());
    openWindow();
    qputenv("NUVAVIEW_SCRIPT", script);
    QTest::ignoreMessage(QtDebugMsg, "游戏启动成功后关闭!");
    QTest::ignoreMessage(QtDebugMsg, code.constData());
    QTest::ignoreMessage(QtDebugMsg, status.constData());
    QCOMPARE(startFromPage("demo order-7 x"), QString());
    m_window->hide(); // as the minimise button does

    QTRY_COMPARE_WITH_TIMEOUT(received(), (QStringList{"sendOrderShow:false", "sendOrderShow:true"}), 10000);
    QVERIFY(m_window->isVisible());
}

void TestSession::disconnectEndsTheSession()
{
    QVERIFY(startService());
    openWindow();
    QSignalSpy shows(m_window.get(), &VueDialog::sendOrderShow);

    QTest::ignoreMessage(QtDebugMsg, "disconnectNode");
    callFromPage(m_page, "disconnectNode");
    QCOMPARE(shows.count(), 1);
    QCOMPARE(shows.first().first().toBool(), true);

    QCOMPARE(startFromPage("demo order-8 x"), QString());
    QTRY_COMPARE(viewerStarts().size(), 1);
    m_window->hide();
    shows.clear();
    QTest::ignoreMessage(QtDebugMsg, "disconnectNode");
    callFromPage(m_page, "disconnectNode");
    QVERIFY(!listProcessesByImageName("nuvaview.exe").contains("PID"));
    // Once at once, and once more when the killed viewer's end is reported; that also shows the window.
    QTRY_COMPARE(shows.count(), 2);
    QVERIFY(shows.at(0).first().toBool() && shows.at(1).first().toBool());
    QVERIFY(m_window->isVisible());
    QCOMPARE(viewerStarts().size(), 1); // no restart
}

void TestSession::launchesWithoutAConfirmation_data()
{
    QTest::addColumn<QStringList>("options"); // empty: nothing listens
    QTest::newRow("service unreachable") << QStringList{};
    QTest::newRow("not JSON") << QStringList{"--body", "<html>maintenance</html>"};
}

void TestSession::launchesWithoutAConfirmation()
{
    QFETCH(QStringList, options);
    if (options.isEmpty()) {
        setTestServiceAddress(QStringLiteral("127.0.0.1"), m_frontEnd.port(), closedLoopbackPort());
    } else {
        QVERIFY(startService(options));
    }
    openWindow();
    QCOMPARE(startFromPage("demo order-10 x"), QString());
    QTRY_COMPARE(viewerStarts(), (QList<QStringList>{{"demo", "order-10", "x"}}));
}

void TestSession::oddParametersGiveADefinedResult_data()
{
    QTest::addColumn<QString>("param");
    QTest::addColumn<int>("argumentCount"); // -1: the system cannot start it, which goes unnoticed
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("one word") << "demo" << 1;
    QTest::newRow("unmatched quote") << "demo \"order x" << 2;
    QTest::newRow("control characters") << QString("demo\x01 ord\ter\x7f \x1b[31m") << 4; // a tab splits words too
    QTest::newRow("very long") << QString("demo order ") + QString(100000, 'x') << 3;
    QTest::newRow("longer than an argument may be") << QString("demo order ") + QString(200000, 'x') << -1;
}

void TestSession::oddParametersGiveADefinedResult()
{
    QFETCH(QString, param);
    QFETCH(int, argumentCount);
    QVERIFY(startService());
    openWindow();
    QCOMPARE(startFromPage(param), QString());
    if (argumentCount < 0) {
        QCOMPARE(callFromPage(m_page, "getClientVersion").toString(), QStringLiteral("1.0.4"));
        QCOMPARE(viewerStarts().size(), 0);
        return;
    }
    QTRY_COMPARE(viewerStarts().size(), 1);
    QCOMPARE(viewerStarts().first().size(), argumentCount);
}

void TestSession::aBurstLaunchesOneViewer()
{
    QVERIFY(startService({"--delay", "500"}));
    openWindow();
    // Three calls in a row: the later ones arrive while the first waits for its confirmation.
    evaluate(m_page,
        "window.burst = [];"
        "for (let i = 0; i < 3; ++i) window.bridge.startGame('demo order-11 ' + i, "
        "  function (r) { window.burst.push(r); });");
    QVERIFY(waitForTrue(m_page, "window.burst.length === 3"));
    const QStringList results = evaluate(m_page, "window.burst").toStringList();
    QCOMPARE(results.count(QString()), 1);
    QCOMPARE(results.count(kRefusal), 2);
    QTRY_COMPARE(viewerStarts().size(), 1);
    QVERIFY(m_service->logCaughtUp());
    QCOMPARE(m_service->log().count("confirm_connect"), 1);
}

void TestSession::billingStatusIsLogged()
{
    QVERIFY(startService());
    openWindow();
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^QJsonObject\\(.*\"balance\":12\\.5.*\\)$"));
    QTest::ignoreMessage(QtDebugMsg, "\"12.5元\" \"0.5元/30分钟\" \"2分钟\"");
    const QVariantMap status{
        {"balance", 12.5}, {"unitPrice", 0.5}, {"unitTime", 30}, {"useTime", 150000}, {"totalAmount", 30}};
    callFromPage(m_page, "orderStatus", {status});
}

void TestSession::aMisbehavingViewerLeavesTheClientWorking_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<bool>("keepsRunning");
    // 40 MB of output: the client reads it as it comes and finds no token in it.
    QTest::newRow("floods its output") << QByteArray("flood:41943040;write:fpschang;exit:0") << false;
    QTest::newRow("closes its output, runs on") << QByteArray("close-stdout;sleep:60000") << true;
    QTest::newRow("exits before the client reads") << QByteArray("write:some words;exit:0") << false;
}

void TestSession::aMisbehavingViewerLeavesTheClientWorking()
{
    QFETCH(QByteArray, script);
    QFETCH(bool, keepsRunning);
    QVERIFY(startService());
    openWindow();
    qputenv("NUVAVIEW_SCRIPT", script);
    QCOMPARE(startFromPage("demo order-20 x"), QString());
    QTRY_COMPARE_WITH_TIMEOUT(viewerStarts().size(), 1, 10000);

    if (keepsRunning) {
        // Silence is no token: the session goes on until the page ends it, and then only the disconnect and the
        // viewer's end are heard of.
        callFromPage(m_page, "disconnectNode");
        QVERIFY(!listProcessesByImageName(QStringLiteral("nuvaview.exe")).contains(QLatin1String("PID")));
        QTRY_COMPARE(received().size(), 3);
        QCOMPARE(received(), (QStringList{"sendOrderShow:false", "sendOrderShow:true", "sendOrderShow:true"}));
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(received().contains(QStringLiteral("sendOrderShow:true")), 30000);
        QCOMPARE(viewerStarts().size(), 1);
    }
    // The client still answers and can start the next session.
    qputenv("NUVAVIEW_SCRIPT", "sleep:60000");
    QCOMPARE(startFromPage("demo order-21 x"), QString());
}

void TestSession::aViewerThatCannotStartLeavesTheClientWorking_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("missing") << QStringLiteral("missing");
    QTest::newRow("not executable") << QStringLiteral("not executable");
}

void TestSession::aViewerThatCannotStartLeavesTheClientWorking()
{
    QFETCH(QString, how);
    QVERIFY(startService());
    // A working directory of its own, whose viewer is gone or cannot be run.
    TestWorkDir brokenDir;
    const QString viewer = brokenDir.filePath(QStringLiteral("nuvaview/nuvaview.exe"));
    QVERIFY(QFile::remove(viewer));
    if (how == QLatin1String("not executable")) {
        QVERIFY(QFile::copy(QStringLiteral(NUVA_VIEWER_PATH), viewer));
        QVERIFY(QFile::setPermissions(viewer, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    }
    openWindow();
    QCOMPARE(startFromPage("demo order-22 x"), QString());
    QTest::qWait(300);
    QCOMPARE(viewerStarts().size(), 0);
    QCOMPARE(callFromPage(m_page, "getClientVersion").toString(), QStringLiteral("1.0.4"));
    // Nothing runs, so a second start is not refused.
    QCOMPARE(startFromPage("demo order-23 x"), QString());
}

void TestSession::aLongBurstOfStartsAndDisconnectsLeavesNothingBehind()
{
    QVERIFY(startService());
    openWindow();
    const auto openDescriptors = [] {
        return QDir(QStringLiteral("/proc/self/fd"))
            .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
            .size();
    };
    const auto threads
        = [] { return QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(); };
    const auto residentKb = [] {
        QFile status(QStringLiteral("/proc/self/status"));
        status.open(QIODevice::ReadOnly);
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
        return 0LL;
    };
    // One round first, so that what is built once (the network's thread pool, the process reaper) is counted in.
    const char *burst = "window.burstDone = false; (async () => {"
                        "  const call = (slot, ...args) => new Promise(r => window.bridge[slot](...args, r));"
                        "  for (let i = 0; i < window.rounds; ++i) {"
                        "    await call('startGame', 'burst order-' + i + ' x');"
                        "    await call('disconnectNode');"
                        "  }"
                        "  window.burstDone = true; })();";
    evaluate(m_page, QStringLiteral("window.rounds = 20;") + QLatin1String(burst));
    QVERIFY(waitForTrue(m_page, QStringLiteral("window.burstDone === true"), 60000));
    QTest::qWait(500);
    const int descriptorsBefore = openDescriptors();
    const int threadsBefore = threads();
    const qint64 residentBefore = residentKb();

    // 1,000 calls: 500 starts, each ended at once by a disconnect.
    evaluate(m_page, QStringLiteral("window.rounds = 500;") + QLatin1String(burst));
    QVERIFY(waitForTrue(m_page, QStringLiteral("window.burstDone === true"), 240000));
    // Every start passed the viewer check, asked for its confirmation and launched.
    QTRY_COMPARE_WITH_TIMEOUT(m_service->log().count("confirm_connect"), 520, 5000);
    QVERIFY(!listProcessesByImageName(QStringLiteral("nuvaview.exe")).contains(QLatin1String("PID")));
    // Released once the event loop has had them: the viewers' process objects and the requests' network objects.
    QTRY_VERIFY_WITH_TIMEOUT(openDescriptors() <= descriptorsBefore + 2, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(threads() <= threadsBefore + 2, 10000);
    const qint64 residentAfter = residentKb();
    qInfo("descriptors %d -> %d, threads %d -> %d, resident %lld kB -> %lld kB", descriptorsBefore, openDescriptors(),
        threadsBefore, threads(), residentBefore, residentAfter);
#if !defined(__SANITIZE_ADDRESS__) // AddressSanitizer keeps freed memory in quarantine
    // Memory is back to its level: far less than what 500 sessions would keep if each left its objects behind.
    QVERIFY2(residentAfter < residentBefore + 10 * 1024, "memory grew by more than 10 MB over the burst");
#endif
    QCOMPARE(callFromPage(m_page, "getClientVersion").toString(), QStringLiteral("1.0.4"));
}

QTEST_MAIN(TestSession)
#include "tst_session.moc"
