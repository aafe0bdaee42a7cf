// The client's window as a Windows program under Wine, the way a Windows user meets it: nuvagame.exe (the client built
// with Qt for Windows, with a plain page where the browser engine would be) on the test's X server, beside a real tray
// host, driven by real input. What Windows itself says of the window comes from windowprobe.exe beside it.
//
// Run by tools/windows-check.sh, which builds both, gives a Wine prefix of its own and names the loader
// (NUVA_WINE_LOADER) and the programs' folder (NUVA_WINE_PROGRAMS).

#include "childprocess.h"
#include "desktop.h"
#include "xwindows.h"

#include <QProcess>
#include <QTest>

#include <optional>

namespace {

constexpr uint32_t kSystemMenu = 0x00080000; // WS_SYSMENU
constexpr uint32_t kMinimizeBox = 0x00020000; // WS_MINIMIZEBOX
constexpr uint32_t kFrame = 0x00C00000 | 0x00040000; // WS_CAPTION, WS_THICKFRAME
const QPoint kMinimiseButton(960 - 63, 15);

// A run of a Windows program of the folder under the loader.
QProcess *startWindowsProgram(QProcess &process, const QString &program, const QStringList &arguments = {})
{
    process.setWorkingDirectory(qEnvironmentVariable("NUVA_WINE_PROGRAMS"));
    process.start(qEnvironmentVariable("NUVA_WINE_LOADER"), QStringList{program} + arguments);
    return &process;
}

// windowprobe.exe's answer to command, trimmed; empty when it failed.
QString probe(const QString &command)
{
    QProcess probe;
    startWindowsProgram(probe, QStringLiteral("./windowprobe.exe"), {command});
    if (!probe.waitForFinished(60000) || probe.exitCode() != 0)
        return QString();
    return QString::fromLatin1(probe.readAllStandardOutput()).trimmed();
}

uint32_t style()
{
    return probe(QStringLiteral("style")).toUInt(nullptr, 16);
}

// The client under Wine, ended by its PID with the object.
struct WineClient : ChildProcess
{
    WineClient() { startWindowsProgram(process, QStringLiteral("./nuvagame.exe")); }

    // Its window, once mapped (the title is its own, the size larger than its tray menu's).
    std::optional<uint32_t> window(int timeoutMs = 60000)
    {
        std::optional<uint32_t> found;
        const bool mapped = QTest::qWaitFor(
            [&found] {
                found = XWindows::findMapped(QStringLiteral("nuvagame"));
                return found && XWindows::size(*found).value_or(QSize()).width() >= 960;
            },
            timeoutMs);
        return mapped ? found : std::nullopt;
    }
    bool endsWithZero()
    {
        return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
    }
};

bool clickAt(const QPoint &at, const QString &button = QStringLiteral("1"), int times = 1)
{
    return xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
        QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(times), QStringLiteral("--delay"),
        QStringLiteral("100"), button});
}

// Clicks a point of the window, given in its own pixels.
bool clickIn(uint32_t window, const QPoint &at)
{
    const std::optional<QPoint> origin = XWindows::screenPosition(window);
    return origin && clickAt(*origin + at);
}

// The middle of the client's icon in the tray host's panel, once it is there: the newest one, as the icon of a client
// that ended may take a moment to go.
std::optional<QPoint> trayIconCentre()
{
    const std::optional<uint32_t> panel = XWindows::findMapped(QStringLiteral("panel"));
    std::optional<QPoint> newest;
    for (const uint32_t icon : panel ? XWindows::mappedChildren(*panel) : QList<uint32_t>()) {
        const QSize size = XWindows::size(icon).value_or(QSize());
        const std::optional<QPoint> at = XWindows::screenPosition(icon);
        if (at && size.width() > 4)
            newest = *at + QPoint(size.width() / 2, size.height() / 2);
    }
    return newest;
}

// Hides the window to the tray with its minimise button, and gives the tray icon's middle.
std::optional<QPoint> hideToTheTray(uint32_t window)
{
    std::optional<QPoint> icon;
    const bool hidden = clickIn(window, kMinimiseButton)
        && QTest::qWaitFor([] { return !XWindows::findMapped(QStringLiteral("nuvagame")); }, 10000)
        && QTest::qWaitFor([&icon] { return (icon = trayIconCentre()).has_value(); }, 10000);
    return hidden ? icon : std::nullopt;
}

} // namespace

class TestWineWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void itMapsFramelessAt960x570WithTheBarsColour();
    void aDragOnTheBarMovesIt();
    void theMinimiseButtonHidesItToTheTrayAndADoubleClickThereShowsIt();
    void theSystemsMinimiseAndRestoreWork();
    void aSecondStartEndsWithZeroAndShowsTheHiddenWindow();
    void theTrayMenusExitEndsItWithZero();
    void aScreenAt144DpiGetsItAt1440x855();

private:
    TrayHost m_tray;
};

void TestWineWindow::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("NUVA_WINE_LOADER") || qEnvironmentVariableIsEmpty("NUVA_WINE_PROGRAMS"))
        QSKIP("run by tools/windows-check.sh, which names the Wine loader and the Windows programs");
    QVERIFY2(m_tray.start(), qPrintable(m_tray.whyNot));
}

