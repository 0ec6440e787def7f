// The costs that matter on the logging path: a request that is not enabled,
// building an event, formatting a line, and delivering it to a writer.
// Run by hand: ./build/bench/bench_logging (TZ set or not changes the
// reference figures of plain Qt, not ours).
#include "engine/appenders/dailyrollingfileappender.h"
#include "engine/appenders/fileappender.h"
#include "engine/appenders/rollingfileappender.h"
#include "engine/appenders/writerappender.h"
#include "engine/layouts/patternlayout.h"
#include "engine/layouts/simplelayout.h"
#include "engine/layouts/ttcclayout.h"
#include "engine/logger.h"
#include "engine/loggingevent.h"
#include "engine/logmanager.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDataStream>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <limits>
#include <string>

using namespace LogEngine;

namespace
{

Logger *disabledLogger()
{
    Logger *logger = LogManager::logger(QStringLiteral("bench::disabled"));
    logger->setLevel(Level::WARN_INT);
    return logger;
}

void disabledRequest(benchmark::State &state)
{
    Logger *logger = disabledLogger();
    for (auto _ : state)
        logger->debug("not formatted");
}
BENCHMARK(disabledRequest);

void disabledRequestWithArguments(benchmark::State &state)
{
    Logger *logger = disabledLogger();
    const QString name = QStringLiteral("name");
    int i = 0;
    for (auto _ : state)
        logger->debug("%1 is %2", name, ++i);
}
BENCHMARK(disabledRequestWithArguments);

void buildEvent(benchmark::State &state)
{
    Logger *logger = LogManager::logger(QStringLiteral("bench::event"));
    const QString message = QStringLiteral("A message of ordinary length for a log line");
    for (auto _ : state) {
        LoggingEvent event(logger, Level::INFO_INT, message);
        benchmark::DoNotOptimize(event);
    }
}
BENCHMARK(buildEvent);

// The same event again and again: the date text of its millisecond is reused.
void formatPattern(benchmark::State &state, const QString &pattern)
{
    PatternLayout layout(pattern);
    Logger *logger = LogManager::logger(QStringLiteral("bench::format"));
    LoggingEvent event(logger, Level::INFO_INT, QStringLiteral("A message of ordinary length for a log line"));
    for (auto _ : state)
        benchmark::DoNotOptimize(layout.format(event));
}

void formatIsoLine(benchmark::State &state)
{
    formatPattern(state, QStringLiteral("%d{ISO8601} [%t] %-5p %c - %m%n"));
}
BENCHMARK(formatIsoLine);

void formatIsoLineFreshMillisecond(benchmark::State &state)
{
    PatternLayout layout(QStringLiteral("%d{ISO8601} [%t] %-5p %c - %m%n"));
    QVector<LoggingEvent> events;
    // Streamed events carry any time stamp: 1000 consecutive milliseconds, so
    // each line needs a fresh date text.
    Logger *logger = LogManager::logger(QStringLiteral("bench::format"));
    const LoggingEvent base(logger, Level::INFO_INT, QStringLiteral("A message of ordinary length for a log line"));
    for (int i = 0; i < 1000; ++i) {
        QByteArray payload;
        QDataStream fields(&payload, QIODevice::WriteOnly);
        fields << quint16(0) << quint8(128) << base.loggerName() << base.message() << QString()
               << QHash<QString, QString>() << qint64(i) << QStringLiteral("main") << base.timeStamp() + i;
        QByteArray outer;
        QDataStream out(&outer, QIODevice::WriteOnly);
        out << payload;
        LoggingEvent event;
        QDataStream in(outer);
        in >> event;
        events.append(event);
    }
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(layout.format(events.at(i)));
        i = (i + 1) % events.size();
    }
}
BENCHMARK(formatIsoLineFreshMillisecond);

void formatTtccDefault(benchmark::State &state)
{
    TTCCLayout layout;
    Logger *logger = LogManager::logger(QStringLiteral("bench::format"));
    LoggingEvent event(logger, Level::INFO_INT, QStringLiteral("A message of ordinary length for a log line"));
    for (auto _ : state)
        benchmark::DoNotOptimize(layout.format(event));
}
BENCHMARK(formatTtccDefault);

// The reference: the same ISO line with plain Qt calls.
void formatIsoLinePlainQt(benchmark::State &state)
{
    const QString thread = QStringLiteral("main");
    const QString logger = QStringLiteral("bench::format");
    const QString message = QStringLiteral("A message of ordinary length for a log line");
    qint64 stamp = QDateTime::currentMSecsSinceEpoch();
    for (auto _ : state) {
        const QString line = QDateTime::fromMSecsSinceEpoch(++stamp).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"))
            + QLatin1String(" [") + thread + QLatin1String("] ") + QStringLiteral("INFO").leftJustified(5)
            + QLatin1Char(' ') + logger + QLatin1String(" - ") + message + QLatin1String("\r\n");
        benchmark::DoNotOptimize(line);
    }
}
BENCHMARK(formatIsoLinePlainQt);

// One writer appender with a simple layout on logger bench::deliver,
// shared by all benchmark threads.
struct Delivery {
    QBuffer buffer;
    QTemporaryDir dir;
    QFile file;
    QTextStream stream;
    LogObjectPtr<WriterAppender> appender;
    Logger *logger = LogManager::logger(QStringLiteral("bench::deliver"));

