#include "procfs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

bool parseProcessStat(const QByteArray &stat, char &state, pid_t &parentPid)
{
    const int close = stat.lastIndexOf(')');
    if (close < 0)
        return false;
    const QList<QByteArray> fields = stat.mid(close + 1).simplified().split(' ');
    if (fields.size() < 2 || fields[0].size() != 1)
        return false;
    bool ok = false;
    const int parent = fields[1].toInt(&ok);
    if (!ok)
        return false;
    state = fields[0][0];
    parentPid = parent;
    return true;
}

QString imageNameFromExeLink(const QString &target)
{
    QString name = QFileInfo(target).fileName();
    const QLatin1String deleted(" (deleted)");
    if (name.endsWith(deleted))
        name.chop(deleted.size());
    return name;
}

QList<ProcessEntry> readProcesses(const QString &procRoot)
{
    QList<ProcessEntry> processes;
    const QDir proc(procRoot);
    for (const QString &name : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const pid_t pid = name.toInt(&numeric);
        if (!numeric)
            continue;
        const QString path = proc.filePath(name);
        QFile statFile(path + QStringLiteral("/stat"));
        ProcessEntry entry;
        entry.pid = pid;
        // A process may end between the listing and these reads; it is then simply left out.
        if (!statFile.open(QIODevice::ReadOnly) || !parseProcessStat(statFile.readAll(), entry.state, entry.parentPid))
            continue;
        struct stat info;
        if (::stat(QFile::encodeName(path).constData(), &info) != 0)
            continue;
        entry.owner = info.st_uid;
        const QString exe = QFile::symLinkTarget(path + QStringLiteral("/exe"));
        if (!exe.isEmpty()) {
            entry.imageName = imageNameFromExeLink(exe);
        } else {
            QFile comm(path + QStringLiteral("/comm"));
            if (comm.open(QIODevice::ReadOnly))
                entry.imageName = QString::fromLocal8Bit(comm.readAll()).trimmed();
        }
        processes.append(entry);
    }
    return processes;
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
