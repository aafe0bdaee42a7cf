// The Linux process layer against real processes: listing and killing by image name. Strays of the browser engine are
// met by a real start, in the start-up tests.

#include "platform/linux/procfs.h"
#include "platform/processes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kViewer = QStringLiteral("nuvaview.exe");

// Every child started here, so that a failing test still leaves none behind.
QList<pid_t> g_children;

// Starts a program with a viewer script in its environment, without any reaping of our own: the caller decides
// when the child is waited for, so that it can be seen as a zombie first.
pid_t spawn(const QString &program, const char *script, uid_t asUser = uid_t(-1))
{
    const QByteArray path = QFile::encodeName(program);
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("NUVAVIEW_SCRIPT", script, 1);
        if (asUser != uid_t(-1) && setuid(asUser) != 0)
            _exit(126);
        execl(path.constData(), path.constData(), static_cast<char *>(nullptr));
        _exit(127);
    }
    g_children.append(pid);
    return pid;
}

char stateOf(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    char state = 0;
    pid_t parent = 0;
    if (!stat.open(QIODevice::ReadOnly) || !parseProcessStat(stat.readAll(), state, parent))
        return 0;
    return state;
}

bool listed(pid_t pid)
{
    return listProcessesByImageName(kViewer).contains(QStringLiteral(" %1\n").arg(pid));
}

void reap(pid_t pid)
{
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    g_children.removeAll(pid);
}

} // namespace

class TestProcesses : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void readsProcStatAndExeLinks();
    void listsRunningViewersButNotZombies();
    void killReturnsOnlyOnceEveryTargetIsGone();
    void killLeavesOtherUsersAndOtherNamesAlone();
    void killOthersSparesTheCaller();
    void theRendererKillEndsOnlyAnEngineProcessBelowTheClient();
};

void TestProcesses::cleanup()
{
    for (const pid_t pid : qAsConst(g_children)) {
        if (kill(pid, SIGKILL) == 0)
            waitpid(pid, nullptr, 0);
    }
    g_children.clear();
}

void TestProcesses::readsProcStatAndExeLinks()
{
    char state = 0;
    pid_t parent = 0;
    QVERIFY(parseProcessStat("4242 (a) b (c)) S 17 4242 4242 0 -1", state, parent));
    QCOMPARE(state, 'S');
    QCOMPARE(parent, pid_t(17));
    QVERIFY(!parseProcessStat("4242 no parenthesis", state, parent));
    QVERIFY(!parseProcessStat("", state, parent));

    QCOMPARE(imageNameFromExeLink("/opt/app/nuvaview.exe"), kViewer);
    QCOMPARE(imageNameFromExeLink("/opt/app/nuvaview.exe (deleted)"), kViewer);

    const QString none = formatProcessListing(kViewer, {});
    QVERIFY(!none.contains("PID"));
    ProcessEntry zombie{12, 1, 0, 'Z', kViewer};
    QVERIFY(!formatProcessListing(kViewer, {zombie}).contains("PID"));
    ProcessEntry other{13, 1, 0, 'S', "nuvaview"};
    QVERIFY(!formatProcessListing(kViewer, {other}).contains("PID"));
    ProcessEntry running{14, 1, 0, 'S', kViewer};
    QVERIFY(formatProcessListing(kViewer, {zombie, running}).contains("PID"));
}

void TestProcesses::listsRunningViewersButNotZombies()
{
    const pid_t sleeper = spawn(NUVA_VIEWER_PATH, "sleep:60000");
    const pid_t quitter = spawn(NUVA_VIEWER_PATH, "exit:0");
    QTRY_VERIFY(listed(sleeper));
    QTRY_COMPARE(stateOf(quitter), 'Z'); // ended, and we have not reaped it
    QVERIFY(!listed(quitter));
    QVERIFY(listProcessesByImageName(kViewer).contains("PID"));

    reap(sleeper);
    reap(quitter);
    QVERIFY(!listProcessesByImageName(kViewer).contains("PID"));
}

