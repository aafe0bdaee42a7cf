// nuvabench: runs the client and the floor in turn under the X server of its environment, against the stand-in
// service, and writes what it measured as a Markdown report with a start-up timeline chart.

#include "benchservice.h"
#include "mapwatcher.h"
#include "measurements.h"
#include "proctree.h"
#include "report.h"
#include "stats.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <optional>

namespace {

struct Program
{
    QString name;
    QString path;
    QStringList arguments;
};

struct Settings
{
    QString buildDir;
    QString sourceDir;
    int runs = 5;
    int sessionCalls = 200;
    int restarts = 100;
    QString reportPath;
    QString chartPath;
    QString logFile; // where the programs' output goes; nowhere when empty
    bool sessionOnly = false;
};

const QString kFrontEnd = QStringLiteral("http://127.0.0.1:8081/");

double wallClockMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// Ends the benchmark: thrown to main, so that every program started so far is stopped on the way.
struct Failure
{
    QString why;
};

[[noreturn]] void fail(const QString &why)
{
    throw Failure{why};
}

// A home of its own for each run: nothing the engine or the client keeps survives from one run to the next.
QProcessEnvironment freshEnvironment(const QTemporaryDir &home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *folder : {"cache", "data", "config", "tmp"})
        QDir(home.path()).mkpath(QString::fromLatin1(folder));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("TMPDIR"), home.filePath(QStringLiteral("tmp")));
    return environment;
}

// The page with this run's settings in place.
QString writePage(const QTemporaryDir &home, const Settings &settings, const QString &pageSettings)
{
    QFile source(settings.sourceDir + QStringLiteral("/bench/page.html"));
    if (!source.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read bench/page.html"));
    const QString path = home.filePath(QStringLiteral("page.html"));
    QFile page(path);
    if (!page.open(QIODevice::WriteOnly))
        fail(QStringLiteral("cannot write the page"));
    page.write(source.readAll().replace("BENCH_SETTINGS", pageSettings.toUtf8()));
    return path;
}

// A started program with everything the driver knows of it.
class Run
{
public:
    Run(MapWatcher &watcher, const Program &program, const QProcessEnvironment &environment, const QString &workDir,
        const QString &outputFile)
    {
        m_process.setProcessEnvironment(environment);
        m_process.setWorkingDirectory(workDir);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setStandardOutputFile(outputFile, QIODevice::Append);
        // The first window mapped after the start is the program's: nothing else runs on this X server.
        QObject::connect(&watcher, &MapWatcher::mapped, &m_process, [this](uint32_t window, double atMs) {
            if (!m_window && m_process.state() != QProcess::NotRunning) {
                m_window = window;
                m_mappedMs = atMs - m_startedAtMonotonicMs;
            }
        });
        m_startedAtMonotonicMs = monotonicMs();
        m_startedAtMs = wallClockMs();
        m_process.start(program.path, program.arguments);
        if (!m_process.waitForStarted(10000))
            fail(QStringLiteral("cannot start ") + program.path);
        m_pid = int(m_process.processId());
    }

    ~Run()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Closes the window as a user would and waits for the whole tree to end, killing by PID what does not.
    void end(MapWatcher &watcher)
    {
        const QList<int> tree = ProcTree::of(m_pid);
        for (int attempt = 0; attempt < 60 && m_process.state() != QProcess::NotRunning; ++attempt) {
            if (m_window)
                watcher.requestClose(*m_window);
            waitUntil([this] { return m_process.state() == QProcess::NotRunning; }, 300);
        }
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
        // Ended and reaped, or ended and waiting for a parent that is gone too.
        const auto alive = [](int pid) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
            return stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z ");
        };
        const auto anyAlive = [&] {
            for (const int pid : tree) {
                if (alive(pid))
                    return true;
            }
            return false;
        };
        if (!waitUntil([&] { return !anyAlive(); }, 10000)) {
            for (const int pid : tree) {
                if (alive(pid))
                    ::kill(pid, SIGKILL);
            }
        }
    }

    double startedAtMs() const { return m_startedAtMs; }
    double startedAtMonotonicMs() const { return m_startedAtMonotonicMs; }
    int pid() const { return m_pid; }
    std::optional<double> mappedMs() const { return m_window ? std::optional<double>(m_mappedMs) : std::nullopt; }

private:
    QProcess m_process;
    double m_startedAtMonotonicMs = 0;
    double m_startedAtMs = 0; // on the wall clock, which the page reads
    int m_pid = 0;
    std::optional<uint32_t> m_window;
    double m_mappedMs = 0;
};

