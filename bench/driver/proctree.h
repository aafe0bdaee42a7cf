#pragma once

#include <QList>

// What /proc says about a process and those it started.
namespace ProcTree {

// The process and all its descendants, living ones only.
QList<int> of(int pid);

// Proportional set size of the processes, in KiB: shared pages are counted once across them all.
qint64 pssKb(const QList<int> &pids);

// How often the process's threads have gone to sleep and been woken so far (voluntary context switches): its main
// thread's, and all its threads' together.
struct WakeUps
{
    qint64 mainThread = 0;
    qint64 allThreads = 0;
};
WakeUps wakeUps(int pid);

} // namespace ProcTree
