#pragma once

#include "measurements.h"

#include <QDateTime>
#include <QString>

struct ReportContext
{
    QDateTime when;
    int runs = 0;
    int sessionCalls = 0;
    int restarts = 0;
    QString chartFileName; // the chart, beside the report
    QString notesPath; // hand-written notes appended to the report (where the time goes)
};

// The Markdown report: the machine, the date, the commands, every figure of both programs with the ratios and the
// goals, then the notes.
bool writeReport(const QString &path, const Results &results, const ReportContext &context);

// The start-up timeline of both programs (medians) as an SVG chart.
bool writeTimelineChart(const QString &path, const Results &results);
