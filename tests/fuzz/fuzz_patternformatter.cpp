// Any text as a conversion pattern: parsing never fails, and the formatter
// it gives formats an event. One parse and one format per input, so that
// libFuzzer's times are those of a layout's work.
#include "fuzzquiet.h"

#include "engine/layouts/patternformatter.h"
#include "engine/loggingevent.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString pattern = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    static LogEngine::Logger *const logger = LogEngine::LogManager::logger(QStringLiteral("fuzz::pattern::logger"));
    const LogEngine::LoggingEvent event(logger, LogEngine::Level::WARN_INT, QStringLiteral("message"));
    const LogEngine::PatternFormatter formatter(pattern);
    formatter.format(event);
    return 0;
}
