// The request paths of an application: QORVLogManager::instance(), then a
// severity operation with the message and a logger name; and a QORVLOG_*
// macro on a QORVLogger handle. Each beside the same request made on the
// engine logger directly. Disabled (the logger at INFO, a debug request) and
// enabled (at DEBUG, into a buffered file attached with addFile). Run by
// hand: ./build/bench/bench_interface
//
// "allocs" counts the heap allocations per request, made anywhere in the
// process while the loop runs (not counted under the address sanitizer,
// which owns malloc).
#include "engine/logger.h"
#include "engine/logmanager.h"
#include "qorvlogger.h"
#include "qorvlogmanager.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstddef>

using namespace LogEngine;

#if !defined(__SANITIZE_ADDRESS__)
#define QORVLOG_COUNT_ALLOCATIONS 1
namespace
{
std::atomic<long long> s_allocations { 0 };
}
extern "C" void *__libc_malloc(std::size_t size);
extern "C" void *__libc_realloc(void *pointer, std::size_t size);
extern "C" void *malloc(std::size_t size)
{
    s_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}
extern "C" void *realloc(void *pointer, std::size_t size)
{
    s_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(pointer, size);
}
#endif

namespace
{

long long allocations()
{
#ifdef QORVLOG_COUNT_ALLOCATIONS
    return s_allocations.load(std::memory_order_relaxed);
#else
    return 0;
#endif
}

const QString message = QStringLiteral("A message of ordinary length for a log line");

// Runs the loop and reports the allocations it made per request.
template <typename Request> void measure(benchmark::State &state, Request request)
{
    const long long before = allocations();
    for (auto _ : state)
        request();
    state.counters["allocs"] = double(allocations() - before) / double(state.iterations());
}

void disabledThroughInterface(benchmark::State &state)
{
    QORVLogManager::instance()->setLevel(QORVLogLevel::InfoLevel, QStringLiteral("app::net"));
    measure(state, [] { QORVLogManager::instance()->debug(message, QStringLiteral("app::net")); });
}
BENCHMARK(disabledThroughInterface);

void disabledOnEngineLogger(benchmark::State &state)
{
    QORVLogManager::instance()->setLevel(QORVLogLevel::InfoLevel, QStringLiteral("app::net"));
    Logger *logger = LogManager::logger(QStringLiteral("app::net"));
    measure(state, [logger] { logger->debug(message); });
}
BENCHMARK(disabledOnEngineLogger);

void disabledThroughMacro(benchmark::State &state)
{
    QORVLogManager::instance()->setLevel(QORVLogLevel::InfoLevel, QStringLiteral("app::net"));
    const QORVLogger log("app::net");
    measure(state, [&log] { QORVLOG_DEBUG(log, "Sent %1 bytes to %2", 1500, message); });
}
BENCHMARK(disabledThroughMacro);

// The file the interface attaches: TTCC with ISO 8601 dates, truncated,
// buffered, flushed after each event.
struct EnabledFile {
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("app.log"));

    EnabledFile()
    {
        QORVLogManager::instance()->setLevel(QORVLogLevel::DebugLevel, QStringLiteral("app::net"));
        QORVLogManager::instance()->addFile(fileName, QStringLiteral("app::net"));
    }
    ~EnabledFile() { QORVLogManager::instance()->removeFile(fileName, QStringLiteral("app::net")); }
};

void enabledThroughInterface(benchmark::State &state)
{
    EnabledFile file;
    measure(state, [] { QORVLogManager::instance()->debug(message, QStringLiteral("app::net")); });
}
BENCHMARK(enabledThroughInterface);

void enabledOnEngineLogger(benchmark::State &state)
{
    EnabledFile file;
    Logger *logger = LogManager::logger(QStringLiteral("app::net"));
    measure(state, [logger] { logger->debug(message); });
}
BENCHMARK(enabledOnEngineLogger);

// A message made of a format and two arguments, on the engine logger and
// through the macro, which also takes the file, line and function along.
void enabledFormattedOnEngineLogger(benchmark::State &state)
{
    EnabledFile file;
    Logger *logger = LogManager::logger(QStringLiteral("app::net"));
    measure(state, [logger] { logger->debug("Sent %1 bytes to %2", 1500, message); });
}
BENCHMARK(enabledFormattedOnEngineLogger);

void enabledThroughMacro(benchmark::State &state)
{
    EnabledFile file;
    const QORVLogger log("app::net");
    measure(state, [&log] { QORVLOG_DEBUG(log, "Sent %1 bytes to %2", 1500, message); });
}
BENCHMARK(enabledThroughMacro);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
