// The client as a process: started from a working directory laid out like the build folder, against the stand-in
// service on the test address, and closed the way a window manager closes a window. Some runs serve a page of the
// test's own at "/", which drives the client through its published object as a front end (or a hostile script) would.

#include "clientprocess.h"
#include "desktop.h"
#include "platform/linux/procfs.h"
#include "retry.h"
#include "serviceprocess.h"
#include "workdir.h"
#include "xwindows.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <optional>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The screen's scale as a desktop sets it, Xft.dpi in the X server's resources, for the clients started meanwhile.
class ScreenDpi
{
public:
    explicit ScreenDpi(int dpi) { XWindows::setResources("Xft.dpi:\t" + QByteArray::number(dpi) + "\n"); }
    ~ScreenDpi() { XWindows::setResources(QByteArray()); }
    ScreenDpi(const ScreenDpi &) = delete;
    ScreenDpi &operator=(const ScreenDpi &) = delete;
};

// What the engine says when the application object goes while the page still lives.
const char kProfileWarning[] = "Release of profile requested but WebEnginePage still not deleted";

// A stand-in engine process (a copy of the sleeping viewer under the engine's name) whose launcher ends at once. With
// a subreaper, a process of the test's own takes it over, as a per-user service manager does, and then sleeps as the
// viewer, which does not host the engine; without one, init (or whoever adopts this test's orphans) takes it.
struct Leftover
{
    pid_t engine = 0;
    pid_t subreaper = 0;
};

Leftover leaveEngineProcessBehind(const QByteArray &engine, bool underSubreaper)
{
    const QByteArray viewer = NUVA_VIEWER_PATH;
    char script[] = "NUVAVIEW_SCRIPT=sleep:60000";
    char *const environment[] = {script, nullptr};
    int report[2];
    if (::pipe(report) != 0)
        return {};
    // Only calls that are safe between fork and exec in a program with threads.
    const pid_t outer = ::fork();
    if (outer == 0) {
        if (underSubreaper && ::prctl(PR_SET_CHILD_SUBREAPER, 1) != 0)
            ::_exit(126);
        const pid_t launcher = ::fork();
        if (launcher == 0) {
            const pid_t child = ::fork();
            if (child == 0) {
                ::execle(engine.constData(), engine.constData(), static_cast<char *>(nullptr), environment);
                ::_exit(127);
            }
            (void)!::write(report[1], &child, sizeof child);
            ::_exit(0);
        }
        ::waitpid(launcher, nullptr, 0);
        if (underSubreaper)
            ::execle(viewer.constData(), viewer.constData(), static_cast<char *>(nullptr), environment);
        ::_exit(0);
    }
    Leftover leftover;
    if (::read(report[0], &leftover.engine, sizeof leftover.engine) != ssize_t(sizeof leftover.engine))
        leftover.engine = 0;
    ::close(report[0]);
    ::close(report[1]);
    if (underSubreaper)
        leftover.subreaper = outer;
    else
        ::waitpid(outer, nullptr, 0);
    return leftover;
}

// The process's state letter, 0 once it has gone.
char stateOf(pid_t pid)
{
    const std::optional<ProcessEntry> entry = readProcess(pid);
    return entry ? entry->state : 0;
}

// The engine processes whose ancestors include host.
QList<pid_t> engineProcessesOf(qint64 host)
{
    QList<pid_t> found;
    for (const ProcessEntry &entry : readProcessesNamed(QStringLiteral("QtWebEngineProcess"))) {
        std::optional<ProcessEntry> ancestor = entry;
        for (int depth = 0; ancestor && ancestor->pid > 1 && depth < 64; ++depth) {
            if (ancestor->parentPid == host) {
                found << entry.pid;
                break;
            }
            ancestor = readProcess(ancestor->parentPid);
        }
    }
    return found;
}

// A process's resident memory in MiB, 0 once it has gone.
qint64 residentMib(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    const int at = text.indexOf("VmRSS:");
    return at < 0 ? 0 : text.mid(at + 6, 24).simplified().split(' ').value(0).toLongLong() / 1024;
}

