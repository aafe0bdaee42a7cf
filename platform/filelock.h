#pragma once

#include <QtGlobal>

class QString;

/**
 * An exclusive lock that the processes of this machine take on a file by its path, held from construction to
 * destruction. It waits at most `timeoutMs` for the lock and goes on without it after that, and at once where the path
 * cannot serve as a lock (a link, a pipe, a file it may not open). The operating system releases the lock when its
 * process ends, however that ends, so none outlives its holder. Nothing is written to the file, which stays behind,
 * empty: taking the lock costs no write to the disk.
 */
class FileLock
{
public:
    FileLock(const QString &path, int timeoutMs);
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    bool isLocked() const { return m_locked; }

private:
    // The open file: a descriptor on Linux, a handle on Windows; -1 when none could be opened.
    qintptr m_file = -1;
    bool m_locked = false;
};
