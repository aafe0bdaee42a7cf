#include "retry.h"

#include <QTest>

bool actUntil(const std::function<void()> &act, const std::function<bool()> &reacted, int attempts, int intervalMs)
{
    for (int attempt = 0; attempt < attempts && !reacted(); ++attempt) {
        act();
        if (QTest::qWaitFor(reacted, intervalMs))
            return true;
    }
    return reacted();
}