// A copy of the client at workDir/folder/name, with the engine's module beside it as installed unless told otherwise;
// empty where it could not be made.
QString copyOfTheClient(const TestWorkDir &workDir, const QString &folder, const QString &name, bool withModule = true)
{
    const QString module = QStringLiteral("nuvagame_engine.so");
    const QString program = workDir.filePath(folder + QLatin1Char('/') + name);
    const bool copied = QDir(workDir.path()).mkpath(folder) && QFile::copy(NUVA_CLIENT_PATH, program)
        && (!withModule
            || QFile::copy(QFileInfo(NUVA_CLIENT_PATH).dir().filePath(module),
                workDir.filePath(folder + QLatin1Char('/') + module)));
    return copied ? program : QString();
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void closingTheWindowEndsTheEventLoopWithZero();
    void theSplashIsOnScreenBeforeTheEngineStarts();
    void altF4UnderAWindowManagerEndsCleanly();
    void aFullDiskDoesNotStopTheStart();
    void theCloseButtonEndsEveryOtherClientAndItself();
    void theCloseButtonEndsCleanlyEveryTime_data();
    void theCloseButtonEndsCleanlyEveryTime();
    void aScaledScreenKeepsTheWindowsSize_data();
    void aScaledScreenKeepsTheWindowsSize();
    void aDragAtAFractionalScaleFollowsThePointer();
    void leftoverEngineProcessesGoWhoeverAdoptedThem();
    void aProgramWithoutItsEngineModuleKeepsItsSplash();
    void aPageCanReachNothingButItsSurface();
    void aSessionWritesNoFrameworkWarnings();
    void anAnswerWithoutBoundNeitherFillsTheMemoryNorHoldsTheClient_data();
    void anAnswerWithoutBoundNeitherFillsTheMemoryNorHoldsTheClient();
    void aWindowStartedMinimisedLoadsItsPage();
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

    const std::optional<uint32_t> window = client.mappedWindow();
    QVERIFY2(window, client.log().right(2000).constData());

    // The demo page asks for /demo/ready only after it has reached the client over the web channel.
    QByteArray serviceLog;
    QTRY_VERIFY_WITH_TIMEOUT((serviceLog = service.log()).contains("GET /demo/ready"), 90000);
    QVERIFY(serviceLog.contains("GET / 200"));

    QVERIFY(client.closeWindow(*window));
    QVERIFY(client.log().contains("main() start....................."));
    QVERIFY2(!client.log().contains(kProfileWarning), client.log().right(2000).constData());
}

// The user sees the client at once: when the browser engine starts its first process, the window is already on screen
// with its title bar and splash, and the page then comes as usual.
void TestStartup::theSplashIsOnScreenBeforeTheEngineStarts()
{
    ServiceProcess service;
    QVERIFY(service.startForTestClient());
    TestWorkDir workDir;
    ClientHome home;
    ClientProcess client(home);
    const QString record = workDir.filePath(QStringLiteral("engine-start"));
    client.environment.insert(QStringLiteral("QTWEBENGINEPROCESS_PATH"), QStringLiteral(NUVA_ENGINE_START_PROBE_PATH));
    client.environment.insert(QStringLiteral("NUVA_PROBE_RECORD"), record);
    QVERIFY(client.start(workDir.path()));
    QTRY_VERIFY2_WITH_TIMEOUT(
        service.log().contains("GET /demo/ready"), (service.log() + client.log()).right(3000).constData(), 90000);

    QFile seen(record);
    QVERIFY(seen.open(QIODevice::ReadOnly));
    const QColor splash = QImage(workDir.filePath(QStringLiteral("images/init.png"))).pixelColor(100, 100);
    QCOMPARE(seen.readAll(), "mapped #2b3d55 " + splash.name().toLatin1());

    const std::optional<uint32_t> window = client.mappedWindow();
    QVERIFY(window && client.closeWindow(*window));
}

void TestStartup::altF4UnderAWindowManagerEndsCleanly()
{
    WindowManager openbox;
    if (!openbox.start())
        QSKIP(qPrintable(QStringLiteral("no window manager to close the window: ") + openbox.whyNot));
    ServiceProcess service;
    QVERIFY2(service.startForTestClient(), "the stand-in service did not start on the test address");
    TestWorkDir workDir;
    ClientHome home;
    ClientProcess client(home);
    // The window manager's key binding hears real key presses only: XInput 2 as on a desktop.
    client.environment.remove(QStringLiteral("QT_XCB_NO_XI2"));
    QVERIFY(client.start(workDir.path()));
    QTRY_VERIFY2_WITH_TIMEOUT(
        service.log().contains("GET /demo/ready"), (service.log() + client.log()).constData(), 90000);
    const std::optional<uint32_t> window = client.mappedWindow(10000);
    QVERIFY(window);

    const QString id = QString::number(*window);
    QVERIFY(actUntil(
        [&id] {
            xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), id});
            xdotool({QStringLiteral("key"), QStringLiteral("alt+F4")});
        },
        [&client] { return client.process.state() == QProcess::NotRunning; }));
    QVERIFY2(client.endsWithZero(0), client.log().right(3000).constData());
    QVERIFY2(!client.log().contains(kProfileWarning), client.log().right(3000).constData());
}

