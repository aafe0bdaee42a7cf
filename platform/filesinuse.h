#pragma once

#include <QPair>
#include <QSet>
#include <QString>

/**
 * The files that the browser engine of a running client holds open: those of the current user's client processes
 * (which host the engine) and of its helper processes, the calling process aside.
 *
 * Windows refuses to delete a file that a process holds open, so there the set is empty and costs nothing. Linux
 * lets it go, so the profile cleanup asks this set which files to leave alone.
 */
class FilesInUse
{
public:
    // Nothing held: every file may go.
    FilesInUse() = default;
    // What the engine's processes hold at this moment.
    static FilesInUse ofBrowserEngine();

    // Whether path names one of the held files itself (a link to one is not it).
    bool contains(const QString &path) const;

private:
    QSet<QPair<quint64, quint64>> m_files; // device and inode
};
