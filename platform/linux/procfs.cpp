#include "procfs.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

bool parseProcessStat(const QByteArray &stat, char &state, pid_t &parentPid)
{
    // "PID (NAME) STATE PARENT ...": the state is one character after the last ')' and a space.
    const int close = stat.lastIndexOf(')');
    if (close < 0 || close + 4 > stat.size() || stat[close + 1] != ' ' || stat[close + 3] != ' ')
        return false;
    const char *parent = stat.constData() + close + 4;
    char *end = nullptr;
    const long value = std::strtol(parent, &end, 10);
    if (end == parent || (*end != ' ' && *end != '\0' && *end != '\n'))
        return false;
    state = stat[close + 2];
    parentPid = pid_t(value);
    return true;
}

QString imageNameFromExeLink(const QString &target)
{
    QString name = target.mid(target.lastIndexOf(QLatin1Char('/')) + 1);
    const QLatin1String deleted(" (deleted)");
    if (name.endsWith(deleted))
        name.chop(deleted.size());
    return name;
}

namespace {

// Reads a small /proc file; empty when it cannot be read.
QByteArray readSmallFile(int proc, const QByteArray &path)
{
    const int file = ::openat(proc, path.constData(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return QByteArray();
    char buffer[1024];
    const ssize_t size = ::read(file, buffer, sizeof buffer);
    ::close(file);
    return size > 0 ? QByteArray(buffer, int(size)) : QByteArray();
}

// The image name of the process in the folder named pid: from its executable link, or, when the link is kept from
// us (another user's process), from its command name. Kernel threads have no executable at all and no image name;
// they are most of the processes of many machines, so they cost the one failed call and no more.
QString imageNameOf(int proc, const QByteArray &pid)
{
    char exe[PATH_MAX];
    const ssize_t length = ::readlinkat(proc, (pid + "/exe").constData(), exe, sizeof exe);
    if (length > 0)
        return imageNameFromExeLink(QFile::decodeName(QByteArray(exe, int(length))));
    if (errno != EACCES && errno != EPERM)
        return QString();
    return QString::fromLocal8Bit(readSmallFile(proc, pid + "/comm")).trimmed();
}

// The rest of an entry: state, parent and owner. False when the process has gone meanwhile.
bool readDetails(int proc, const QByteArray &pid, ProcessEntry &entry)
{
    struct stat info;
    if (!parseProcessStat(readSmallFile(proc, pid + "/stat"), entry.state, entry.parentPid)
        || ::fstatat(proc, pid.constData(), &info, 0) != 0)
        return false;
    entry.pid = pid_t(pid.toInt());
    entry.owner = info.st_uid;
    return true;
}

} // namespace

QList<ProcessEntry> readProcessesNamed(const QString &imageName, const QString &procRoot)
{
    return readProcessesNamed(QStringList{imageName}, procRoot);
}

QList<ProcessEntry> readProcessesNamed(const QStringList &imageNames, const QString &procRoot)
{
    // Every process of the machine is looked at, some of these scans while the page waits: the image name comes
    // first and costs one system call, and only the matches are read further.
    QList<ProcessEntry> processes;
    DIR *proc = ::opendir(QFile::encodeName(procRoot).constData());
    if (!proc)
        return processes;
    while (const dirent *item = ::readdir(proc)) {
        const QByteArray pid(item->d_name);
        if (pid.isEmpty() || pid.size() != int(std::strspn(item->d_name, "0123456789")))
            continue;
        // A process may end between the listing and these reads; it is then simply left out.
        ProcessEntry entry;
        entry.imageName = imageNameOf(::dirfd(proc), pid);
        if (imageNames.contains(entry.imageName) && readDetails(::dirfd(proc), pid, entry))
            processes.append(entry);
    }
    ::closedir(proc);
    return processes;
}

std::optional<ProcessEntry> readProcess(pid_t pid, const QString &procRoot)
{
    const int proc = ::open(QFile::encodeName(procRoot).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (proc < 0)
        return std::nullopt;
    const QByteArray name = QByteArray::number(pid);
    ProcessEntry entry;
    entry.imageName = imageNameOf(proc, name);
    const bool found = readDetails(proc, name, entry);
    ::close(proc);
    return found ? std::optional<ProcessEntry>(entry) : std::nullopt;
}

bool mapsFile(pid_t pid, const QByteArray &pathPart, const QString &procRoot)
{
    const QByteArray path = QFile::encodeName(procRoot) + '/' + QByteArray::number(pid) + "/maps";
    const int file = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return false;
    // Read in pieces, each searched with the end of the one before, until the part is found.
    QByteArray text;
    char buffer[16384];
    bool found = false;
    ssize_t size;
    while (!found && (size = ::read(file, buffer, sizeof buffer)) > 0) {
        text = text.right(pathPart.size()) + QByteArray::fromRawData(buffer, int(size));
        found = text.contains(pathPart);
    }
    ::close(file);
    return found;
}

QString formatProcessListing(const QString &imageName, const QList<ProcessEntry> &matches)
{
    QString text;
    for (const ProcessEntry &entry : matches) {
        if (entry.state == 'Z' || entry.imageName != imageName)
            continue;
        if (text.isEmpty())
            text = QStringLiteral("\nImage Name                     PID\n========================= ========\n");
        text += QStringLiteral("%1 %2\n").arg(entry.imageName, -25).arg(entry.pid, 8);
    }
    if (text.isEmpty())
        return QStringLiteral("INFO: No tasks are running which match the specified criteria.\n");
    return text;
}