    void setUp(bool toFile, bool immediateFlush)
    {
        if (toFile) {
            file.setFileName(dir.filePath(QStringLiteral("bench.log")));
            file.open(QIODevice::WriteOnly);
            stream.setDevice(&file);
        } else {
            buffer.open(QIODevice::WriteOnly);
            stream.setDevice(&buffer);
        }
        appender = new WriterAppender(new SimpleLayout);
        appender->setWriter(&stream);
        appender->setImmediateFlush(immediateFlush);
        appender->activate();
        logger->setLevel(Level::INFO_INT);
        logger->setAdditivity(false);
        logger->addAppender(appender);
    }
    void tearDown()
    {
        logger->removeAllAppenders();
        appender = nullptr;
    }
};

Delivery *s_delivery = nullptr;

void deliverInfo(benchmark::State &state)
{
    const bool toFile = state.range(0) != 0;
    const bool immediateFlush = state.range(1) != 0;
    if (state.thread_index() == 0) {
        s_delivery = new Delivery;
        s_delivery->setUp(toFile, immediateFlush);
    }
    const QString message = QStringLiteral("A message of ordinary length for a log line");
    for (auto _ : state)
        s_delivery->logger->info(message);
    // Events per second over all threads: what two threads sharing one
    // appender achieve together.
    state.SetItemsProcessed(state.iterations());
    if (state.thread_index() == 0) {
        s_delivery->tearDown();
        delete s_delivery;
        s_delivery = nullptr;
    }
}
BENCHMARK(deliverInfo)
    ->ArgNames({ "file", "flush" })
    ->Args({ 0, 0 })
    ->Args({ 0, 1 })
    ->Args({ 1, 0 })
    ->Args({ 1, 1 })
    ->Threads(1)
    ->Threads(2)
    ->UseRealTime();

// Write system calls of the whole process so far, from the kernel's own
// accounting; -1 where it is not available.
long long writeCalls()
{
    long long calls = -1;
    if (FILE *io = std::fopen("/proc/self/io", "r")) {
        char key[32];
        long long value = 0;
        while (std::fscanf(io, "%31s %lld", key, &value) == 2) {
            if (std::string(key) == "syscw:")
                calls = value;
        }
        std::fclose(io);
    }
    return calls;
}

// The ISO line on a real file: through a writer appender on a QFile opened
// by hand with the same modes, a file appender, a size-rolling appender whose
// limit is never reached, or a date-rolling appender between its roll-overs.
// Logger bench::file, shared by all benchmark threads.
struct FileDelivery {
    enum Kind { HandMade, File, SizeRolling, DateRolling };

    QTemporaryDir dir;
    QFile file;
    QTextStream stream;
    LogObjectPtr<WriterAppender> appender;
    Logger *logger = LogManager::logger(QStringLiteral("bench::file"));

    void setUp(Kind kind, bool immediateFlush)
    {
        auto *layout = new PatternLayout(QStringLiteral("%d{ISO8601} [%t] %-5p %c - %m%n"));
        const QString name = dir.filePath(QStringLiteral("bench.log"));
        switch (kind) {
        case HandMade:
            file.setFileName(name);
            file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Truncate);
            stream.setDevice(&file);
            appender = new WriterAppender(layout);
            appender->setWriter(&stream);
            break;
        case File:
            appender = new FileAppender(layout, name);
            break;
        case SizeRolling: {
            auto *rolling = new RollingFileAppender(layout, name);
            rolling->setMaximumFileSize(std::numeric_limits<qint64>::max());
            appender = rolling;
            break;
        }
        case DateRolling:
            appender = new DailyRollingFileAppender(layout, name, QStringLiteral("'.'yyyy-MM-dd"));
            break;
        }
        appender->setImmediateFlush(immediateFlush);
        appender->activate();
        logger->setLevel(Level::INFO_INT);
        logger->setAdditivity(false);
        logger->addAppender(appender);
    }
    void tearDown()
    {
        logger->removeAllAppenders();
        appender = nullptr;
    }
};

FileDelivery *s_fileDelivery = nullptr;

// "writes" counts the write system calls per event: 1 with immediate flush.
void isoLineToFile(benchmark::State &state)
{
    long long callsBefore = 0;
    if (state.thread_index() == 0) {
        s_fileDelivery = new FileDelivery;
        s_fileDelivery->setUp(FileDelivery::Kind(state.range(0)), state.range(1) != 0);
        callsBefore = writeCalls();
    }
    const QString message = QStringLiteral("A message of ordinary length for a log line");
    for (auto _ : state)
        s_fileDelivery->logger->info(message);
    state.SetItemsProcessed(state.iterations());
    if (state.thread_index() == 0) {
        const long long calls = writeCalls() - callsBefore;
        state.counters["writes"] = double(calls) / double(state.iterations() * state.threads());
        s_fileDelivery->tearDown();
        delete s_fileDelivery;
        s_fileDelivery = nullptr;
    }
}
// appender: 0 writer appender on a hand-made file, 1 file appender,
// 2 size-rolling, 3 date-rolling appender.
BENCHMARK(isoLineToFile)
    ->ArgNames({ "appender", "flush" })
    ->ArgsProduct({ { 0, 1, 2, 3 }, { 0, 1 } })
    ->Threads(1)
    ->Threads(2)
    ->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
