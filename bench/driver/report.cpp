#include "report.h"

#include "stats.h"

#include <QFile>
#include <QSysInfo>
#include <QTextStream>

#include <algorithm>
#include <cstring>
#include <functional>
#include <thread>

namespace {

using Field = std::function<double(const StartupRun &)>;

QList<double> samplesOf(const QList<StartupRun> &runs, const Field &field)
{
    QList<double> samples;
    for (const StartupRun &run : runs)
        samples << field(run);
    return samples;
}

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString spreadText(const Stats::Spread &spread, int decimals)
{
    return QStringLiteral("%1 (%2 to %3)")
        .arg(number(spread.median, decimals), number(spread.min, decimals), number(spread.max, decimals));
}

QString firstLineOf(const QString &path, const QString &prefix)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(prefix.toLatin1()))
            return QString::fromUtf8(line.mid(line.indexOf(':') + 1)).trimmed();
    }
    return QString();
}

} // namespace

bool writeReport(const QString &path, const Results &results, const ReportContext &context)
{
    QFile notes(context.notesPath);
    const QByteArray notesText = notes.open(QIODevice::ReadOnly) ? notes.readAll() : QByteArray();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream out(&file);
    out.setCodec("UTF-8");

    out << "# Benchmark: the client beside the floor\n\n"
        << "The floor (`bench/floor.cpp`) is the least a shell around the same page can be: a window with a browser "
           "view and a web channel with one object, which answers one getter and launches the viewer. Both load the same page (`bench/page.html`) from the "
           "stand-in service on 127.0.0.1:8081, under the same X server, each start with a fresh temporary home, in "
           "alternating order. Figures are medians with the lowest and highest run in brackets; the ratios are "
           "client/floor of the medians.\n\n";

    out << "- Date: " << context.when.toString(Qt::ISODate) << "\n"
        << "- Machine: " << firstLineOf(QStringLiteral("/proc/cpuinfo"), QStringLiteral("model name")) << ", "
        << std::thread::hardware_concurrency() << " logical CPUs, "
        << firstLineOf(QStringLiteral("/proc/meminfo"), QStringLiteral("MemTotal")) << " memory; "
        << QSysInfo::prettyProductName() << ", kernel " << QSysInfo::kernelVersion() << "; Qt " << qVersion() << "\n"
        << "- Runs: " << context.runs << " measured starts of each program after one unmeasured start of each; "
        << "the game session: " << context.sessionCalls << " `startGame` calls, then " << context.restarts
        << " restarts\n"
        << "- Command: `./bench/run.sh" << (context.runs == 5 ? QString() : QStringLiteral(" --runs %1").arg(context.runs))
        << "` (builds, then runs `build/bench/nuvabench` under `xvfb-run` and `dbus-run-session`)\n\n";

    struct Row
    {
        const char *name;
        Field field;
        int decimals;
        double goal; // the highest ratio allowed; 0 for none
        double extraAllowed = 0; // or, for counts, how many more than the floor's are allowed
        bool noise = false; // no goal: the spread of the runs, to read the other figures by
    };
    const Row rows[] = {
        // The client shows its window before it starts the engine, which the floor's window waits for; its page must
        // come no later for that.
        // No goal against the floor, whose window waits for the engine: the bare window below is the anchor.
        {"start to window mapped (ms)", [](const StartupRun &r) { return r.windowMapped; }, 1, 0},
        {"start to first answered bridge call (ms)", [](const StartupRun &r) { return r.firstAnswer; }, 1, 1.00},
        {"bridge round trip p50 (ms)", [](const StartupRun &r) { return r.roundTripP50; }, 3, 1.05},
        // On two cores the tail of the same program swings threefold from run to run.
        {"bridge round trip p99 (ms)", [](const StartupRun &r) { return r.roundTripP99; }, 3, 0, 0, true},
        {"PSS of the process tree, page loaded (MB)", [](const StartupRun &r) { return r.pssMb; }, 1, 1.05},
        // A timer of the client's own, even at 1 Hz, would add ten.
        {"idle wake-ups in 10 s, main thread", [](const StartupRun &r) { return r.idleWakeUpsMain; }, 0, 0, 5},
        {"idle wake-ups in 10 s, all threads of the main process", [](const StartupRun &r) { return r.idleWakeUpsAll; },
            0, 0},
        {"start to navigation start (ms)", [](const StartupRun &r) { return r.navigation; }, 1, 0},
        {"start to page loaded (ms)", [](const StartupRun &r) { return r.pageLoaded; }, 1, 0},
        {"start to web channel ready (ms)", [](const StartupRun &r) { return r.channelReady; }, 1, 0},
    };
    out << "## Start-up, bridge, memory, idle\n\n"
        << "| Figure | Client | Floor | Ratio | Goal |\n|---|---|---|---|---|\n";
    for (const Row &row : rows) {
        const Stats::Spread client = Stats::spread(samplesOf(results.client, row.field));
        const Stats::Spread floor = Stats::spread(samplesOf(results.floor, row.field));
        const double ratio = floor.median > 0 ? client.median / floor.median : 0;
        QString goal = QStringLiteral("-");
        if (row.goal > 0)
            goal = QStringLiteral("at most %1: %2").arg(number(row.goal, 2), ratio <= row.goal ? "met" : "**missed**");
        else if (row.noise)
            goal = QStringLiteral("none, a noise figure: the client's runs spread %1x, the floor's %2x")
                       .arg(number(client.min > 0 ? client.max / client.min : 0, 2),
                           number(floor.min > 0 ? floor.max / floor.min : 0, 2));
        else if (row.extraAllowed > 0)
            goal = QStringLiteral("at most %1 more than the floor (no timer of its own): %2")
                       .arg(number(row.extraAllowed, 0),
                           client.median - floor.median <= row.extraAllowed ? "met" : "**missed**");
        out << "| " << row.name << " | " << spreadText(client, row.decimals) << " | " << spreadText(floor, row.decimals)
            << " | " << (floor.median > 0 ? number(ratio, 3) : QStringLiteral("-")) << " | " << goal << " |\n";
    }

    const Stats::Spread clientMapped
        = Stats::spread(samplesOf(results.client, [](const StartupRun &r) { return r.windowMapped; }));
    const Stats::Spread bareMapped = Stats::spread(results.bareWindowMapped);
    const double bareRatio = bareMapped.median > 0 ? clientMapped.median / bareMapped.median : 0;
    out << "\n## The window against a bare Qt window\n\n"
        << "The bare window (`bench/bare.cpp`) is the least a Qt widgets client can do before its window is on screen: "
           "the application object and one frameless 960 x 570 window with a 30-pixel bar, shown at once. It runs in "
           "the same rounds as the other two, each round starting with the next program.\n\n"
        << "| Figure | Client | Bare window | Ratio | Goal |\n|---|---|---|---|---|\n"
        << "| start to window mapped (ms) | " << spreadText(clientMapped, 1) << " | " << spreadText(bareMapped, 1)
        << " | " << number(bareRatio, 3) << " | at most 1.30: " << (bareRatio > 0 && bareRatio <= 1.30 ? "met" : "**missed**")
        << " |\n\n"
        << "Where the client's time before its window goes: each step's end in ms from the start, and what the step "
           "took, medians over the runs (the client's own markers, `nuvagame.startup`). The window is mapped within its "
           "show, so the map comes a moment before the marker that ends that step.\n\n"
        << "| Step | Ends at (ms) | Takes (ms) |\n|---|---|---|\n";
    if (!results.client.isEmpty()) {
        QList<QPair<QString, double>> named = results.client.first().steps;
        named.append({QStringLiteral("window mapped"), 0});
        for (int i = 0; i < named.size(); ++i) {
            QList<double> ends, takes;
            for (const StartupRun &run : results.client) {
                QList<double> at;
                for (const auto &step : run.steps)
                    at << step.second;
                at << run.windowMapped;
                if (at.size() != named.size())
                    continue;
                ends << at[i];
                takes << at[i] - (i > 0 ? at[i - 1] : 0);
            }
            out << "| " << named[i].first << " | " << number(Stats::percentile(ends, 0.5), 1) << " | "
                << number(Stats::percentile(takes, 0.5), 1) << " |\n";
        }
    }

    const auto sessionRow = [&out](const char *name, const QList<double> &client, const QList<double> &floor,
                                double p) {
        const double clientValue = Stats::percentile(client, p);
        const double floorValue = Stats::percentile(floor, p);
        const double ratio = floorValue > 0 ? clientValue / floorValue : 0;
        // The goal is on the medians; the tail shows what the machine's noise does to both.
        const QString goal = p == 0.5
            ? QStringLiteral("at most 1.15: %1").arg(floorValue > 0 && ratio <= 1.15 ? "met" : "**missed**")
            : QStringLiteral("-");
        out << "| " << name << (p == 0.5 ? " p50" : " p99") << " | " << number(clientValue, 1) << " | "
            << number(floorValue, 1) << " | " << (floorValue > 0 ? number(ratio, 3) : QStringLiteral("-")) << " | "
            << goal << " |\n";
    };
    out << "\n## Game session\n\n"
        << "Wall-clock milliseconds, from the page's `Date.now()` at the call, or the viewer's clock at the token, to "
           "the new viewer's first instant (the benchmark's viewer, `bench/probeviewer.cpp`, is a bare static program "
           "named `nuvaview.exe`, so the figures are the programs' and not a viewer's own start-up). The floor launches "
           "the same viewer as a `QProcess` of its own engine-sized process and, on the token, kills it and launches "
           "it again; the client adds its viewer check, its kill by image name and the order confirmation, which the "
           "stand-in service answers on loopback. Samples: "
        << results.clientSession.startGameToViewer.size() << " and " << results.floorSession.startGameToViewer.size()
        << " calls, " << results.clientSession.tokenToNewViewer.size() << " and "
        << results.floorSession.tokenToNewViewer.size() << " restarts (client and floor), in the same run.\n\n"
        << "| Figure | Client (ms) | Floor (ms) | Ratio | Goal |\n|---|---|---|---|---|\n";
    for (const double p : {0.5, 0.99})
        sessionRow("`startGame` to viewer running", results.clientSession.startGameToViewer,
            results.floorSession.startGameToViewer, p);
    for (const double p : {0.5, 0.99})
        sessionRow("\"fpschanged\" to new viewer running", results.clientSession.tokenToNewViewer,
            results.floorSession.tokenToNewViewer, p);

    out << "\n## Start-up timeline (medians)\n\n![Start-up timeline of the client and the floor]("
        << context.chartFileName << ")\n";
    if (!notesText.isEmpty())
        out << "\n" << QString::fromUtf8(notesText);
    return out.status() == QTextStream::Ok;
}

