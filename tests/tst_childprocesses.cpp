// What the programs the client starts receive of it, seen from outside in /proc while they run: the viewer, and the
// desktop's URL handler (xdg-open), each started by a real client process for a page of the test's own.

#include "bridge/browserlink.h"
#include "clientprocess.h"
#include "platform/linux/procfs.h"
#include "retry.h"
#include "serviceprocess.h"
#include "updateprompt.h"
#include "workdir.h"
#include "xwindows.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The descriptor numbers a process holds, as /proc lists them.
QStringList descriptorsOf(qint64 pid)
{
    QStringList numbers
        = QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    std::sort(numbers.begin(), numbers.end(), [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); });
    return numbers;
}

// Whether the process runs (or sleeps), rather than having ended.
bool runs(qint64 pid)
{
    const std::optional<ProcessEntry> entry = readProcess(pid_t(pid));
    return entry && entry->state != 'Z';
}

// The pids in a file that scripts append their own to, one a line.
QList<qint64> pidsIn(const QString &path)
{
    QFile file(path);
    QList<qint64> pids;
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (!line.isEmpty())
                pids << line.toLongLong();
        }
    }
    return pids;
}

// A program that notes its pid in $NUVA_TEST_PIDS and becomes a sleep: the shell's own script descriptor goes with
// the exec, so what the sleep holds is exactly what it was given.
bool writeRecordingProgram(const QString &path)
{
    QFile script(path);
    QFile::remove(path);
    if (!script.open(QIODevice::WriteOnly))
        return false;
    script.write("#!/bin/sh\necho $$ >> \"$NUVA_TEST_PIDS\"\nexec sleep 60\n");
    return script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// The client's browser-engine processes: those of the engine's name that descend from it.
QList<qint64> engineProcessesBelow(qint64 client)
{
    QList<qint64> engines;
    for (const ProcessEntry &entry : readProcessesNamed(QStringLiteral("QtWebEngineProcess"))) {
        std::optional<ProcessEntry> ancestor = entry;
        for (int depth = 0; ancestor && depth < 8; ++depth) {
            if (ancestor->parentPid == client) {
                engines << entry.pid;
                break;
            }
            ancestor = readProcess(ancestor->parentPid);
        }
    }
    return engines;
}

// The pid the stand-in viewer recorded at its start; 0 before it has.
qint64 recordedViewer(const QString &record)
{
    QFile file(record);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return QJsonDocument::fromJson(file.readLine()).object().value(QStringLiteral("pid")).toVariant().toLongLong();
}

} // namespace

class TestChildProcesses : public QObject
{
    Q_OBJECT

private slots:
    void theViewerAndTheBrowserGetOnlyTheirStandardStreams();
    void aViewerThatOutlivesTheClientHoldsNothingOfIt();
    void aLinkOpenedWhileOtherThreadsOpenDescriptorsGetsNoneOfThem();
};

void TestChildProcesses::theViewerAndTheBrowserGetOnlyTheirStandardStreams()
{
    ServiceProcess service;
    QVERIFY(service.startForTestClientWithPage(R"(
      bridge.nuvabRegister('http://127.0.0.1/register', function () {
        bridge.startGame('demo order-1 x', function () { fetch('/page/started'); });
      });)"));
    TestWorkDir workDir;
    ClientHome home;
    const QString pids = home.path() + QStringLiteral("/pids");
    QVERIFY(writeRecordingProgram(workDir.filePath(QStringLiteral("nuvaview/nuvaview.exe"))));
    QVERIFY(QDir().mkpath(home.path() + QStringLiteral("/bin")));
    QVERIFY(writeRecordingProgram(home.path() + QStringLiteral("/bin/xdg-open")));
    ClientProcess client(home);
    client.environment.insert(QStringLiteral("NUVA_TEST_PIDS"), pids);
    client.environment.insert(QStringLiteral("PATH"),
        home.path() + QStringLiteral("/bin:") + client.environment.value(QStringLiteral("PATH")));
    QVERIFY(client.start(workDir.path()));

    QList<qint64> started;
    QTRY_VERIFY2_WITH_TIMEOUT(
        (started = pidsIn(pids)).size() == 2, (service.log() + client.log()).right(3000).constData(), 90000);
    for (const qint64 pid : started) {
        QTRY_COMPARE(QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid)), QStringLiteral("/usr/bin/sleep"));
        QCOMPARE(descriptorsOf(pid), (QStringList{"0", "1", "2"}));
        ::kill(pid_t(pid), SIGKILL);
    }
    const std::optional<uint32_t> window = client.mappedWindow(10000);
    QVERIFY(window);
    QVERIFY(client.closeWindow(*window));
}