// Mesa's shader cache lives under the cache folder; on a full file system the driver died of SIGBUS writing to it
// during the window's first render.
void TestStartup::aFullDiskDoesNotStopTheStart()
{
    if (::geteuid() != 0)
        QSKIP("mounting a small file system to fill takes root");
    QTemporaryDir full;
    if (::mount("nuvatest", QFile::encodeName(full.path()).constData(), "tmpfs", 0, "size=4m") != 0)
        QSKIP(qPrintable(
            QStringLiteral("no small file system to fill: mount: ") + QString::fromLocal8Bit(strerror(errno))));
    const auto unmount = qScopeGuard([&full] { ::umount2(QFile::encodeName(full.path()).constData(), MNT_DETACH); });
    for (const char *folder : {"cache", "data"})
        QVERIFY(QDir(full.path()).mkpath(folder));
    QFile filler(full.filePath("filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly));
    const QByteArray block(64 * 1024, 'x');
    while (filler.write(block) == block.size() && filler.flush()) { }
    filler.close();

    ServiceProcess service;
    QVERIFY2(service.startForTestClient(), "the stand-in service did not start on the test address");
    TestWorkDir workDir;
    ClientHome home;
    ClientProcess client(home);
    client.environment.insert(QStringLiteral("HOME"), full.path());
    client.environment.insert(QStringLiteral("XDG_CACHE_HOME"), full.filePath("cache"));
    client.environment.insert(QStringLiteral("XDG_DATA_HOME"), full.filePath("data"));
    QVERIFY(client.start(workDir.path()));
    QTRY_VERIFY2_WITH_TIMEOUT(service.log().contains("GET /demo/ready") || client.process.state() != QProcess::Running,
        (service.log() + client.log()).constData(), 90000);
    QVERIFY2(service.log().contains("GET /demo/ready"), client.log().right(3000).constData());
    const std::optional<uint32_t> window = client.mappedWindow(10000);
    QVERIFY(window);
    QVERIFY(client.closeWindow(*window));
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
    const std::optional<uint32_t> window = client.mappedWindow();
    QVERIFY(window);

    // The close button covers x 918 to 959 of the 30-pixel title bar. Click until the client reacts: the first
    // events may reach it before it has settled its freshly mapped window.
    QVERIFY2(client.clickUntilEnded(*window, QPoint(938, 15)),
        (QByteArray::number(client.process.exitCode()) + " " + client.log().right(3000)).constData());
    // Its end may have been seen already while the clicks waited.
    QTRY_COMPARE_WITH_TIMEOUT(other.process.state(), QProcess::NotRunning, 5000);
    QCOMPARE(other.process.exitStatus(), QProcess::CrashExit); // killed
}

void TestStartup::theCloseButtonEndsCleanlyEveryTime_data()
{
    QTest::addColumn<int>("dpi");
    QTest::newRow("96 dpi") << 96;
    QTest::newRow("144 dpi") << 144;
}

// The exit action ends the process while the browser engine's threads still run; an end that races them shows only
// now and then, so it is tried ten times over, on an unscaled screen and a scaled one.
void TestStartup::theCloseButtonEndsCleanlyEveryTime()
{
    QFETCH(int, dpi);
    const ScreenDpi screen(dpi);
    const double scale = dpi / 96.0;
    ServiceProcess service;
    QVERIFY2(service.startForTestClient(), "the stand-in service did not start on the test address");
    TestWorkDir workDir;
    for (int round = 1; round <= 10; ++round) {
        ClientHome home;
        ClientProcess client(home);
        QVERIFY(client.start(workDir.path()));
        const std::optional<uint32_t> window = client.mappedWindow();
        QVERIFY(window);
        QTRY_VERIFY_WITH_TIMEOUT(service.log().count("GET /demo/ready") == round, 90000);
        QVERIFY2(client.clickUntilEnded(*window, QPoint(938, 15) * scale),
            qPrintable(QStringLiteral("round %1, exit status %2, exit code %3: %4")
                           .arg(round)
                           .arg(client.process.exitStatus())
                           .arg(client.process.exitCode())
                           .arg(QString::fromUtf8(client.log().right(3000)))));
    }
}

void TestStartup::aScaledScreenKeepsTheWindowsSize_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QByteArray>("page"); // devicePixelRatio, then the page's inner size in CSS pixels
    QTest::newRow("96 dpi") << 96 << QSize(960, 570) << QByteArray("1/960x540");
    QTest::newRow("144 dpi") << 144 << QSize(1440, 855) << QByteArray("1.5/960x540");
    QTest::newRow("192 dpi") << 192 << QSize(1920, 1140) << QByteArray("2/960x540");
}

// A scaled screen (Xft.dpi, as a desktop's scale setting sets it) scales the window, its title bar and its page by
// the same factor, a fractional one included, so that the client keeps its size and the page is drawn at the
// screen's own resolution.
void TestStartup::aScaledScreenKeepsTheWindowsSize()
{
    QFETCH(int, dpi);
    QFETCH(QSize, window);
    QFETCH(QByteArray, page);
    const ScreenDpi screen(dpi);
    ServiceProcess service;
    QVERIFY(service.startForTestClientWithPage(
        "(function report() {" // the view has no size until the load has finished and it replaces the splash
        "  if (!innerWidth || !innerHeight) return setTimeout(report, 50);"
        "  fetch('/page/scale/' + devicePixelRatio + '/' + innerWidth + 'x' + innerHeight);"
        "})();"));
    TestWorkDir workDir;
    ClientHome home;
    ClientProcess client(home);
    QVERIFY(client.start(workDir.path()));
    QTRY_VERIFY2_WITH_TIMEOUT(service.log().contains("GET /page/scale/"), client.log().right(2000).constData(), 90000);
    QVERIFY2(service.log().contains("GET /page/scale/" + page + " "), service.log().constData());
    const std::optional<uint32_t> mapped = client.mappedWindow(10000);
    QVERIFY(mapped);
    QCOMPARE(XWindows::size(*mapped), std::optional<QSize>(window));

    // The close button's place, scaled: x 938 and y 15 of the 960 x 570 window.
    QVERIFY(client.clickUntilEnded(*mapped, QPoint(938, 15) * (dpi / 96.0)));
}

// At 1.5 a logical pixel is one and a half of the screen's. A drag by 121 x 79 screen pixels, which no whole number of
// logical pixels makes, in the pointer's own steps, still moves the window by exactly as much as the pointer.
void TestStartup::aDragAtAFractionalScaleFollowsThePointer()
{
    const ScreenDpi screen(144);
    ServiceProcess service;
    QVERIFY(service.startForTestClient());
    TestWorkDir workDir;
    ClientHome home;
    ClientProcess client(home);
    QVERIFY(client.start(workDir.path()));
    const std::optional<uint32_t> window = client.mappedWindow();
    QVERIFY2(window, client.log().right(2000).constData());
    std::optional<QPoint> start;
    QTRY_VERIFY_WITH_TIMEOUT((start = XWindows::screenPosition(*window)).has_value(), 10000);

    // The bare title bar, left of the buttons, at its scaled place.
    const QPoint grabbed = *start + QPoint(450, 22);
    QStringList drag{QStringLiteral("mousemove"), QString::number(grabbed.x()), QString::number(grabbed.y()),
        QStringLiteral("mousedown"), QStringLiteral("1")};
    const QPoint delta(121, 79);
    for (int step = 1; step <= 8; ++step) {
        const QPoint at = grabbed + delta * step / 8;
        drag << QStringLiteral("mousemove") << QString::number(at.x()) << QString::number(at.y());
    }
    drag << QStringLiteral("mouseup") << QStringLiteral("1");
    QVERIFY(xdotool(drag));
    QTRY_COMPARE_WITH_TIMEOUT(XWindows::screenPosition(*window).value_or(QPoint(-1, -1)), *start + delta, 10000);

    QVERIFY(client.clickUntilEnded(*window, QPoint(938, 15) * 1.5));
}

void TestStartup::leftoverEngineProcessesGoWhoeverAdoptedThem()
{
    ServiceProcess service;
    QVERIFY2(service.startForTestClient(), "the stand-in service did not start on the test address");
    QVERIFY(XWindows::serverReachable());
    TestWorkDir workDir;

    // A live program that hosts the engine, under another name, with its engine processes running.
    ClientHome otherHome;
    ClientProcess other(otherHome);
    other.program = copyOfTheClient(workDir, QStringLiteral("other"), QStringLiteral("othergame"));
    QVERIFY(!other.program.isEmpty());
    QVERIFY(other.start(workDir.path()));
    const std::optional<uint32_t> otherWindow = other.mappedWindow();
    QVERIFY2(otherWindow, other.log().right(2000).constData());
    QList<pid_t> othersEngine;
    QTRY_VERIFY_WITH_TIMEOUT(!(othersEngine = engineProcessesOf(other.process.processId())).isEmpty(), 30000);

    // Two left behind by ended launchers: one taken over by a subreaper, one by whoever adopts orphans here.
    const QString engine = workDir.filePath("QtWebEngineProcess");
    QVERIFY(QFile::copy(NUVA_VIEWER_PATH, engine));
    const Leftover adoptedBySubreaper = leaveEngineProcessBehind(QFile::encodeName(engine), true);
    const Leftover orphaned = leaveEngineProcessBehind(QFile::encodeName(engine), false);
    // Whatever the outcome: a leftover holds the test's output open, and CTest would wait for it.
    const auto endLeftovers = qScopeGuard([&adoptedBySubreaper, &orphaned] {
        for (const pid_t pid : {adoptedBySubreaper.engine, orphaned.engine, adoptedBySubreaper.subreaper}) {
            if (pid > 0)
                ::kill(pid, SIGKILL);
        }
        if (adoptedBySubreaper.subreaper > 0)
            ::waitpid(adoptedBySubreaper.subreaper, nullptr, 0);
    });
    QVERIFY(adoptedBySubreaper.engine > 0 && orphaned.engine > 0);
    QTRY_VERIFY(readProcess(adoptedBySubreaper.engine)
        && readProcess(adoptedBySubreaper.engine)->parentPid == adoptedBySubreaper.subreaper);
    QTRY_COMPARE(stateOf(orphaned.engine), 'S');

    // The client's window opens after its engine kill.
    XWindows::MapRecorder maps;
    ClientHome home;
    ClientProcess client(home);
    QVERIFY(client.start(workDir.path()));
    QTRY_VERIFY2_WITH_TIMEOUT(!maps.mapped().isEmpty(), client.log().right(2000).constData(), 90000);

    QVERIFY(stateOf(adoptedBySubreaper.engine) == 0 || stateOf(adoptedBySubreaper.engine) == 'Z');
    QVERIFY(stateOf(orphaned.engine) == 0 || stateOf(orphaned.engine) == 'Z');
    for (const pid_t pid : othersEngine)
        QVERIFY2(stateOf(pid) != 0 && stateOf(pid) != 'Z', qPrintable(QString::number(pid)));
    QCOMPARE(other.process.state(), QProcess::Running);
    QVERIFY(client.closeWindow(maps.mapped().first()));
    QVERIFY(other.closeWindow(*otherWindow));
}

// A program copied without the engine's module beside it: the window stays up with its splash and says why.
void TestStartup::aProgramWithoutItsEngineModuleKeepsItsSplash()
{
    ServiceProcess service;
    QVERIFY2(service.startForTestClient(), "the stand-in service did not start on the test address");
    TestWorkDir workDir;
    ClientHome home;
    ClientProcess client(home);
    client.program = copyOfTheClient(workDir, QStringLiteral("alone"), QStringLiteral("nuvagame"), false);
    QVERIFY(!client.program.isEmpty());
    QVERIFY(client.start(workDir.path()));
    const std::optional<uint32_t> window = client.mappedWindow();
    QVERIFY2(window, client.log().right(2000).constData());
    QTRY_VERIFY_WITH_TIMEOUT(client.log().contains("the browser engine cannot be loaded"), 15000);
    QCOMPARE(client.process.state(), QProcess::Running);
    QVERIFY(engineProcessesOf(client.process.processId()).isEmpty());
    QVERIFY(client.closeWindow(*window));
}

// Everything the page can still find on its object beside the published members, called or set as a hostile script
// would: the client stays as it was.
void TestStartup::aPageCanReachNothingButItsSurface()
{
    ServiceProcess service;
    const QByteArray script = R"(
      const published = ['sendOrderShow', 'closeOrder', 'fpsChanged', 'disconnectNode', 'startGame', 'nuvabRegister',
        'orderStatus', 'getClientVersion', 'getOsVersion', 'getComputerAddress', 'downloadClientVersion'];
      const channelOwn = ['unwrapQObject', 'unwrapProperties', 'propertyUpdate', 'signalEmitted'];
      const tried = [];
      for (const name of Object.keys(bridge)) {
        // A method also stands under its full signature, such as startGame(QString).
        const base = name.split('(')[0];
        if (published.includes(base) || channelOwn.includes(base) || name.startsWith('__'))
          continue;
        const member = bridge[name];
        try {
          if (typeof member === 'function')
            member.call(bridge, 'x');
          else if (member && typeof member.connect === 'function')
            member.connect(function () {});
          else
            bridge[name] = false;
        } catch (e) {}
        tried.push(name);
      }
      bridge.getClientVersion(function (version) {
        fetch('/page/answered?version=' + version + '&tried=' + tried.join('+'));
      });)";
    QVERIFY(service.startForTestClientWithPage(script));
    TestWorkDir workDir;
    ClientHome home;
    ClientProcess client(home);
    QVERIFY(client.start(workDir.path()));

    QTRY_VERIFY_WITH_TIMEOUT(service.log().contains("GET /page/answered?version=1.0.4&tried="), 90000);
    QVERIFY(service.log().contains("deleteLater"));
    QVERIFY(service.log().contains("objectName"));
    const std::optional<uint32_t> window = client.mappedWindow(10000);
    QVERIFY2(window, client.log().right(2000).constData());

    ClientProcess later(home);
    QVERIFY(later.start(workDir.path()));
    QVERIFY2(later.endsWithZero(), later.log().right(2000).constData());
    QVERIFY(client.closeWindow(*window));
}

