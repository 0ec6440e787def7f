// qorvlog beside spdlog on one workload (see comparison.h): each scenario runs
// through both libraries, repetitions interleaved at random so that both see
// the same machine, and the medians are compared in a table at the end.
//
//   ./build-bench/bench/bench_versus_spdlog [Google Benchmark flags]
//
// Defaults: 5 repetitions, random interleaving. The engine writes through
// its file appender on the root logger (a log4j-style "rootLogger=INFO,
// file"); requests are made on app::net, whose level is unset, so every
// line passes two loggers without appenders on its way to the root.
#include "comparison.h"

#include "engine/appenders/appenderskeleton.h"
#include "engine/appenders/asyncappender.h"
#include "engine/appenders/fileappender.h"
#include "engine/appenders/nullappender.h"
#include "engine/layouts/layout.h"
#include "engine/layouts/patternlayout.h"
#include "engine/logger.h"
#include "engine/logmanager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

using namespace LogEngine;

namespace
{

const QString isoPattern = QStringLiteral("%d{ISO8601} [%t] %-5p %c - %m%n");

// Formats every event as a writer appender does and drops the text: the
// engine's counterpart of a spdlog sink that formats and discards.
class DiscardingAppender : public AppenderSkeleton
{
public:
    explicit DiscardingAppender(Layout *layout)
        : AppenderSkeleton(nullptr)
    {
        setLayout(layout);
    }
    bool requiresLayout() const override { return true; }
    QDebug debug(QDebug &debug) const override { return debug << "DiscardingAppender()"; }

protected:
    void append(const LoggingEvent &event) override
    {
        m_line.resize(0);
        layout()->appendFormatted(m_line, event);
        benchmark::DoNotOptimize(m_line.constData());
        benchmark::ClobberMemory();
    }

private:
    QString m_line;
};

Logger *rootLogger()
{
    return LogManager::logger(QString());
}

Logger *requestLogger()
{
    return LogManager::logger(QString::fromLatin1(comparison::loggerName));
}

void nameThread()
{
    QThread::currentThread()->setObjectName(QString::fromLatin1(comparison::threadName));
}

// The root at INFO with one appender; app::net takes its level from it.
void attachToRoot(Appender *appender)
{
    rootLogger()->setLevel(Level::INFO_INT);
    requestLogger()->setLevel(Level::NULL_INT);
    rootLogger()->addAppender(appender);
}

void detachFromRoot()
{
    rootLogger()->removeAllAppenders();
}

QString scratchFile()
{
    return QDir::temp().filePath(
        QStringLiteral("qorvlog-versus-spdlog-%1.log").arg(QCoreApplication::applicationPid()));
}

FileAppender *makeFileAppender(const QString &path, bool flushEveryLine)
{
    auto *appender = new FileAppender(new PatternLayout(isoPattern), path);
    appender->setBufferedIo(true);
    appender->setImmediateFlush(flushEveryLine);
    appender->activate();
    return appender;
}

// The buffered file, or with `async` the asynchronous appender (blocking,
// the queue as large as spdlog's) in front of it, whose queue is written
// when it is detached, after the timed loop.
Appender *makeDestination(const QString &path, bool flushEveryLine, bool async)
{
    if (!async)
        return makeFileAppender(path, flushEveryLine);
    auto *appender = new AsyncAppender;
    appender->setBufferSize(comparison::asyncQueueSize);
    appender->addAppender(makeFileAppender(path, flushEveryLine));
    appender->activate();
    return appender;
}

void toFile(benchmark::State &state, bool flushEveryLine, bool async = false)
{
    nameThread();
    const QString path = scratchFile();
    if (state.thread_index() == 0)
        attachToRoot(makeDestination(path, flushEveryLine, async));
    Logger *logger = requestLogger();
    const QString user = QString::fromLatin1(comparison::userName);
    int request = 0;
    for (auto _ : state)
        logger->info("Processing request %1 for user %2", ++request, user);
    if (state.thread_index() == 0) {
        detachFromRoot();
        QFile::remove(path);
    }
}

void disabled(benchmark::State &state)
{
    Logger *logger = requestLogger();
    logger->setLevel(Level::WARN_INT);
    const QString user = QString::fromLatin1(comparison::userName);
    int request = 0;
    for (auto _ : state) {
        logger->debug("Processing request %1 for user %2", ++request, user);
        benchmark::ClobberMemory();
    }
    logger->setLevel(Level::NULL_INT);
}

void formatOnly(benchmark::State &state)
{
    nameThread();
    attachToRoot(new DiscardingAppender(new PatternLayout(isoPattern)));
    Logger *logger = requestLogger();
    const QString user = QString::fromLatin1(comparison::userName);
    int request = 0;
    for (auto _ : state)
        logger->info("Processing request %1 for user %2", ++request, user);
    detachFromRoot();
}

// An event made on a logger `range(0)` levels below the one whose (null)
// appender receives it, with nothing attached in between.
void ancestors(benchmark::State &state)
{
    const int depth = int(state.range(0));
    Logger *top = LogManager::logger(QStringLiteral("bench"));
    QString name = QStringLiteral("bench");
    for (int i = 1; i <= depth; ++i)
        name += QStringLiteral("::%1").arg(i);
    Logger *logger = LogManager::logger(name);
    auto *appender = new NullAppender;
    appender->activate();
    top->setLevel(Level::INFO_INT);
    top->setAdditivity(false);
    top->addAppender(appender);
    const QString message = QStringLiteral("Processing request");
    for (auto _ : state)
        logger->info(message);
    top->removeAllAppenders();
}

void lookup(benchmark::State &state)
{
    const QString name = QString::fromLatin1(comparison::loggerName);
    for (auto _ : state)
        benchmark::DoNotOptimize(LogManager::logger(name));
}

void registerEngineBenchmarks()
{
    benchmark::RegisterBenchmark("disabled/qorvlog", disabled);
    benchmark::RegisterBenchmark("fileFlushEveryLine/qorvlog", [](benchmark::State &state) {
        toFile(state, true);
    })->Iterations(comparison::linesPerRun);
    benchmark::RegisterBenchmark("fileBuffered/qorvlog", [](benchmark::State &state) {
        toFile(state, false);
    })->Iterations(comparison::linesPerRun);
    benchmark::RegisterBenchmark("twoThreadsBuffered/qorvlog", [](benchmark::State &state) { toFile(state, false); })
        ->Iterations(comparison::linesPerRun / 2)
        ->Threads(2)
        ->UseRealTime();
    benchmark::RegisterBenchmark("formatOnly/qorvlog", formatOnly)->Iterations(comparison::linesPerRun);
    benchmark::RegisterBenchmark(
        "asyncOneProducer/qorvlog", [](benchmark::State &state) { toFile(state, false, true); })
        ->Iterations(comparison::linesPerRun)
        ->UseRealTime();
    benchmark::RegisterBenchmark(
        "asyncTwoProducers/qorvlog", [](benchmark::State &state) { toFile(state, false, true); })
        ->Iterations(comparison::linesPerRun / 2)
        ->Threads(2)
        ->UseRealTime();
    benchmark::RegisterBenchmark("ancestors/qorvlog", ancestors)->Arg(0)->Arg(10);
    benchmark::RegisterBenchmark("lookup/qorvlog", lookup);
}

// The first lines of both libraries, which must be the same apart from the
// time stamp.
bool sameLines()
{
    QTemporaryDir dir;
    const QString enginePath = dir.filePath(QStringLiteral("qorvlog.log"));
    const QString peerPath = dir.filePath(QStringLiteral("spdlog.log"));
    const int count = 3;
    nameThread();
    attachToRoot(makeFileAppender(enginePath, false));
    const QString user = QString::fromLatin1(comparison::userName);
    for (int request = 1; request <= count; ++request)
        requestLogger()->info("Processing request %1 for user %2", request, user);
    detachFromRoot();
    comparison::writeSpdlogSample(peerPath.toStdString(), count);

    auto read = [](const QString &path) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    };
    const QByteArray engine = read(enginePath);
    const QByteArray peer = read(peerPath);
    const QRegularExpression stamp(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}"));
    const QList<QByteArray> engineLines = engine.split('\n');
    const QList<QByteArray> peerLines = peer.split('\n');
    bool same = engineLines.size() == count + 1 && peerLines.size() == count + 1;
    for (int i = 0; same && i < count; ++i) {
        const QString a = QString::fromUtf8(engineLines.at(i));
        const QString b = QString::fromUtf8(peerLines.at(i));
        same = stamp.match(a).hasMatch() && stamp.match(b).hasMatch() && a.mid(23) == b.mid(23)
            && a.mid(23)
                == QStringLiteral(" [main] INFO  app::net - Processing request %1 for user alice\r").arg(i + 1);
    }
    std::printf("First %d lines of both (time stamps aside): %s\n", count, same ? "identical" : "DIFFERENT");
    if (!same)
        std::printf("qorvlog:\n%s\nspdlog:\n%s\n", engine.constData(), peer.constData());
    return same;
}

