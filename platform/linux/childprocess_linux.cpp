#include "platform/childprocess.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>

#include <dirent.h>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Marks every descriptor above the standard three close-on-exec. It runs between fork and exec too, so it calls only
// what is safe there: no allocation, no locks. close_range does it in one call from Linux 5.11 on; before that each
// open descriptor is marked as /proc lists it, read with the bare system call.
void markCloseOnExecAboveStandardStreams()
{
    if (syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC) == 0)
        return;
    const int folder = open("/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        rlimit limit{};
        const rlim_t last = getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 1024;
        for (rlim_t fd = 3; fd < last && fd < 65536; ++fd)
            fcntl(int(fd), F_SETFD, FD_CLOEXEC);
        return;
    }
    alignas(8) char entries[4096];
    long length;
    while ((length = syscall(SYS_getdents64, folder, entries, sizeof entries)) > 0) {
        for (long at = 0; at < length;) {
            const auto *entry = reinterpret_cast<const dirent64 *>(entries + at);
            int fd = 0;
            const char *digit = entry->d_name;
            for (; *digit >= '0' && *digit <= '9'; ++digit)
                fd = fd * 10 + (*digit - '0');
            if (*digit == '\0' && digit != entry->d_name && fd > 2 && fd != folder)
                fcntl(fd, F_SETFD, FD_CLOEXEC);
            at += entry->d_reclen;
        }
    }
    close(folder);
}

} // namespace

IsolatedProcess::IsolatedProcess(QObject *parent)
    : QProcess(parent)
{ }

// In the child, after QProcess has put its channels on 0, 1 and 2 and before the program is executed. QProcess's
// own pipe for reporting a failed exec is close-on-exec already, so it still reports one.
void IsolatedProcess::setupChildProcess()
{
    markCloseOnExecAboveStandardStreams();
}

bool openWithDesktopOpener(const QUrl &url)
{
    if (QFileInfo::exists(QStringLiteral("/.flatpak-info")) || qEnvironmentVariableIsSet("SNAP"))
        return false;
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return false;
    // Everything the children use is made before the fork: after it, in a process with the engine's threads, only
    // what is safe between fork and exec runs.
    const QByteArray program = QFile::encodeName(opener);
    const QByteArray address = url.toEncoded();
    char *const arguments[] = {const_cast<char *>("xdg-open"), const_cast<char *>(address.constData()), nullptr};

    const pid_t middle = fork();
    if (middle < 0)
        return false;
    if (middle == 0) {
        // The opener is the grandchild, so that it is not the client's to reap: its parent ends at once.
        if (fork() == 0) {
            markCloseOnExecAboveStandardStreams();
            setsid();
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            // The engine ignores SIGPIPE, and an ignored signal stays ignored across exec.
            signal(SIGPIPE, SIG_DFL);
            execv(program.constData(), arguments);
            _exit(127);
        }
        _exit(0);
    }
    while (waitpid(middle, nullptr, 0) < 0 && errno == EINTR) { }
    return true;
}
