#include "stats.h"

#include <algorithm>
#include <cmath>

namespace Stats {

double percentile(QList<double> samples, double p)
{
    if (samples.isEmpty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const int index = std::min(int(samples.size()) - 1, int(std::floor(p * samples.size())));
    return samples[index];
}

Spread spread(const QList<double> &samples)
{
    if (samples.isEmpty())
        return {};
    const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
    return {percentile(samples, 0.5), *low, *high, int(samples.size())};
}

} // namespace Stats
