#include "proctree.h"

#include <QDir>
#include <QFile>
#include <QMap>

namespace {

QByteArray readProc(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The value of a "Name:   value" line of a /proc status-like file.
qint64 field(const QByteArray &text, const QByteArray &name)
{
    for (const QByteArray &line : text.split('\n')) {
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

} // namespace

namespace ProcTree {

QList<int> of(int pid)
{
    QMap<int, QList<int>> children;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const int child = entry.toInt(&isPid);
        if (!isPid)
            continue;
        // The parent is the fourth field, after the name in parentheses (which may hold spaces).
        const QByteArray stat = readProc(QStringLiteral("/proc/%1/stat").arg(child));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[0] != "Z")
            children[fields[1].toInt()] << child;
    }
    QList<int> tree{pid};
    for (int i = 0; i < tree.size(); ++i)
        tree += children.value(tree[i]);
    return tree;
}

qint64 pssKb(const QList<int> &pids)
{
    qint64 total = 0;
    for (const int pid : pids)
        total += field(readProc(QStringLiteral("/proc/%1/smaps_rollup").arg(pid)), "Pss:");
    return total;
}

WakeUps wakeUps(int pid)
{
    WakeUps counts;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString &task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const qint64 switches
            = field(readProc(tasks + QLatin1Char('/') + task + QStringLiteral("/status")), "voluntary_ctxt_switches:");
        counts.allThreads += switches;
        if (task.toInt() == pid)
            counts.mainThread = switches;
    }
    return counts;
}

} // namespace ProcTree
