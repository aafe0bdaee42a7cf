// The client as a process: started from a working directory laid out like the build folder, against the stand-in
// service on the test address, and closed the way a window manager closes a window.

#include "clientprocess.h"
#include "retry.h"
#include "serviceprocess.h"
#include "workdir.h"
#include "xwindows.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <optional>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void closingTheWindowEndsTheEventLoopWithZero();
    void theCloseButtonEndsEveryOtherClientAndItself();
};

void TestStartup::closingTheWindowEndsTheEventLoopWithZero()
{
    ServiceProcess service;
    QVERIFY2(service.startForTestClient(), "the stand-in service did not start on the test address");

    QTRY_VERIFY2_WITH_TIMEOUT(XWindows::serverReachable(), "no X server", 10000);
    TestWorkDir workDir;
    ClientHome home;
    ClientProcess client(home);
    QVERIFY(client.start(workDir.path()));

    std::optional<uint32_t> window;
    const bool mapped = QTest::qWaitFor(
        [&window] { return (window = XWindows::findMapped(QStringLiteral("nuvagame"))).has_value(); }, 90000);
    QVERIFY2(mapped, client.log().right(2000).constData());

    // The demo page asks for /demo/ready only after it has reached the client over the web channel.
    QByteArray serviceLog;
    QTRY_VERIFY_WITH_TIMEOUT((serviceLog = service.log()).contains("GET /demo/ready"), 90000);
    QVERIFY(serviceLog.contains("GET / 200"));

    QVERIFY(client.closeWindow(*window));
    QVERIFY(client.log().contains("main() start....................."));
}

void TestStartup::theCloseButtonEndsEveryOtherClientAndItself()
{
    QVERIFY(XWindows::serverReachable());
    TestWorkDir workDir;
    // Another process of the client's image name: a copy of the viewer, sleeping until it is killed.
    QVERIFY(QDir(workDir.path()).mkpath("other"));
    const QString otherClient = workDir.filePath("other/nuvagame");
    QVERIFY(QFile::copy(NUVA_VIEWER_PATH, otherClient));
    ChildProcess other;
    QProcessEnvironment otherEnvironment = QProcessEnvironment::systemEnvironment();
    otherEnvironment.insert("NUVAVIEW_SCRIPT", "sleep:60000");
    other.process.setProcessEnvironment(otherEnvironment);
    other.process.start(otherClient, QStringList());
    QVERIFY(other.process.waitForStarted(5000));

    ClientHome home;
    ClientProcess client(home);
    QVERIFY(client.start(workDir.path()));
    std::optional<uint32_t> window;
    QTRY_VERIFY_WITH_TIMEOUT((window = XWindows::findMapped(QStringLiteral("nuvagame"))).has_value(), 90000);

    // The close button covers x 918 to 959 of the 30-pixel title bar. Click until the client reacts: the first
    // events may reach it before it has settled its freshly mapped window.
    const uint32_t clientWindow = *window;
    QVERIFY(actUntil([clientWindow] { XWindows::click(clientWindow, 938, 15); },
                     [&client] { return client.process.state() == QProcess::NotRunning; }));
    QVERIFY2(client.endsWithZero(0),
        (QByteArray::number(client.process.exitCode()) + " " + client.log().right(3000)).constData());
    // Its end may have been seen already while the clicks waited.
    QTRY_COMPARE_WITH_TIMEOUT(other.process.state(), QProcess::NotRunning, 5000);
    QCOMPARE(other.process.exitStatus(), QProcess::CrashExit); // killed
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
