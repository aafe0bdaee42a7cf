#include "platform/processes.h"

#include "platform/killwait.h"
#include "procfs.h"

#include <QHash>
#include <QVector>

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

namespace {

// What every program that hosts the browser engine has loaded, the engine's helper processes too.
const QByteArray kEngineLibrary = QByteArrayLiteral("/libQt5WebEngineCore.so");

qint64 nowMs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool isGoneOrZombie(pid_t pid)
{
    const std::optional<ProcessEntry> entry = readProcess(pid);
    return !entry || entry->state == 'Z';
}

// Sends SIGKILL to each and waits until each has ended. A pidfd names the process itself, so a PID reused in the
// meantime is never hit, and poll() wakes exactly when a process ends; where pidfds are missing, the wait polls.
void killAndWait(const QVector<pid_t> &pids)
{
    QVector<pollfd> waits;
    QVector<pid_t> unwatched;
    for (const pid_t pid : pids) {
        const int fd = int(syscall(SYS_pidfd_open, pid, 0));
        if (fd >= 0 && syscall(SYS_pidfd_send_signal, fd, SIGKILL, nullptr, 0) == 0) {
            waits.append({fd, POLLIN, 0});
            continue;
        }
        if (fd >= 0)
            close(fd);
        if (kill(pid, SIGKILL) == 0)
            unwatched.append(pid);
    }

    const qint64 deadline = nowMs() + kKillWaitMs;
    for (pollfd &wait : waits) {
        while (poll(&wait, 1, int(qMax<qint64>(0, deadline - nowMs()))) < 0 && errno == EINTR) { }
        close(wait.fd);
    }
    for (const pid_t pid : unwatched) {
        while (!isGoneOrZombie(pid) && nowMs() < deadline)
            usleep(5000);
    }
}

bool isOwnRunningProcess(const ProcessEntry &entry, const QString &imageName)
{
    return entry.owner == getuid() && entry.state != 'Z' && entry.imageName == imageName;
}

void killMatching(const QString &imageName, bool spareSelf)
{
    QVector<pid_t> targets;
    for (const ProcessEntry &entry : readProcessesNamed(imageName)) {
        if (isOwnRunningProcess(entry, imageName) && !(spareSelf && entry.pid == getpid()))
            targets.append(entry.pid);
    }
    killAndWait(targets);
}

// The engine starts its renderers through a helper of its own (its zygote), a few generations below the client.
bool descendsFromThisProcess(pid_t pid)
{
    std::optional<ProcessEntry> entry = readProcess(pid);
    for (int depth = 0; entry && depth < 8; ++depth) {
        if (entry->parentPid == getpid())
            return true;
        entry = readProcess(entry->parentPid);
    }
    return false;
}

// One of this client's engine processes, never another child such as the viewer. A sandboxed renderer hides its
// executable link, so its name may be the kernel's command name, which is cut to 15 characters.
bool isEngineProcessBelowThisOne(pid_t pid)
{
    const std::optional<ProcessEntry> entry = readProcess(pid);
    const QString engine = browserEngineImageName();
    return entry && entry->state != 'Z' && (entry->imageName == engine || entry->imageName == engine.left(15))
        && descendsFromThisProcess(pid);
}

} // namespace

QString browserEngineImageName()
{
    return QStringLiteral("QtWebEngineProcess");
}

QString clientImageName()
{
    return QStringLiteral("nuvagame");
}

void killProcessesByImageName(const QString &imageName)
{
    killMatching(imageName, false);
}

void killOtherProcessesByImageName(const QString &imageName)
{
    killMatching(imageName, true);
}

// An engine process is left behind when the program that launched it has ended. Climbing its ancestors past the
// engine's own helper processes, the first other one is the launcher while it lives: a program that hosts the
// engine, and so has the engine's library loaded. Once the launcher has ended, init or a subreaper (such as a
// per-user service manager) has adopted the process, and neither hosts the engine.
void killLeftoverBrowserEngineProcesses()
{
    const QString engine = browserEngineImageName();
    const QList<ProcessEntry> processes = readProcessesNamed(engine);
    QHash<pid_t, ProcessEntry> byPid;
    for (const ProcessEntry &entry : processes)
        byPid.insert(entry.pid, entry);
    // The first ancestor of another image, read when the climb gets there; nothing when it has gone.
    const auto parentOf = [&byPid](const ProcessEntry &entry) -> std::optional<ProcessEntry> {
        if (byPid.contains(entry.parentPid))
            return byPid.value(entry.parentPid);
        return readProcess(entry.parentPid);
    };
    QHash<pid_t, bool> hosts;
    const auto hostsEngine = [&hosts](pid_t pid) {
        if (!hosts.contains(pid))
            hosts.insert(pid, mapsFile(pid, kEngineLibrary));
        return hosts.value(pid);
    };

    QVector<pid_t> targets;
    for (const ProcessEntry &entry : processes) {
        if (!isOwnRunningProcess(entry, engine))
            continue;
        ProcessEntry ancestor = entry;
        for (int depth = 0; depth < 64 && ancestor.imageName == engine; ++depth) {
            const std::optional<ProcessEntry> parent = parentOf(ancestor);
            if (!parent)
                break;
            ancestor = *parent;
        }
        const bool launcherGone = ancestor.imageName == engine || !hostsEngine(ancestor.pid);
        if (launcherGone)
            targets.append(entry.pid);
    }
    killAndWait(targets);
}

// The pidfd names the process itself, so the check holds for the process that gets the signal. Where pidfds are
// missing (kernels before 5.3, some container filters) a plain signal follows the same check.
bool killBrowserEngineProcess(qint64 pid)
{
    const int fd = int(syscall(SYS_pidfd_open, pid_t(pid), 0));
    if (fd < 0)
        return errno != ESRCH && isEngineProcessBelowThisOne(pid_t(pid)) && kill(pid_t(pid), SIGKILL) == 0;
    const bool ended
        = isEngineProcessBelowThisOne(pid_t(pid)) && syscall(SYS_pidfd_send_signal, fd, SIGKILL, nullptr, 0) == 0;
    close(fd);
    return ended;
}

QString listProcessesByImageName(const QString &imageName)
{
    return formatProcessListing(imageName, readProcessesNamed(imageName));
}
