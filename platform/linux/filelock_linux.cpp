#include "platform/filelock.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How long to sleep between attempts: the lock is held for moments, and flock has no time limit of its own.
constexpr unsigned long kRetryMs = 2;

// Another account may have put anything at a path in a shared temporary folder: a link is not followed, a pipe not
// waited on. Read access is all that flock needs, so a lock file that another account made serves as well. Opened
// without O_CREAT first, which a sticky folder refuses on another account's file (fs.protected_regular).
int openLockFile(const QByteArray &path)
{
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = ::open(path.constData(), flags);
    if (fd < 0 && errno == ENOENT)
        fd = ::open(path.constData(), flags | O_CREAT, 0666);
    struct stat status;
    if (fd >= 0 && (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

FileLock::FileLock(const QString &path, int timeoutMs)
{
    const int fd = openLockFile(QFile::encodeName(path));
    if (fd < 0)
        return;
    m_file = fd;
    const QDeadlineTimer deadline(timeoutMs);
    while (!(m_locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0)) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired())
            return;
        QThread::msleep(kRetryMs);
    }
}

// Closing the descriptor releases the lock.
FileLock::~FileLock()
{
    if (m_file >= 0)
        ::close(int(m_file));
}
