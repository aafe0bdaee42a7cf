#include "engine/reloadbudget.h"

namespace {
constexpr size_t kMaxReloads = 3;
constexpr qint64 kWindowMs = 60000;
} // namespace

bool ReloadBudget::take(qint64 nowMs)
{
    while (!m_taken.empty() && nowMs - m_taken.front() >= kWindowMs)
        m_taken.pop_front();
    if (m_taken.size() >= kMaxReloads)
        return false;
    m_taken.push_back(nowMs);
    return true;
}