// The viewer is meant to outlive the client. Holding the engine's sockets, it kept the engine's processes running,
// and they the profile's files open, so that the next start could not clear them.
void TestChildProcesses::aViewerThatOutlivesTheClientHoldsNothingOfIt()
{
    auto service = std::make_unique<ServiceProcess>();
    QVERIFY(service->startForTestClientWithPage("bridge.startGame('demo order-1 x', function () {});"));
    TestWorkDir workDir;
    ClientHome home;
    const QString record = home.path() + QStringLiteral("/viewers");
    ClientProcess client(home);
    client.environment.insert(QStringLiteral("NUVAVIEW_SCRIPT"), QStringLiteral("sleep:60000"));
    client.environment.insert(QStringLiteral("NUVAVIEW_RECORD"), record);
    QVERIFY(client.start(workDir.path()));
    const std::optional<uint32_t> window = client.mappedWindow();
    QVERIFY(window);
    qint64 viewer = 0;
    QTRY_VERIFY2_WITH_TIMEOUT((viewer = recordedViewer(record)) > 0, client.log().right(3000).constData(), 30000);
    const auto endViewer = qScopeGuard([viewer] { ::kill(pid_t(viewer), SIGKILL); });
    const QString gpuCache = home.profileFolder() + QStringLiteral("/GPUCache");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(gpuCache + QStringLiteral("/index")), 30000);
    const QList<qint64> engines = engineProcessesBelow(client.process.processId());
    QVERIFY(!engines.isEmpty());

    // The close button covers x 918 to 959 of the title bar.
    const uint32_t clientWindow = *window;
    QVERIFY(actUntil([clientWindow] { XWindows::click(clientWindow, 938, 15); },
        [&client] { return client.process.state() == QProcess::NotRunning; }));
    QVERIFY2(client.endsWithZero(0), client.log().right(3000).constData());
    QVERIFY(runs(viewer));
    QTRY_VERIFY_WITH_TIMEOUT(std::none_of(engines.begin(), engines.end(), runs), 5000);

    // The next start, offered an update it cannot open, clears the profile and ends before its own engine starts.
    service.reset(new ServiceProcess);
    QVERIFY(service->startForTestClient({QStringLiteral("--offer-update"), QStringLiteral("file:///nowhere")}));
    ClientProcess next(home);
    QVERIFY(next.start(workDir.path()));
    QVERIFY2(dismissUpdatePrompt(next.process, PromptDismissal::CloseButton), next.log().right(2000).constData());
    QVERIFY(next.endsWithZero());
    QVERIFY(runs(viewer));
    QVERIFY2(!QFileInfo::exists(gpuCache), qPrintable(QDir(gpuCache).entryList(QDir::Files).join(' ')));
}

// The engine's threads open and close descriptors all the time, most of them not close-on-exec; a link opened
// meanwhile must hand the desktop's opener none of them, whenever they were opened.
void TestChildProcesses::aLinkOpenedWhileOtherThreadsOpenDescriptorsGetsNoneOfThem()
{
    QTemporaryDir home;
    const QString pids = home.filePath(QStringLiteral("pids"));
    QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("bin"))));
    QVERIFY(writeRecordingProgram(home.filePath(QStringLiteral("bin/xdg-open"))));
    qputenv("NUVA_TEST_PIDS", QFile::encodeName(pids));
    qputenv("PATH", QFile::encodeName(home.filePath(QStringLiteral("bin"))) + ':' + qgetenv("PATH"));
    std::atomic<bool> stop{false};
    std::thread busy([&stop] {
        while (!stop) {
            int descriptors[8];
            for (int &descriptor : descriptors)
                descriptor = ::open("/dev/null", O_RDONLY);
            for (const int descriptor : descriptors)
                ::close(descriptor);
        }
    });
    const auto stopBusy = qScopeGuard([&stop, &busy] {
        stop = true;
        busy.join();
    });

    constexpr int links = 5;
    for (int i = 0; i < links; ++i)
        QVERIFY(openInBrowser(QStringLiteral("http://127.0.0.1/link")));
    QList<qint64> started;
    QTRY_VERIFY((started = pidsIn(pids)).size() == links);
    for (const qint64 pid : started) {
        QTRY_COMPARE(QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid)), QStringLiteral("/usr/bin/sleep"));
        QCOMPARE(descriptorsOf(pid), (QStringList{"0", "1", "2"}));
        ::kill(pid_t(pid), SIGKILL);
    }
}

QTEST_GUILESS_MAIN(TestChildProcesses)
#include "tst_childprocesses.moc"
