// spdlog's side of the comparison: the same lines through spdlog 1.10 as
// Debian ships it, used header-only so that its level names can be the
// engine's (the only way spdlog prints "INFO" and "WARN"). The thread name is
// a custom flag reading a thread-local name, as the engine's %t reads the
// thread's object name.
#include "comparison.h"

#include <spdlog/async.h>
#include <spdlog/async_logger.h>
#include <spdlog/logger.h>
#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/base_sink.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>

#include <unistd.h>

namespace comparison
{

namespace
{

thread_local std::string t_threadName;

class ThreadNameFlag : public spdlog::custom_flag_formatter
{
public:
    void format(const spdlog::details::log_msg &, const std::tm &, spdlog::memory_buf_t &dest) override
    {
        dest.append(t_threadName.data(), t_threadName.data() + t_threadName.size());
    }
    std::unique_ptr<custom_flag_formatter> clone() const override { return std::make_unique<ThreadNameFlag>(); }
};

// Formats every line as a file sink does and drops it.
class DiscardingSink : public spdlog::sinks::base_sink<std::mutex>
{
protected:
    void sink_it_(const spdlog::details::log_msg &message) override
    {
        spdlog::memory_buf_t formatted;
        formatter_->format(message, formatted);
        benchmark::DoNotOptimize(formatted.data());
        benchmark::ClobberMemory();
    }
    void flush_() override { }
};

std::unique_ptr<spdlog::formatter> isoFormatter()
{
    auto formatter = std::make_unique<spdlog::pattern_formatter>(spdlog::pattern_time_type::local, std::string("\r\n"));
    formatter->add_flag<ThreadNameFlag>('*').set_pattern("%Y-%m-%d %H:%M:%S.%e [%*] %-5l %n - %v");
    return formatter;
}

std::shared_ptr<spdlog::logger> makeLogger(spdlog::sink_ptr sink, bool flushEveryLine)
{
    auto logger = std::make_shared<spdlog::logger>(loggerName, std::move(sink));
    logger->set_formatter(isoFormatter());
    logger->set_level(spdlog::level::info);
    logger->flush_on(flushEveryLine ? spdlog::level::trace : spdlog::level::off);
    return logger;
}

std::string scratchFile()
{
    return std::string(P_tmpdir) + "/qorvlog-versus-spdlog-" + std::to_string(::getpid()) + ".log";
}

std::shared_ptr<spdlog::logger> s_shared;
// With `async`, spdlog's asynchronous logger, blocking on a full queue, in
// front of the same buffered file sink; its thread formats, so it is given
// the name the engine's event carries from the call.
std::shared_ptr<spdlog::details::thread_pool> s_pool;

std::shared_ptr<spdlog::logger> makeFileLogger(const std::string &path, bool flushEveryLine, bool async)
{
    auto sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>(path, true);
    if (!async)
        return makeLogger(std::move(sink), flushEveryLine);
    s_pool = std::make_shared<spdlog::details::thread_pool>(asyncQueueSize, 1, [] { t_threadName = threadName; });
    auto logger = std::make_shared<spdlog::async_logger>(
        loggerName, std::move(sink), s_pool, spdlog::async_overflow_policy::block);
    logger->set_formatter(isoFormatter());
    logger->set_level(spdlog::level::info);
    logger->flush_on(flushEveryLine ? spdlog::level::trace : spdlog::level::off);
    return logger;
}

void toFile(benchmark::State &state, bool flushEveryLine, bool async = false)
{
    t_threadName = threadName;
    const std::string path = scratchFile();
    if (state.thread_index() == 0)
        s_shared = makeFileLogger(path, flushEveryLine, async);
    const std::string user = userName;
    // Numbers start at 1 in every thread, as on the engine's side.
    int request = 0;
    for (auto _ : state)
        s_shared->info("Processing request {} for user {}", ++request, user);
    if (state.thread_index() == 0) {
        // An asynchronous logger's pool delivers what is queued and joins
        // its thread when it ends.
        if (!async)
            s_shared->flush();
        s_shared.reset();
        s_pool.reset();
        std::remove(path.c_str());
    }
}

void disabled(benchmark::State &state)
{
    auto logger = makeLogger(std::make_shared<DiscardingSink>(), false);
    logger->set_level(spdlog::level::warn);
    const std::string user = userName;
    int request = 0;
    for (auto _ : state) {
        logger->debug("Processing request {} for user {}", ++request, user);
        benchmark::ClobberMemory();
    }
}

void formatOnly(benchmark::State &state)
{
    t_threadName = threadName;
    auto logger = makeLogger(std::make_shared<DiscardingSink>(), false);
    const std::string user = userName;
    int request = 0;
    for (auto _ : state)
        logger->info("Processing request {} for user {}", ++request, user);
}

void lookup(benchmark::State &state)
{
    spdlog::register_logger(makeLogger(std::make_shared<DiscardingSink>(), false));
    const std::string name = loggerName;
    for (auto _ : state)
        benchmark::DoNotOptimize(spdlog::get(name));
    spdlog::drop(name);
}

} // namespace

void registerSpdlogBenchmarks()
{
    benchmark::RegisterBenchmark("disabled/spdlog", disabled);
    benchmark::RegisterBenchmark("fileFlushEveryLine/spdlog", [](benchmark::State &state) {
        toFile(state, true);
    })->Iterations(linesPerRun);
    benchmark::RegisterBenchmark("fileBuffered/spdlog", [](benchmark::State &state) {
        toFile(state, false);
    })->Iterations(linesPerRun);
    benchmark::RegisterBenchmark("twoThreadsBuffered/spdlog", [](benchmark::State &state) { toFile(state, false); })
        ->Iterations(linesPerRun / 2)
        ->Threads(2)
        ->UseRealTime();
    benchmark::RegisterBenchmark("formatOnly/spdlog", formatOnly)->Iterations(linesPerRun);
    benchmark::RegisterBenchmark("asyncOneProducer/spdlog", [](benchmark::State &state) { toFile(state, false, true); })
        ->Iterations(linesPerRun)
        ->UseRealTime();
    benchmark::RegisterBenchmark(
        "asyncTwoProducers/spdlog", [](benchmark::State &state) { toFile(state, false, true); })
        ->Iterations(linesPerRun / 2)
        ->Threads(2)
        ->UseRealTime();
    benchmark::RegisterBenchmark("lookup/spdlog", lookup);
}

void writeSpdlogSample(const std::string &path, int count)
{
    t_threadName = threadName;
    auto logger = makeLogger(std::make_shared<spdlog::sinks::basic_file_sink_mt>(path, true), false);
    const std::string user = userName;
    for (int request = 1; request <= count; ++request)
        logger->info("Processing request {} for user {}", request, user);
    logger->flush();
}

} // namespace comparison
