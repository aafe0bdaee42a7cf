#include "platform/filesinuse.h"

#include "platform/processes.h"
#include "procfs.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The regular files behind one process's descriptors. Each entry of /proc/PID/fd is a link to what the descriptor
// holds, so stat follows it to the file, even one that has been renamed or deleted.
void addOpenFiles(pid_t pid, QSet<QPair<quint64, quint64>> &files)
{
    const QByteArray folder = "/proc/" + QByteArray::number(pid) + "/fd";
    DIR *descriptors = ::opendir(folder.constData());
    if (!descriptors)
        return;
    while (const dirent *item = ::readdir(descriptors)) {
        struct stat info;
        if (item->d_name[0] != '.' && ::fstatat(::dirfd(descriptors), item->d_name, &info, 0) == 0
            && S_ISREG(info.st_mode))
            files.insert({quint64(info.st_dev), quint64(info.st_ino)});
    }
    ::closedir(descriptors);
}

} // namespace

FilesInUse FilesInUse::ofBrowserEngine()
{
    // Only where the engine runs: the client hosts it in its own process, its helpers run under their own name.
    FilesInUse inUse;
    const QStringList hosts{clientImageName(), browserEngineImageName()};
    for (const ProcessEntry &entry : readProcessesNamed(hosts)) {
        if (entry.owner == ::getuid() && entry.state != 'Z' && entry.pid != ::getpid())
            addOpenFiles(entry.pid, inUse.m_files);
    }
    return inUse;
}

bool FilesInUse::contains(const QString &path) const
{
    struct stat info;
    return !m_files.isEmpty() && ::lstat(QFile::encodeName(path).constData(), &info) == 0
        && m_files.contains({quint64(info.st_dev), quint64(info.st_ino)});
}