// A start, a game session, its end and the billing status: the client writes its described lines, and no warning of
// the framework about its own objects (style sheets, the channel's properties, layouts, connections, pictures).
void TestStartup::aSessionWritesNoFrameworkWarnings()
{
    ServiceProcess service;
    const QByteArray script = R"(
      bridge.sendOrderShow.connect(function (shown) {
        if (shown)
          return;
        bridge.disconnectNode(function () {
          bridge.orderStatus({balance: 12.5, unitPrice: 0.5, unitTime: 30, useTime: 150000, totalAmount: 30},
            function () { fetch('/page/done'); });
        });
      });
      bridge.startGame('demo order-1 x', function () {});)";
    QVERIFY(service.startForTestClientWithPage(script));
    TestWorkDir workDir;
    ClientHome home;
    ClientProcess client(home);
    client.environment.insert(QStringLiteral("NUVAVIEW_SCRIPT"), QStringLiteral("sleep:60000"));
    QVERIFY(client.start(workDir.path()));

    QTRY_VERIFY2_WITH_TIMEOUT(
        service.log().contains("GET /page/done"), (service.log() + client.log()).constData(), 90000);
    const std::optional<uint32_t> window = client.mappedWindow(10000);
    QVERIFY(window);
    QVERIFY(client.closeWindow(*window));
    const QByteArray log = client.log();
    QVERIFY2(log.contains("disconnectNode") && log.contains("\"12.5元\" \"0.5元/30分钟\" \"2分钟\""), log.constData());
    for (const char *warning : {"has no notify signal", "Could not parse stylesheet", "QCssParser", "QLayout",
             "QObject::connect", "QPixmap", "QWidget::", "QWebChannel", "QMetaObject"})
        QVERIFY2(!log.contains(warning), log.constData());
}