// The client's step markers ("nuvagame.startup: STEP at MS", MS on the monotonic clock), in ms from its start.
QList<QPair<QString, double>> readSteps(const QString &outputPath, double startedAtMonotonicMs)
{
    QList<QPair<QString, double>> steps;
    QFile output(outputPath);
    if (!output.open(QIODevice::ReadOnly))
        return steps;
    const QByteArray prefix("nuvagame.startup: ");
    for (const QByteArray &line : output.readAll().split('\n')) {
        const int at = line.lastIndexOf(" at ");
        if (line.startsWith(prefix) && at > prefix.size())
            steps.append({QString::fromUtf8(line.mid(prefix.size(), at - prefix.size())),
                line.mid(at + 4).toDouble() - startedAtMonotonicMs});
    }
    return steps;
}

// A run's output goes to the driver's log, when it keeps one.
void keepOutput(const QString &outputPath, const Settings &settings)
{
    QFile output(outputPath);
    QFile log(settings.logFile);
    if (!settings.logFile.isEmpty() && output.open(QIODevice::ReadOnly) && log.open(QIODevice::Append))
        log.write(output.readAll());
}

StartupRun measureStartup(MapWatcher &watcher, const Settings &settings, const Program &program, const QString &workDir)
{
    QTemporaryDir home;
    BenchService service;
    QString error;
    if (!service.start(settings.buildDir + QStringLiteral("/nuvaservice"),
            writePage(
                home, settings, QStringLiteral("{mode: 'startup', settleMs: 1000, warmUp: 200, roundTrips: 1000}")),
            error))
        fail(error);

    QProcessEnvironment environment = freshEnvironment(home);
    // The client's own markers of its start-up steps; other programs have none.
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("nuvagame.startup.debug=true"));
    environment.insert(QStringLiteral("QT_FORCE_STDERR_LOGGING"), QStringLiteral("1"));
    const QString output = home.filePath(QStringLiteral("output.log"));
    Run run(watcher, program, environment, workDir, output);
    const std::optional<QUrlQuery> timeline = service.take(QStringLiteral("timeline"), 60000);
    if (!timeline)
        fail(program.name + QStringLiteral(": the page did not answer within 60 s"));
    const std::optional<QUrlQuery> roundTrip = service.take(QStringLiteral("roundtrip"), 60000);
    if (!roundTrip || !run.mappedMs())
        fail(program.name + QStringLiteral(": no round trips or no window"));
    const auto since = [&](const QString &field) {
        return timeline->queryItemValue(field, QUrl::FullyDecoded).toDouble() - run.startedAtMs();
    };

    StartupRun result;
    result.windowMapped = *run.mappedMs();
    result.navigation = since(QStringLiteral("navigation"));
    result.pageLoaded = since(QStringLiteral("loaded"));
    result.channelReady = since(QStringLiteral("channel"));
    result.firstAnswer = since(QStringLiteral("first"));
    result.roundTripP50 = roundTrip->queryItemValue(QStringLiteral("p50"), QUrl::FullyDecoded).toDouble();
    result.roundTripP99 = roundTrip->queryItemValue(QStringLiteral("p99"), QUrl::FullyDecoded).toDouble();

    // Memory once everything has settled, then ten quiet seconds with the page loaded.
    pause(1000);
    result.pssMb = ProcTree::pssKb(ProcTree::of(run.pid())) / 1024.0;
    const ProcTree::WakeUps before = ProcTree::wakeUps(run.pid());
    pause(10000);
    const ProcTree::WakeUps after = ProcTree::wakeUps(run.pid());
    result.idleWakeUpsMain = after.mainThread - before.mainThread;
    result.idleWakeUpsAll = after.allThreads - before.allThreads;

    run.end(watcher);
    result.steps = readSteps(output, run.startedAtMonotonicMs());
    keepOutput(output, settings);
    std::printf("  %-6s mapped %6.1f ms  first answer %6.1f ms  round trip p50 %.3f p99 %.3f ms  PSS %.1f MB  "
                "idle wake-ups %g (main thread)\n",
        qPrintable(program.name), result.windowMapped, result.firstAnswer, result.roundTripP50, result.roundTripP99,
        result.pssMb, result.idleWakeUpsMain);
    std::fflush(stdout);
    return result;
}

