#include "childprocess.h"

ChildProcess::~ChildProcess()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
}
