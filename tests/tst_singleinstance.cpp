// One client per machine: later starts of the built client against a running one, what a later start sends, and the
// guard's own answers in process.

#include "clientprocess.h"
#include "desktop.h"
#include "lockcheck.h"
#include "retry.h"
#include "serviceprocess.h"
#include "single_instance/qsingletonapp.h"
#include "workdir.h"
#include "xwindows.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include <poll.h>
#include <sys/stat.h>

namespace {

const QString kWindowTitle = QStringLiteral("nuvagame");

// Guards in a temporary folder of the test's own, where their socket and lock file lie.
class GuardFolder
{
public:
    // A guard under the test's name, made while TMPDIR names this folder.
    std::unique_ptr<QSingletonApp> guard()
    {
        const QByteArray previous = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(m_folder.path()));
        auto guard = std::make_unique<QSingletonApp>(QStringLiteral("guard-under-test"));
        qputenv("TMPDIR", previous);
        return guard;
    }
    QString socket() const { return m_folder.filePath(QStringLiteral("guard-under-test")); }

private:
    QTemporaryDir m_folder;
};

// Whether the other side has closed the connection, looked at directly rather than through events that the test has
// yet to see. The test's peers never write, so anything to read is the end.
bool hungUp(const QLocalSocket &socket)
{
    pollfd end{int(socket.socketDescriptor()), POLLIN, 0};
    return socket.state() != QLocalSocket::ConnectedState || (::poll(&end, 1, 0) == 1 && end.revents != 0);
}

// The first client of a test: started, its window mapped, and optionally hidden to the tray with the title bar's
// minimise button (the test runs a tray host for that: without one the button minimises instead).
class FirstInstance
{
public:
    explicit FirstInstance(const ClientHome &home)
        : client(home)
    { }

    bool start(const QString &workingDirectory)
    {
        if (!client.start(workingDirectory))
            return false;
        // Generous: under the sanitizers, on a loaded machine, a start can take many seconds.
        return QTest::qWaitFor([this] { return (window = XWindows::findMapped(kWindowTitle)).has_value(); }, 90000);
    }

    bool hide()
    {
        // The minimise button covers x 876 to 917 of the 30-pixel title bar. The first events may reach the client
        // before it has settled its freshly mapped window, so click until it reacts.
        const uint32_t shown = *window;
        return actUntil([shown] { XWindows::click(shown, 896, 15); }, [this] { return !isMapped(); });
    }

    bool isMapped() const { return XWindows::findMapped(kWindowTitle) == window; }

    ClientProcess client;
    std::optional<uint32_t> window;
};

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void aLaterStartShowsTheRunningWindowAndEnds_data();
    void aLaterStartShowsTheRunningWindowAndEnds();
    void aLaterStartSendsItsLastArgument_data();
    void aLaterStartSendsItsLastArgument();
    void silentKnocksLeaveThePageAnswered();
    void manyKnocksAtOnceAreEachAnswered();
    void aStartAfterAKilledInstanceListensAgain();
    void twoStartsAtTheSameMomentLeaveOneRunning();
    void theLockIsHeldByOneAtATime();
    void whatLiesAtTheLocksPathHoldsNoStart_data();
    void whatLiesAtTheLocksPathHoldsNoStart();
    void theServerAdmitsItsOwnUser();
    void aConnectionOnlyShowsAHandedOverWindowAsItIs();

    void init();

private:
    ServiceProcess m_service;
    TrayHost m_tray;
};

void TestSingleInstance::initTestCase()
{
    QVERIFY(XWindows::serverReachable());
    if (!m_tray.start())
        qWarning(
            "no tray host, so the tests that hide a window to the tray are skipped: %s", qPrintable(m_tray.whyNot));
}

void TestSingleInstance::init()
{
    // Without a service every start would still run, but the later start's version query should be seen. A test
    // that serves a page of its own stops it meanwhile.
    if (m_service.process.state() == QProcess::NotRunning)
        QVERIFY2(m_service.startForTestClient(), "the stand-in service did not start on the test address");
}

void TestSingleInstance::aLaterStartShowsTheRunningWindowAndEnds_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("with arguments a b") << QStringList{QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("without arguments") << QStringList();
}

void TestSingleInstance::aLaterStartShowsTheRunningWindowAndEnds()
{
    QFETCH(QStringList, arguments);
    TestWorkDir workDir;
    ClientHome home;
    if (m_tray.process.state() != QProcess::Running)
        QSKIP("no tray host to hide the window to");
    FirstInstance first(home);
    QVERIFY2(first.start(workDir.path()),
        first.client.log().right(2000)
            + (first.client.process.state() == QProcess::Running ? "\n(still running)" : "\n(ended)"));
    QVERIFY(first.hide());
    const int versionQueries = m_service.log().count("GET /gpfe/api/clientversion/get_latest_version");

    XWindows::MapRecorder maps;
    ClientProcess later(home);
    QVERIFY(later.start(workDir.path(), arguments));
    QVERIFY2(later.endsWithZero(), later.log().right(2000).constData());

    QTRY_VERIFY_WITH_TIMEOUT(first.isMapped(), 10000);
    // The one window mapped meanwhile is the first instance's: the later start made none of its own.
    const QList<uint32_t> mapped = maps.mapped();
    QVERIFY(!mapped.isEmpty());
    for (const uint32_t window : mapped)
        QCOMPARE(window, *first.window);
    QCOMPARE(first.client.process.state(), QProcess::Running);
    // It asked for a new version before it found the running instance.
    QTRY_COMPARE_WITH_TIMEOUT(
        m_service.log().count("GET /gpfe/api/clientversion/get_latest_version"), versionQueries + 1, 5000);
}

