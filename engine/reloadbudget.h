#pragma once

#include <QtGlobal>

#include <deque>

// How many automatic reloads of the page are still allowed: at most three within any 60 s, so that a page whose
// renderer dies at every load is not reloaded for ever.
class ReloadBudget
{
public:
    // Takes one reload at the time nowMs (of a monotonic clock) when the last 60 s leave room for it.
    bool take(qint64 nowMs);

private:
    std::deque<qint64> m_taken;
};
