#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <optional>

// A process as /proc shows it.
struct ProcessEntry
{
    pid_t pid = 0;
    pid_t parentPid = 0;
    uid_t owner = 0;
    char state = '?'; // 'Z' for a zombie: ended, not yet reaped
    QString imageName;
};

// The state and parent from the contents of /proc/PID/stat. The command name in parentheses may itself hold spaces
// and parentheses, so the fields are read after the last ')'. False when the text is not of that shape.
bool parseProcessStat(const QByteArray &stat, char &state, pid_t &parentPid);

// The image name from the target of /proc/PID/exe: its file name without the " (deleted)" the kernel appends once
// the file has been replaced or removed.
QString imageNameFromExeLink(const QString &target);

// Every process under procRoot (normally /proc) whose image name is imageName. Another user's executable link may be
// kept from us; its image name then comes from /proc/PID/comm. Kernel threads have none.
QList<ProcessEntry> readProcessesNamed(const QString &imageName, const QString &procRoot = QStringLiteral("/proc"));
// The same for several image names in one pass.
QList<ProcessEntry> readProcessesNamed(
    const QStringList &imageNames, const QString &procRoot = QStringLiteral("/proc"));

// One process, whatever its image name, when it can be read.
std::optional<ProcessEntry> readProcess(pid_t pid, const QString &procRoot = QStringLiteral("/proc"));

// Whether the process has a file mapped whose path contains pathPart, such as a shared library it has loaded.
// False when its mappings cannot be read (another user's process) or it has gone.
bool mapsFile(pid_t pid, const QByteArray &pathPart, const QString &procRoot = QStringLiteral("/proc"));

// The tasklist-shaped listing of the running (not zombie) entries.
QString formatProcessListing(const QString &imageName, const QList<ProcessEntry> &matches);