void TestSingleInstance::aLaterStartSendsItsLastArgument_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("a b") << QStringList{QStringLiteral("a"), QStringLiteral("b")} << QStringLiteral("b");
    QTest::newRow("none") << QStringList() << QString();
    QTest::newRow("Chinese") << QStringList{QStringLiteral("打开游戏")} << QStringLiteral("打开游戏");
}

void TestSingleInstance::aLaterStartSendsItsLastArgument()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    // The test stands in for the running instance and reads what the client sends.
    ClientHome home;
    QLocalServer running;
    QVERIFY(running.listen(home.instanceSocket()));
    TestWorkDir workDir;
    ClientProcess later(home);
    QVERIFY(later.start(workDir.path(), arguments));

    QTRY_VERIFY_WITH_TIMEOUT(running.hasPendingConnections(), 90000);
    QLocalSocket *connection = running.nextPendingConnection();
    QByteArray received;
    QTRY_VERIFY_WITH_TIMEOUT(
        (received += connection->readAll(), connection->state() == QLocalSocket::UnconnectedState), 10000);
    received += connection->readAll();
    QCOMPARE(QString::fromUtf8(received), message);
    QVERIFY2(later.endsWithZero(), later.log().right(2000).constData());
}

void TestSingleInstance::silentKnocksLeaveThePageAnswered()
{
    // The page asks for the client's version again and again and reports every answer; it takes the place of the
    // demo page for this test. Its window stays in view, where the browser does not slow a page down.
    m_service.process.kill();
    m_service.process.waitForFinished(5000);
    ServiceProcess service;
    QVERIFY(service.startForTestClientWithPage(R"(
      let answers = 0;
      (function ask() {
        bridge.getClientVersion(function () {
          fetch('/page/answer/' + ++answers).then(ask);
        });
      })();)"));
    const auto answers = [&service] { return service.log().count("GET /page/answer/"); };
    TestWorkDir workDir;
    ClientHome home;
    if (m_tray.process.state() != QProcess::Running)
        QSKIP("no tray host to hide the window to");
    FirstInstance first(home);
    QVERIFY2(first.start(workDir.path()), first.client.log().right(2000).constData());
    QTRY_VERIFY_WITH_TIMEOUT(answers() > 0, 90000);

    for (int knock = 1; knock <= 6; ++knock) {
        QLocalSocket silent;
        silent.connectToServer(home.instanceSocket());
        QVERIFY(silent.waitForConnected(5000));
        // Three answers logged before the client hangs up, of which only the first can have been under way when the
        // knock came: the page is answered while the knock waits. The test neither writes nor hangs up.
        const int before = answers();
        QTRY_VERIFY_WITH_TIMEOUT(answers() >= before + 3 || hungUp(silent), 10000);
        QVERIFY2(!hungUp(silent), qPrintable(QStringLiteral("knock %1 held up the page").arg(knock)));
        QTRY_VERIFY_WITH_TIMEOUT(hungUp(silent), 10000);
    }
}

void TestSingleInstance::manyKnocksAtOnceAreEachAnswered()
{
    GuardFolder folder;
    const auto guard = folder.guard();
    QWidget window;
    guard->setWindowToShow(&window);

    std::vector<std::unique_ptr<QLocalSocket>> knocks;
    for (int i = 0; i < 20; ++i) {
        knocks.push_back(std::make_unique<QLocalSocket>());
        knocks.back()->connectToServer(folder.socket());
        QVERIFY(knocks.back()->waitForConnected(5000));
    }
    QTRY_VERIFY_WITH_TIMEOUT(
        std::all_of(knocks.begin(), knocks.end(), [](const auto &knock) { return hungUp(*knock); }), 10000);
    QVERIFY(window.isVisible());
}

void TestSingleInstance::aStartAfterAKilledInstanceListensAgain()
{
    if (m_tray.process.state() != QProcess::Running)
        QSKIP("no tray host to hide the window to");
    TestWorkDir workDir;
    ClientHome home;
    {
        FirstInstance killed(home);
        QVERIFY2(killed.start(workDir.path()), killed.client.log().right(2000).constData());
        killed.client.process.kill();
        QVERIFY(killed.client.process.waitForFinished(5000));
    }
    QVERIFY2(QFileInfo::exists(home.instanceSocket()), "a killed instance leaves its socket file behind");

    FirstInstance next(home);
    QVERIFY2(next.start(workDir.path()), next.client.log().right(2000).constData());
    QVERIFY(next.hide());
    QLocalSocket knock;
    knock.connectToServer(home.instanceSocket());
    QVERIFY(knock.waitForConnected(5000));
    knock.disconnectFromServer();
    QTRY_VERIFY_WITH_TIMEOUT(next.isMapped(), 10000);
}

void TestSingleInstance::twoStartsAtTheSameMomentLeaveOneRunning()
{
    TestWorkDir workDir;
    for (int attempt = 0; attempt < 5; ++attempt) {
        ClientHome home;
        ClientProcess first(home);
        ClientProcess second(home);
        QVERIFY(first.start(workDir.path()));
        QVERIFY(second.start(workDir.path()));

        // One of them hands over and ends with 0; the other keeps running with its window shown.
        QTRY_VERIFY_WITH_TIMEOUT(
            first.process.state() == QProcess::NotRunning || second.process.state() == QProcess::NotRunning, 90000);
        ClientProcess &ended = first.process.state() == QProcess::NotRunning ? first : second;
        ClientProcess &running = &ended == &first ? second : first;
        QVERIFY2(ended.endsWithZero(0), ended.log().right(2000).constData());
        QTRY_VERIFY_WITH_TIMEOUT(XWindows::findMapped(kWindowTitle).has_value(), 90000);
        // And it is the one a later start reaches: it answers a knock, and still runs afterwards.
        QLocalSocket knock;
        knock.connectToServer(home.instanceSocket());
        QVERIFY(knock.waitForConnected(5000));
        knock.write("x");
        QTRY_COMPARE_WITH_TIMEOUT(knock.state(), QLocalSocket::UnconnectedState, 5000);
        QCOMPARE(running.process.state(), QProcess::Running);
    }
}

void TestSingleInstance::theLockIsHeldByOneAtATime()
{
    QTemporaryDir folder;
    QVERIFY(lockIsHeldByOneAtATime(folder.filePath(QStringLiteral("x.lock"))));
}

// Another account may put anything at the lock's path in a shared temporary folder; the start still opens its window
// and leaves what it found as it was.
void TestSingleInstance::whatLiesAtTheLocksPathHoldsNoStart_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("a pipe") << QStringLiteral("pipe");
    QTest::newRow("a link to a file elsewhere") << QStringLiteral("link");
    QTest::newRow("a folder") << QStringLiteral("folder");
}

