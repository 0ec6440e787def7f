// How a configuration run grows with the size of the file: one logger with
// its own appender, layout and properties per unit, and one logger holding
// every appender. Each run resets first, so every run builds everything.
// Run by hand: ./build/bench/bench_configuration
#include "engine/configuration/propertyconfigurator.h"
#include "engine/logmanager.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace LogEngine;

namespace
{

QString writeConfiguration(const QTemporaryDir &dir, const QByteArray &text)
{
    const QString path = dir.filePath(QStringLiteral("bench.properties"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void runConfiguration(benchmark::State &state, const QByteArray &text)
{
    QTemporaryDir dir;
    const QString path = writeConfiguration(dir, "log4j.reset=true\n" + text);
    for (auto _ : state) {
        if (!PropertyConfigurator::configure(path))
            state.SkipWithError("the run reported errors");
    }
    state.SetComplexityN(state.range(0));
    LogManager::resetConfiguration();
}

QByteArray appender(const QByteArray &name)
{
    const QByteArray key = "log4j.appender." + name;
    return key + "=org.apache.log4j.ConsoleAppender\n" + key + ".Threshold=DEBUG\n" + key
        + ".layout=org.apache.log4j.PatternLayout\n" + key + ".layout.ConversionPattern=%d %p %c - %m%n\n";
}

void loggersWithOwnAppenders(benchmark::State &state)
{
    QByteArray text;
    for (int i = 0; i < state.range(0); ++i) {
        const QByteArray n = QByteArray::number(i);
        text += "log4j.logger.app.module" + n + ".part=INFO, A" + n + "\nlog4j.additivity.app.module" + n
            + ".part=false\n" + appender("A" + n);
    }
    runConfiguration(state, text);
}
BENCHMARK(loggersWithOwnAppenders)->RangeMultiplier(2)->Range(1250, 20000)->Unit(benchmark::kMillisecond)->Complexity();

void oneLoggerWithEveryAppender(benchmark::State &state)
{
    QByteArray text = "log4j.rootLogger=INFO";
    QByteArray definitions;
    for (int i = 0; i < state.range(0); ++i) {
        const QByteArray n = QByteArray::number(i);
        text += ", A" + n;
        definitions += appender("A" + n);
    }
    runConfiguration(state, text + '\n' + definitions);
}
BENCHMARK(oneLoggerWithEveryAppender)
    ->RangeMultiplier(2)
    ->Range(1250, 20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