void TestStartup::anAnswerWithoutBoundNeitherFillsTheMemoryNorHoldsTheClient_data()
{
    QTest::addColumn<bool>("confirmation");
    QTest::addColumn<QString>("flood");
    for (const bool confirmation : {false, true}) {
        const char *request = confirmation ? "the order's confirmation" : "the update check";
        QTest::addRow("%s, as usual", request) << confirmation << QString();
        QTest::addRow("%s, without end", request) << confirmation << QStringLiteral("endless");
        QTest::addRow("%s, 50 MiB announced", request) << confirmation << QStringLiteral("52428800");
    }
}

// Both requests meet a service whose answers go on and on: the client's memory stays within a few MiB of what it
// holds with the usual answer (the row before), the request ends long before its time limit (10 s), and the client
// goes on as after a failed request: the window opens without an offer, the viewer starts without a node identifier.
void TestStartup::anAnswerWithoutBoundNeitherFillsTheMemoryNorHoldsTheClient()
{
    QFETCH(bool, confirmation);
    QFETCH(QString, flood);
    static QHash<bool, qint64> usualMib;
    ServiceProcess service;
    QVERIFY(service.startForTestClientWithPage(R"(
      fetch('/page/calling').then(function () {
        const started = Date.now();
        bridge.startGame('demo order-1 x', function () { fetch('/page/confirmed/' + (Date.now() - started)); });
      });)",
        flood.isEmpty() ? QStringList() : QStringList{QStringLiteral("--flood"), flood}));
    TestWorkDir workDir;
    ClientHome home;
    ClientProcess client(home);
    client.environment.insert(QStringLiteral("NUVAVIEW_SCRIPT"), QStringLiteral("exit:0"));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(client.start(workDir.path()));
    qint64 peakMib = 0;
    const auto sample = [&peakMib, &client] { peakMib = qMax(peakMib, residentMib(client.process.processId())); };
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, sample);
    sampler.start(20);

    // A usual request may be over before the sampler's next turn: what the client holds after it counts too.
    const std::optional<uint32_t> window = client.mappedWindow();
    QVERIFY2(window, client.log().right(3000).constData());
    sample();
    qint64 tookMs = clock.elapsed();
    if (confirmation) {
        QTRY_VERIFY_WITH_TIMEOUT(service.log().contains("GET /page/calling"), 90000);
        peakMib = 0;
        const QRegularExpression confirmed(QStringLiteral("GET /page/confirmed/(\\d+) "));
        QRegularExpressionMatch match;
        QTRY_VERIFY2_WITH_TIMEOUT((match = confirmed.match(QString::fromLatin1(service.log()))).hasMatch(),
            (service.log() + client.log()).right(3000).constData(), 30000);
        tookMs = match.captured(1).toLongLong();
        sample();
        QCOMPARE(client.log().contains("node-order-1"), flood.isEmpty());
    }
    QVERIFY2(tookMs < 10000, qPrintable(QStringLiteral("the request took %1 ms").arg(tookMs)));
    qInfo("resident memory's peak: %lld MiB; the request and what follows took %lld ms", peakMib, tookMs);
    if (flood.isEmpty())
        usualMib[confirmation] = peakMib;
    else
        QVERIFY2(peakMib <= usualMib.value(confirmation) + 64,
            qPrintable(QStringLiteral("%1 MiB against %2 as usual").arg(peakMib).arg(usualMib.value(confirmation))));
    QVERIFY(client.closeWindow(*window));
}

