#include "platform/filelock.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

#include <windows.h>

namespace {

// How long to sleep between attempts: the lock is held for moments.
constexpr unsigned long kRetryMs = 2;

} // namespace

// Shared for reading, writing and deletion, so that the open file hinders nobody; the lock is a byte range of it,
// which an open for reading may take. A reparse point is opened as itself rather than followed, and only a file on a
// disk serves.
FileLock::FileLock(const QString &path, int timeoutMs)
{
    const HANDLE file = CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()),
        GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    m_file = reinterpret_cast<qintptr>(file);
    if (GetFileType(file) != FILE_TYPE_DISK)
        return;
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        OVERLAPPED start = {};
        m_locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &start);
        if (m_locked || GetLastError() != ERROR_LOCK_VIOLATION || deadline.hasExpired())
            return;
        QThread::msleep(kRetryMs);
    }
}

// Closing the handle releases the lock.
FileLock::~FileLock()
{
    if (m_file != -1)
        CloseHandle(reinterpret_cast<HANDLE>(m_file));
}