std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// Keeps every repetition's figures for the table; prints as usual.
class CollectingReporter : public benchmark::ConsoleReporter
{
public:
    struct Figures {
        std::vector<double> cpu;
        std::vector<double> wall;
    };

    using ConsoleReporter::ConsoleReporter;

    void ReportRuns(const std::vector<Run> &reports) override
    {
        for (const Run &run : reports) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            // "scenario/library[/argument][/iterations:n/real_time/...]":
            // the argument of the ancestors case belongs to the key.
            const std::string name = run.benchmark_name();
            std::string key;
            for (size_t start = 0, part = 0; start <= name.size(); ++part) {
                const size_t end = std::min(name.find('/', start), name.size());
                const std::string piece = name.substr(start, end - start);
                if (part < 2 || (!piece.empty() && piece.find_first_not_of("0123456789") == std::string::npos))
                    key += (key.empty() ? "" : "/") + piece;
                start = end + 1;
            }
            Figures &figures = m_figures[key];
            figures.cpu.push_back(run.GetAdjustedCPUTime());
            figures.wall.push_back(run.GetAdjustedRealTime());
        }
        ConsoleReporter::ReportRuns(reports);
    }

    // Median over the repetitions, or -1 when the case did not run.
    double median(const std::string &key, bool wall) const
    {
        const auto found = m_figures.find(key);
        if (found == m_figures.end())
            return -1;
        std::vector<double> values = wall ? found->second.wall : found->second.cpu;
        if (values.empty())
            return -1;
        std::sort(values.begin(), values.end());
        const size_t n = values.size();
        return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    }