// Started minimised (iconic from its first map, by a window manager's rule) the window is never painted; its page
// comes all the same, and restoring the window shows the page, not the splash.
void TestStartup::aWindowStartedMinimisedLoadsItsPage()
{
    QTemporaryDir configuration;
    QFile rules(configuration.filePath(QStringLiteral("rc.xml")));
    QVERIFY(rules.open(QIODevice::WriteOnly));
    rules.write(R"(<?xml version="1.0"?><openbox_config xmlns="http://openbox.org/3.4/rc"><applications>)"
                R"(<application title="nuvagame"><iconic>yes</iconic></application></applications></openbox_config>)");
    rules.close();
    WindowManager openbox(rules.fileName());
    if (!openbox.start())
        QSKIP(qPrintable(QStringLiteral("no window manager to start the window minimised: ") + openbox.whyNot));
    ServiceProcess service;
    QVERIFY(service.startForTestClient());
    TestWorkDir workDir;
    ClientHome home;
    ClientProcess client(home);
    QVERIFY(client.start(workDir.path()));

    QTRY_VERIFY2_WITH_TIMEOUT(
        service.log().contains("GET /demo/ready"), (service.log() + client.log()).right(3000).constData(), 15000);
    QVERIFY(!client.mappedWindow(0));
    QVERIFY(xdotool({QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^nuvagame$"),
        QStringLiteral("windowactivate"), QStringLiteral("%@")}));
    const std::optional<uint32_t> window = client.mappedWindow(10000);
    QVERIFY(window);
    const QColor splash = QImage(workDir.filePath(QStringLiteral("images/init.png"))).pixelColor(100, 100);
    QTRY_VERIFY(XWindows::pixel(*window, QPoint(100, 130)).value_or(splash) != splash);
    QVERIFY(client.closeWindow(*window));
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
