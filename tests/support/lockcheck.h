#pragma once

#include "platform/filelock.h"

#include <QString>

// Whether a lock on the path is held by one holder at a time, the same process's second attempt included, and is free
// again once that holder is gone.
inline bool lockIsHeldByOneAtATime(const QString &path)
{
    {
        const FileLock first(path, 0);
        if (!first.isLocked() || FileLock(path, 50).isLocked())
            return false;
    }
    return FileLock(path, 0).isLocked();
}
