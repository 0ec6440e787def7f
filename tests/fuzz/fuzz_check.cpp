// Any bytes as a file for `qorvlog check`: the checker's own passes over
// the keys, names, variables and patterns end without crash or hang, and
// each finding names a line of the file or the file as a whole.
//
// Run in a directory of its own: the input is written there as a file.
// Nothing is opened for writing by a check.
#include "fuzzquiet.h"

#include "configurationchecker.h"

#include "engine/logger.h"
#include "engine/loggerrepository.h"

#include <QFile>

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString name = QStringLiteral("fuzz-check.properties");
    {
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    // The tool's internal logging: WARN, going nowhere but to the checker.
    LogEngine::LogManager::internalLogger()->setLevel(LogEngine::Level::WARN_INT);
    ConfigurationChecker checker(name);
    checker.run();
    // A line ends at a line feed or a carriage return, at most.
    const int lines
        = int(std::count(data, data + size, uint8_t('\n')) + std::count(data, data + size, uint8_t('\r'))) + 1;
    for (const ConfigurationChecker::Finding &finding : checker.findings()) {
        if (finding.line < 0 || finding.line > lines)
            std::abort();
    }
    // The tool keeps the checker's loggers to its end; here they would pile
    // up input after input.
    LogEngine::LogManager::internalLogger()->setLevel(LogEngine::Level::OFF_INT);
    LogEngine::LoggerRepository *repository = checker.repository();
    const QList<LogEngine::Logger *> loggers = repository->loggers();
    delete repository;
    qDeleteAll(loggers);
    return 0;
}
