#pragma once

#include <QProcess>

// A program a test starts, ended by its PID when the object goes, whatever became of the test.
class ChildProcess
{
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    QProcess process;
};