void TestProcesses::killReturnsOnlyOnceEveryTargetIsGone()
{
    const pid_t first = spawn(NUVA_VIEWER_PATH, "sleep:60000");
    const pid_t second = spawn(NUVA_VIEWER_PATH, "sleep:60000");
    QTRY_VERIFY(listed(first) && listed(second));

    killProcessesByImageName(kViewer);
    // No waiting here: the kill itself has waited.
    QCOMPARE(stateOf(first), 'Z');
    QCOMPARE(stateOf(second), 'Z');
    QVERIFY(!listProcessesByImageName(kViewer).contains("PID"));
    reap(first);
    reap(second);

    killProcessesByImageName(kViewer); // nothing to kill: returns at once, nothing happens
}

void TestProcesses::killLeavesOtherUsersAndOtherNamesAlone()
{
    QTemporaryDir dir;
    const QString otherName = dir.filePath("nuvaview");
    QVERIFY(QFile::copy(NUVA_VIEWER_PATH, otherName));
    const pid_t similar = spawn(otherName, "sleep:60000");

    // Another user's viewer, run from a copy that user may execute (the build folder may be closed to others).
    pid_t foreign = -1;
    QTemporaryDir shared(QStringLiteral("/tmp/nuvaview-shared-XXXXXX"));
    if (getuid() == 0) {
        const QString copy = shared.filePath(kViewer);
        QVERIFY(QFile::copy(NUVA_VIEWER_PATH, copy));
        QCOMPARE(::chmod(QFile::encodeName(shared.path()).constData(), 0755), 0);
        QCOMPARE(::chmod(QFile::encodeName(copy).constData(), 0755), 0);
        foreign = spawn(copy, "sleep:60000", 65534);
        QTRY_VERIFY(listed(foreign)); // listed whoever runs it, as tasklist does
    }
    QTRY_COMPARE(stateOf(similar), 'S');

    killProcessesByImageName(kViewer);
    QCOMPARE(stateOf(similar), 'S');
    if (foreign > 0) {
        QVERIFY(stateOf(foreign) != 'Z' && stateOf(foreign) != 0);
        reap(foreign);
    }
    reap(similar);
    if (foreign <= 0)
        QSKIP("another user's process needs root to start; the rest was checked");
}

void TestProcesses::killOthersSparesTheCaller()
{
    // The test program's own image name stands in for the client's.
    const QString self = imageNameFromExeLink(QFile::symLinkTarget("/proc/self/exe"));
    const pid_t twin = fork();
    if (twin == 0) {
        pause();
        _exit(0);
    }
    QTRY_COMPARE(stateOf(twin), 'S');
    killOtherProcessesByImageName(self);
    QCOMPARE(stateOf(twin), 'Z');
    waitpid(twin, nullptr, 0);
}

// The page recovery hands over the renderer ID the engine last reported, which may by then name another process.
void TestProcesses::theRendererKillEndsOnlyAnEngineProcessBelowTheClient()
{
    QTemporaryDir dir;
    const QString engineCopy = dir.filePath(browserEngineImageName());
    QVERIFY(QFile::copy(NUVA_VIEWER_PATH, engineCopy));
    const pid_t engine = spawn(engineCopy, "sleep:60000");
    const pid_t viewer = spawn(NUVA_VIEWER_PATH, "sleep:60000");
    QTRY_VERIFY(stateOf(engine) == 'S' && stateOf(viewer) == 'S');

    QVERIFY(!killBrowserEngineProcess(viewer));
    QCOMPARE(stateOf(viewer), 'S');
    QVERIFY(killBrowserEngineProcess(engine));
    QTRY_COMPARE(stateOf(engine), 'Z');
    QVERIFY(!killBrowserEngineProcess(engine)); // ended already
    reap(engine);
    QVERIFY(!killBrowserEngineProcess(engine)); // gone
    reap(viewer);
}

QTEST_GUILESS_MAIN(TestProcesses)
#include "tst_processes.moc"