bool writeTimelineChart(const QString &path, const Results &results)
{
    struct Milestone
    {
        const char *name;
        Field field;
        const char *colour;
    };
    const Milestone milestones[] = {
        {"window mapped", [](const StartupRun &r) { return r.windowMapped; }, "#e07a5f"},
        {"navigation start", [](const StartupRun &r) { return r.navigation; }, "#3d85c6"},
        {"page loaded", [](const StartupRun &r) { return r.pageLoaded; }, "#81b29a"},
        {"channel ready", [](const StartupRun &r) { return r.channelReady; }, "#f2cc8f"},
        {"first bridge answer", [](const StartupRun &r) { return r.firstAnswer; }, "#6d597a"},
    };
    double end = 1;
    for (const Milestone &milestone : milestones) {
        end = std::max({end, Stats::spread(samplesOf(results.client, milestone.field)).median,
            Stats::spread(samplesOf(results.floor, milestone.field)).median});
    }
    end *= 1.08;

    const int width = 760, left = 70, right = 20, rowHeight = 56, top = 30;
    const double scale = (width - left - right) / end;
    QString svg;
    QTextStream out(&svg);
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"" << top + 2 * rowHeight + 110
        << "\" font-family=\"sans-serif\" font-size=\"12\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
        << "<text x=\"" << left
        << "\" y=\"18\" font-size=\"14\">Start-up timeline, ms from the program's start "
           "(medians)</text>\n";
    const QList<QPair<QString, const QList<StartupRun> *>> programs{
        {QStringLiteral("client"), &results.client}, {QStringLiteral("floor"), &results.floor}};
    for (int row = 0; row < programs.size(); ++row) {
        const int y = top + row * rowHeight + 20;
        out << "<text x=\"10\" y=\"" << y + 14 << "\">" << programs[row].first << "</text>\n";
        const double finish = Stats::spread(samplesOf(*programs[row].second, milestones[4].field)).median;
        out << "<rect x=\"" << left << "\" y=\"" << y << "\" width=\"" << finish * scale
            << "\" height=\"20\" fill=\"#eceff4\" stroke=\"#99a\"/>\n";
        for (const Milestone &milestone : milestones) {
            const double at = Stats::spread(samplesOf(*programs[row].second, milestone.field)).median;
            out << "<line x1=\"" << left + at * scale << "\" x2=\"" << left + at * scale << "\" y1=\"" << y - 4
                << "\" y2=\"" << y + 24 << "\" stroke=\"" << milestone.colour << "\" stroke-width=\"3\"/>\n";
        }
    }
    // The axis, every 100 ms.
    const int axisY = top + 2 * rowHeight + 10;
    out << "<line x1=\"" << left << "\" x2=\"" << width - right << "\" y1=\"" << axisY << "\" y2=\"" << axisY
        << "\" stroke=\"#444\"/>\n";
    for (int ms = 0; ms <= end; ms += 100) {
        out << "<line x1=\"" << left + ms * scale << "\" x2=\"" << left + ms * scale << "\" y1=\"" << axisY
            << "\" y2=\"" << axisY + 5 << "\" stroke=\"#444\"/><text x=\"" << left + ms * scale << "\" y=\""
            << axisY + 18 << "\" text-anchor=\"middle\">" << ms << "</text>\n";
    }
    // The legend.
    int x = left;
    for (const Milestone &milestone : milestones) {
        out << "<rect x=\"" << x << "\" y=\"" << axisY + 36 << "\" width=\"12\" height=\"12\" fill=\""
            << milestone.colour << "\"/><text x=\"" << x + 16 << "\" y=\"" << axisY + 46 << "\">" << milestone.name
            << "</text>\n";
        x += 16 + 7 * int(std::strlen(milestone.name)) + 18;
    }
    out << "</svg>\n";

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(svg.toUtf8()) == svg.toUtf8().size();
}
