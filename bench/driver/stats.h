#pragma once

#include <QList>

// Small statistics over samples.
namespace Stats {

// The sample below which a share p (0 to 1) of the samples lie; 0 for none.
double percentile(QList<double> samples, double p);

struct Spread
{
    double median = 0;
    double min = 0;
    double max = 0;
    int count = 0;
};
Spread spread(const QList<double> &samples);

} // namespace Stats