void TestWineWindow::itMapsFramelessAt960x570WithTheBarsColour()
{
    WineClient client;
    const std::optional<uint32_t> window = client.window();
    QVERIFY(window);
    QCOMPARE(XWindows::size(*window), std::optional<QSize>(QSize(960, 570)));
    QCOMPARE(style() & kFrame, 0u);
    QTRY_COMPARE(XWindows::pixel(*window, QPoint(100, 15)), std::optional<QColor>(QColor(43, 61, 85)));
}

void TestWineWindow::aDragOnTheBarMovesIt()
{
    WineClient client;
    const std::optional<uint32_t> window = client.window();
    QVERIFY(window);
    const QPoint start = XWindows::screenPosition(*window).value_or(QPoint());
    const QPoint grabbed = start + QPoint(300, 15);
    QStringList drag{QStringLiteral("mousemove"), QString::number(grabbed.x()), QString::number(grabbed.y()),
        QStringLiteral("mousedown"), QStringLiteral("1")};
    for (int step = 0; step < 6; ++step)
        drag << QStringLiteral("sleep") << QStringLiteral("0.1") << QStringLiteral("mousemove_relative")
             << QStringLiteral("--") << QStringLiteral("20") << QStringLiteral("10");
    QVERIFY(xdotool(drag + QStringList{QStringLiteral("mouseup"), QStringLiteral("1")}));
    QTRY_COMPARE(XWindows::screenPosition(*window), std::optional<QPoint>(start + QPoint(120, 60)));
}

void TestWineWindow::theMinimiseButtonHidesItToTheTrayAndADoubleClickThereShowsIt()
{
    WineClient client;
    const std::optional<uint32_t> window = client.window();
    QVERIFY(window);
    const std::optional<QPoint> icon = hideToTheTray(*window);
    QVERIFY(icon);
    QVERIFY(clickAt(*icon, QStringLiteral("1"), 2));
    QVERIFY(client.window(10000));
}

// WS_SYSMENU and WS_MINIMIZEBOX let the task bar button and the system menu minimise and restore a frameless window,
// and tell Qt of it.
void TestWineWindow::theSystemsMinimiseAndRestoreWork()
{
    WineClient client;
    QVERIFY(client.window());
    QCOMPARE(style() & (kSystemMenu | kMinimizeBox), kSystemMenu | kMinimizeBox);
    QVERIFY(probe(QStringLiteral("minimize")).isEmpty());
    QTRY_COMPARE(probe(QStringLiteral("iconic")), QStringLiteral("1"));
    QVERIFY(probe(QStringLiteral("restore")).isEmpty());
    QTRY_COMPARE(probe(QStringLiteral("iconic")), QStringLiteral("0"));
    QVERIFY(client.window(10000));
}

void TestWineWindow::aSecondStartEndsWithZeroAndShowsTheHiddenWindow()
{
    WineClient client;
    const std::optional<uint32_t> window = client.window();
    QVERIFY(window);
    QVERIFY(hideToTheTray(*window));
    WineClient later;
    QVERIFY(later.endsWithZero());
    QVERIFY(client.window(10000));
}

void TestWineWindow::theTrayMenusExitEndsItWithZero()
{
    WineClient client;
    const std::optional<uint32_t> window = client.window();
    QVERIFY(window);
    const std::optional<QPoint> icon = hideToTheTray(*window);
    QVERIFY(icon);
    // The menu opens above the icon with its two entries and a separator between them: "退出" is the last.
    std::optional<uint32_t> menu;
    QVERIFY(QTest::qWaitFor(
        [&icon, &menu] {
            clickAt(*icon, QStringLiteral("3"));
            return QTest::qWaitFor(
                [&menu] { return (menu = XWindows::findMapped(QStringLiteral("nuvagame"))).has_value(); }, 2000);
        },
        20000));
    const QSize size = XWindows::size(*menu).value_or(QSize());
    QVERIFY(clickIn(*menu, QPoint(size.width() / 3, size.height() * 3 / 4)));
    QVERIFY(client.endsWithZero());
}

void TestWineWindow::aScreenAt144DpiGetsItAt1440x855()
{
    QProcess setting;
    const QStringList key{
        QStringLiteral("HKCU\\Control Panel\\Desktop"), QStringLiteral("/v"), QStringLiteral("LogPixels")};
    startWindowsProgram(setting, QStringLiteral("reg"),
        QStringList{QStringLiteral("add")} + key + QStringList{"/t", "REG_DWORD", "/d", "144", "/f"});
    QVERIFY(setting.waitForFinished(60000) && setting.exitCode() == 0);
    WineClient client;
    const std::optional<uint32_t> window = client.window();
    startWindowsProgram(
        setting, QStringLiteral("reg"), QStringList{QStringLiteral("delete")} + key + QStringList{"/f"});
    QVERIFY(setting.waitForFinished(60000));
    QVERIFY(window);
    QCOMPARE(XWindows::size(*window), std::optional<QSize>(QSize(1440, 855)));
}

QTEST_GUILESS_MAIN(TestWineWindow)
#include "winewindowcheck.moc"