private:
    std::map<std::string, Figures> m_figures;
};

std::string number(double value)
{
    if (value < 0)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, value < 10 ? "%.2f" : "%.0f", value);
    return text;
}

void printTable(const CollectingReporter &reporter)
{
    struct Row {
        const char *scenario;
        const char *key;
        const char *goal;
        double bound; // for the ratio, or for qorvlog's own time when absolute
        bool absolute; // the bound is in nanoseconds
        bool inclusive; // the bound itself meets the goal
        bool wallGoal; // the goal is on wall time
    };
    const Row rows[] = {
        { "disabled DEBUG request on a WARN logger", "disabled", "<= 1 ns", 1.0, true, true, false },
        { "file, flush after every line", "fileFlushEveryLine", "<= 1.0x", 1.0, false, true, false },
        { "file, buffered", "fileBuffered", "<= 1.0x", 1.0, false, true, false },
        { "two threads, one file, buffered", "twoThreadsBuffered", "<= 0.8x (wall)", 0.8, false, true, true },
        { "format only, output discarded", "formatOnly", "<= 1.0x", 1.0, false, true, false },
        { "async, 1 producer, caller's cost", "asyncOneProducer", "<= 1.0x", 1.0, false, true, false },
        { "async, 2 producers, callers' cost", "asyncTwoProducers", "<= 1.0x", 1.0, false, true, false },
        { "existing logger by name", "lookup", "< 50 ns", 50.0, true, false, false },
    };
    std::printf("\nMedians in ns per line (CPU time of the logging threads; wall time per line over all threads)\n");
    std::printf("%-42s %10s %10s %7s %10s %10s %7s  %-16s %s\n", "scenario", "qorvlog", "spdlog", "ratio", "q. wall",
        "s. wall", "ratio", "goal", "met");
    for (const Row &row : rows) {
        const std::string engineKey = std::string(row.key) + "/qorvlog";
        const std::string peerKey = std::string(row.key) + "/spdlog";
        const double engineCpu = reporter.median(engineKey, false);
        const double peerCpu = reporter.median(peerKey, false);
        const double engineWall = reporter.median(engineKey, true);
        const double peerWall = reporter.median(peerKey, true);
        const double cpuRatio = engineCpu >= 0 && peerCpu > 0 ? engineCpu / peerCpu : -1;
        const double wallRatio = engineWall >= 0 && peerWall > 0 ? engineWall / peerWall : -1;
        const double measured = row.absolute ? engineCpu : (row.wallGoal ? wallRatio : cpuRatio);
        const bool within = row.inclusive ? measured <= row.bound : measured < row.bound;
        const char *met = measured < 0 ? "-" : within ? "yes" : "NO";
        std::printf("%-42s %10s %10s %7s %10s %10s %7s  %-16s %s\n", row.scenario, number(engineCpu).c_str(),
            number(peerCpu).c_str(), number(cpuRatio).c_str(), number(engineWall).c_str(), number(peerWall).c_str(),
            number(wallRatio).c_str(), row.goal, met);
    }
    // The difference between ten ancestors and none, per ancestor; it may
    // come out a little below zero.
    const double flat = reporter.median("ancestors/qorvlog/0", false);
    const double deep = reporter.median("ancestors/qorvlog/10", false);
    const bool measured = flat >= 0 && deep >= 0;
    char perAncestor[32] = "-";
    if (measured)
        std::snprintf(perAncestor, sizeof perAncestor, "%.2f", (deep - flat) / 10);
    std::printf("%-42s %10s %10s %7s %10s %10s %7s  %-16s %s\n", "an ancestor without appenders", perAncestor, "-", "-",
        "-", "-", "-", "< 5 ns",
        !measured                    ? "-"
            : (deep - flat) / 10 < 5 ? "yes"
                                     : "NO");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Defaults that the command line may override: later flags win.
    std::vector<char *> args(argv, argv + argc);
    char repetitions[] = "--benchmark_repetitions=5";
    char interleaving[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, { repetitions, interleaving });
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;

    const bool same = sameLines();
    registerEngineBenchmarks();
    comparison::registerSpdlogBenchmarks();
    std::printf("Load average before: %s (%d processors)\n", loadAverage().c_str(), QThread::idealThreadCount());
    CollectingReporter reporter(
        isatty(fileno(stdout)) ? benchmark::ConsoleReporter::OO_Defaults : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    printTable(reporter);
    std::printf("Load average after: %s\n", loadAverage().c_str());
    return same ? 0 : 1;
}