// The bare window: started, mapped, closed. Its mapped time alone is measured.
double measureBareWindow(MapWatcher &watcher, const Settings &settings, const Program &program, const QString &workDir)
{
    QTemporaryDir home;
    const QString output = home.filePath(QStringLiteral("output.log"));
    Run run(watcher, program, freshEnvironment(home), workDir, output);
    if (!waitUntil([&run] { return run.mappedMs().has_value(); }, 10000))
        fail(program.name + QStringLiteral(": no window within 10 s"));
    const double mapped = *run.mappedMs();
    // A moment on screen, as the others have, before it closes.
    pause(300);
    run.end(watcher);
    keepOutput(output, settings);
    std::printf("  %-6s mapped %6.1f ms\n", qPrintable(program.name), mapped);
    std::fflush(stdout);
    return mapped;
}

// The viewer's log: "start PID MICROSECONDS ARGS..." and "token PID MICROSECONDS" lines.
struct ViewerEvent
{
    QString kind;
    int pid = 0;
    double atMs = 0;
    QStringList arguments;
};

QList<ViewerEvent> readViewerLog(const QString &path)
{
    QList<ViewerEvent> events;
    QFile log(path);
    if (!log.open(QIODevice::ReadOnly))
        return events;
    for (const QByteArray &line : log.readAll().split('\n')) {
        const QStringList words = QString::fromUtf8(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.size() >= 3)
            events.append({words[0], words[1].toInt(), words[2].toDouble() / 1000.0, words.mid(3)});
    }
    return events;
}