void TestSingleInstance::whatLiesAtTheLocksPathHoldsNoStart()
{
    QFETCH(QString, what);
    TestWorkDir workDir;
    ClientHome home;
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath(QStringLiteral("kept"));
    const QByteArray lock = QFile::encodeName(home.instanceSocket() + QStringLiteral(".lock"));
    if (what == QLatin1String("pipe"))
        QCOMPARE(::mkfifo(lock.constData(), 0600), 0);
    else if (what == QLatin1String("link"))
        QVERIFY(QFile::link(target, QString::fromLocal8Bit(lock)));
    else
        QVERIFY(QDir().mkdir(QString::fromLocal8Bit(lock)));

    FirstInstance first(home);
    QVERIFY2(first.start(workDir.path()), first.client.log().right(2000).constData());
    QVERIFY(!QFileInfo::exists(target));
}

void TestSingleInstance::theServerAdmitsItsOwnUser()
{
    GuardFolder folder;
    const auto guard = folder.guard();
    const auto later = folder.guard();

    QVERIFY(!guard->hasOtherInstance());
    QVERIFY(later->hasOtherInstance());
    // Anyone on the machine may knock, its owner first of all (root would get in whatever the bits say).
    const QFileDevice::Permissions permissions = QFileInfo(folder.socket()).permissions();
    QVERIFY(permissions.testFlag(QFileDevice::ReadOwner) && permissions.testFlag(QFileDevice::WriteOwner));
    QVERIFY(permissions.testFlag(QFileDevice::ReadOther) && permissions.testFlag(QFileDevice::WriteOther));
}

void TestSingleInstance::aConnectionOnlyShowsAHandedOverWindowAsItIs()
{
    GuardFolder folder;
    const auto guard = folder.guard();
    QVERIFY(!guard->hasOtherInstance());
    const auto knock = [&folder] {
        QLocalSocket socket;
        socket.connectToServer(folder.socket());
        if (!socket.waitForConnected(5000))
            return false;
        // A byte ends the guard's wait at once; it hangs up once it has taken the connection.
        socket.write("x");
        return QTest::qWaitFor([&socket] { return socket.state() == QLocalSocket::UnconnectedState; }, 5000);
    };

    QWidget window;
    QVERIFY(knock()); // before any window is handed over: consumed, nothing shown
    QVERIFY(!window.isVisible());

    guard->setWindowToShow(&window);
    QVERIFY(knock());
    QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 5000);

    window.hide();
    window.setWindowState(Qt::WindowMinimized);
    QVERIFY(knock());
    QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 5000);
    QVERIFY(window.isMinimized());
}

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
