// The game session from a real page over the real web channel, with the stand-in service and real viewer processes.

#include "app/mainwindow.h"
#include "localhttpserver.h"
#include "pagetools.h"
#include "platform/processes.h"
#include "quietchannel.h"
#include "serviceprocess.h"
#include "testserviceaddress.h"
#include "window/vuedialog.h"
#include "workdir.h"

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
    quietenChannelWarnings();
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
    m_window.reset(openMainWindow());
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
    QTest::newRow("three words") << "demo order-1 1080p" << QStringList{"demo", "order-1", "1080p"}
                                 << "confirm_connect?uuid=order-1 ";
    QTest::newRow("quoted group") << "demo \"order 2\" x" << QStringList{"demo", "order 2", "x"}
                                  << "confirm_connect?uuid=%22order ";
    QTest::newRow("two spaces") << "demo  order-3" << QStringList{"demo", "order-3"} << "confirm_connect?uuid= ";
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
    QVERIFY(m_service->log().contains(confirmation.toUtf8()));
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
    QCOMPARE(m_service->log().count("confirm_connect?uuid=order-5"), 2);
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
        LocalHttpServer gone;
        QVERIFY(gone.start());
        gone.stop();
        setTestServiceAddress(QStringLiteral("127.0.0.1"), m_frontEnd.port(), gone.port());
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

QTEST_MAIN(TestSession)
#include "tst_session.moc"