SessionRun measureSession(MapWatcher &watcher, const Settings &settings, const Program &program, const QString &workDir)
{
    QTemporaryDir home;
    BenchService service;
    QString error;
    if (!service.start(settings.buildDir + QStringLiteral("/nuvaservice"),
            writePage(home, settings, QStringLiteral("{mode: 'session', sessionCalls: %1}").arg(settings.sessionCalls)),
            error))
        fail(error);
    QProcessEnvironment environment = freshEnvironment(home);
    const QString viewerLog = home.filePath(QStringLiteral("viewer.log"));
    environment.insert(QStringLiteral("NUVABENCH_VIEWER_LOG"), viewerLog);

    const QString output = home.filePath(QStringLiteral("output.log"));
    Run run(watcher, program, environment, workDir, output);
    if (!service.take(QStringLiteral("timeline"), 60000))
        fail(QStringLiteral("session: the page did not answer within 60 s"));
    // The page reports its calls' times in chunks, then that it is done, then starts the restarting session.
    if (!service.take(QStringLiteral("session-done"), 300000))
        fail(QStringLiteral("session: the page did not finish its startGame calls"));
    QList<double> calls;
    while (calls.size() < settings.sessionCalls) {
        // The service may log a request just after the one that followed it, so allow a moment.
        const std::optional<QUrlQuery> chunk = service.take(QStringLiteral("session"), 2000);
        if (!chunk)
            break;
        for (const QString &at :
            chunk->queryItemValue(QStringLiteral("at"), QUrl::FullyDecoded).split(QLatin1Char(',')))
            calls << at.toDouble();
    }
    if (calls.size() != settings.sessionCalls)
        fail(
            QStringLiteral("session: the page reported %1 calls, not %2").arg(calls.size()).arg(settings.sessionCalls));
    const auto tokens = [&] {
        int count = 0;
        for (const ViewerEvent &event : readViewerLog(viewerLog))
            count += event.kind == QLatin1String("token");
        return count;
    };
    if (!waitUntil([&] { return tokens() > settings.restarts; }, 120000))
        fail(QStringLiteral("session: the viewer was not restarted %1 times").arg(settings.restarts));
    run.end(watcher);
    keepOutput(output, settings);

    const QList<ViewerEvent> events = readViewerLog(viewerLog);
    // A running viewer outlives the client; the last one is ended here, by its PID.
    for (const ViewerEvent &event : events)
        ::kill(event.pid, SIGKILL);

    SessionRun result;
    for (const ViewerEvent &event : events) {
        // Each measured launch's viewer has the call's number as its last argument.
        bool numbered = false;
        const int index = event.kind == QLatin1String("start") ? event.arguments.value(2).toInt(&numbered) : 0;
        if (numbered && index >= 1 && index <= calls.size())
            result.startGameToViewer << event.atMs - calls[index - 1];
    }
    for (int i = 0; i < events.size(); ++i) {
        if (events[i].kind != QLatin1String("token"))
            continue;
        for (int j = i + 1; j < events.size(); ++j) {
            if (events[j].kind == QLatin1String("start")) {
                result.tokenToNewViewer << events[j].atMs - events[i].atMs;
                break;
            }
        }
    }
    std::printf("  %s: startGame to viewer running p50 %.1f p99 %.1f ms; token to new viewer p50 %.1f p99 %.1f ms\n",
        qPrintable(program.name), Stats::percentile(result.startGameToViewer, 0.5),
        Stats::percentile(result.startGameToViewer, 0.99),
        Stats::percentile(result.tokenToNewViewer, 0.5), Stats::percentile(result.tokenToNewViewer, 0.99));
    return result;
}

// The client's working directory: its pictures, and the benchmark's viewer under the viewer's name.
void layOutWorkDir(const QString &workDir, const Settings &settings)
{
    QDir(workDir).mkpath(QStringLiteral("images"));
    QDir(workDir).mkpath(QStringLiteral("nuvaview"));
    const QDir images(settings.buildDir + QStringLiteral("/images"));
    for (const QString &name : images.entryList(QDir::Files))
        QFile::copy(images.filePath(name), workDir + QStringLiteral("/images/") + name);
    QFile::copy(
        settings.buildDir + QStringLiteral("/bench/probeviewer"), workDir + QStringLiteral("/nuvaview/nuvaview.exe"));
}

