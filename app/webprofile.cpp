#include "app/webprofile.h"

#include "platform/filesinuse.h"
#include "platform/webprofiletargets.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// A link to a folder is a folder to QFileInfo, but what it points to lies outside the tree being deleted. Removes
// only the link: a file unlink, or on Windows, where a link to a folder is itself a kind of folder, a rmdir.
void removeLink(const QString &path)
{
    if (!QFile::remove(path))
        QDir().rmdir(path);
}

} // namespace

void clearWebProfile()
{
    // A running client's engine may hold these files; where the system would let them go from under it, they are
    // left alone, as Windows leaves them by itself. Every target is attempted whatever became of the ones before it.
    const FilesInUse inUse = FilesInUse::ofBrowserEngine();
    for (const QString &target : webProfileTargets())
        removePathTree(target, inUse);
}

bool removePathTree(const QString &path, const FilesInUse &inUse)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (!info.exists())
        return false;

    if (info.isSymLink() || info.isJunction()) {
        removeLink(path);
    } else if (info.isFile()) {
        if (!inUse.contains(path))
            QFile::remove(path);
    } else if (info.isDir()) {
        QDir folder(path);
        const QFileInfoList entries
            = folder.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo &entry : entries) {
            if (entry.isFile() && !entry.isSymLink()) {
                if (!inUse.contains(entry.absoluteFilePath()))
                    folder.remove(entry.absoluteFilePath());
            } else {
                removePathTree(entry.absoluteFilePath(), inUse);
            }
        }
        // Succeeds only when everything inside is gone.
        folder.rmdir(path);
    }
    return true;
}
