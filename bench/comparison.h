#ifndef QORVLOG_BENCH_COMPARISON_H
#define QORVLOG_BENCH_COMPARISON_H

// The workload that qorvlog and spdlog run side by side: one line per
// request, "2026-12-06 12:00:00.123 [main] INFO  app::net - Processing
// request N for user alice" and CRLF, on the logger app::net.

#include <cstdint>
#include <string>

namespace comparison
{

// Lines per run of the file and format scenarios, split between the threads
// of the two-thread one.
constexpr std::int64_t linesPerRun = 1000000;

// Events the asynchronous scenarios' queues hold, on both sides (spdlog's
// default).
constexpr int asyncQueueSize = 8192;

constexpr const char *loggerName = "app::net";
constexpr const char *threadName = "main";
constexpr const char *userName = "alice";

// spdlog's side: registers its benchmarks, one per scenario, named
// "<scenario>/spdlog".
void registerSpdlogBenchmarks();
// Writes `count` lines numbered from 1 through a spdlog file sink set up as
// in the benchmarks.
void writeSpdlogSample(const std::string &path, int count);

} // namespace comparison

#endif