// Everything, in order: the warm-up, the alternating rounds, the game session, the report.
void runBenchmark(const Settings &settings)
{
    MapWatcher watcher;
    if (!watcher.isConnected())
        fail(QStringLiteral("no X server (run it under xvfb-run, as bench/run.sh does)"));

    QTemporaryDir workDir;
    layOutWorkDir(workDir.path(), settings);
    const Program client{QStringLiteral("client"), settings.buildDir + QStringLiteral("/nuvagame"), {}};
    const Program floor{QStringLiteral("floor"), settings.buildDir + QStringLiteral("/bench/nuvafloor"), {kFrontEnd}};
    const Program bare{QStringLiteral("bare"), settings.buildDir + QStringLiteral("/bench/nuvabare"), {}};

    if (settings.sessionOnly) {
        measureSession(watcher, settings, client, workDir.path());
        measureSession(watcher, settings, floor, workDir.path());
        return;
    }
    // One start of each first, unmeasured, so that neither meets a cold disk cache.
    std::printf("warming up\n");
    measureStartup(watcher, settings, client, workDir.path());
    measureStartup(watcher, settings, floor, workDir.path());
    measureBareWindow(watcher, settings, bare, workDir.path());

    Results results;
    const Program *order[] = {&client, &floor, &bare};
    for (int round = 0; round < settings.runs; ++round) {
        std::printf("round %d of %d\n", round + 1, settings.runs);
        // Each round starts with the next program, so that none always follows the same one.
        for (int i = 0; i < 3; ++i) {
            const Program *program = order[(round + i) % 3];
            if (program == &bare)
                results.bareWindowMapped << measureBareWindow(watcher, settings, bare, workDir.path());
            else
                (program == &client ? results.client : results.floor)
                    << measureStartup(watcher, settings, *program, workDir.path());
        }
    }
    std::printf("game session: %d startGame calls, then %d restarts\n", settings.sessionCalls, settings.restarts);
    results.clientSession = measureSession(watcher, settings, client, workDir.path());
    results.floorSession = measureSession(watcher, settings, floor, workDir.path());

    const ReportContext context{QDateTime::currentDateTime(), settings.runs, settings.sessionCalls, settings.restarts,
        QFileInfo(settings.chartPath).fileName(), settings.sourceDir + QStringLiteral("/bench/NOTES.md")};
    if (!writeReport(settings.reportPath, results, context) || !writeTimelineChart(settings.chartPath, results))
        fail(QStringLiteral("cannot write the report"));
    std::printf("report: %s\n", qPrintable(settings.reportPath));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs the client and the floor in turn and writes a report of what each costs."));
    parser.addHelpOption();
    const QCommandLineOption buildOption(
        QStringLiteral("build"), QStringLiteral("the build folder"), QStringLiteral("DIR"));
    const QCommandLineOption sourceOption(
        QStringLiteral("source"), QStringLiteral("the project's root"), QStringLiteral("DIR"));
    const QCommandLineOption runsOption(QStringLiteral("runs"),
        QStringLiteral("measured starts of each program (default 5)"), QStringLiteral("N"), QStringLiteral("5"));
    const QCommandLineOption reportOption(
        QStringLiteral("report"), QStringLiteral("where to write the Markdown report"), QStringLiteral("FILE"));
    const QCommandLineOption chartOption(
        QStringLiteral("chart"), QStringLiteral("where to write the timeline chart (SVG)"), QStringLiteral("FILE"));
    const QCommandLineOption logOption(
        QStringLiteral("log"), QStringLiteral("append the programs' output to FILE"), QStringLiteral("FILE"));
    const QCommandLineOption sessionOnlyOption(
        QStringLiteral("session-only"), QStringLiteral("measure the game session alone and print it (no report)"));
    parser.addOptions({buildOption, sourceOption, runsOption, reportOption, chartOption, logOption, sessionOnlyOption});
    parser.process(app);

    Settings settings;
    settings.buildDir = QDir(parser.value(buildOption)).absolutePath();
    settings.sourceDir = QDir(parser.value(sourceOption)).absolutePath();
    settings.runs = qMax(1, parser.value(runsOption).toInt());
    settings.reportPath = parser.value(reportOption);
    settings.chartPath = parser.value(chartOption);
    settings.logFile = parser.value(logOption);
    settings.sessionOnly = parser.isSet(sessionOnlyOption);
    if (!parser.isSet(buildOption) || !parser.isSet(sourceOption)
        || (!settings.sessionOnly && (settings.reportPath.isEmpty() || settings.chartPath.isEmpty())))
        parser.showHelp(2);
    try {
        runBenchmark(settings);
        return 0;
    } catch (const Failure &failure) {
        std::fprintf(stderr, "nuvabench: %s\n", qPrintable(failure.why));
        return 1;
    }
}
