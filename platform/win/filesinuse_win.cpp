#include "platform/filesinuse.h"

// Windows keeps a file that a process holds open from being deleted, so the cleanup needs to know of none.
FilesInUse FilesInUse::ofBrowserEngine()
{
    return FilesInUse();
}

bool FilesInUse::contains(const QString &) const
{
    return false;
}
