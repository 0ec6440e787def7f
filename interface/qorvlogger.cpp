#include "qorvlogger.h"

#include "engine/detail/messageargument.h"
#include "engine/logger.h"
#include "engine/logmanager.h"

#include <QHash>

#include <mutex>

using namespace LogEngine;

// One per engine logger that a handle was made on, never destroyed: loggers
// live as long as the process, and handles may be copied anywhere.
struct QORVLogger::Shared {
    explicit Shared(Logger *engineLogger)
        : logger(engineLogger)
    {
    }

    Logger *const logger;
    // No count of level changes matches all ones: the first test refreshes.
    std::atomic<quint64> enabledCache { ~quint64(0) };
};

namespace
{

constexpr int engineLevels[]
    = { Level::TRACE_INT, Level::DEBUG_INT, Level::INFO_INT, Level::WARN_INT, Level::ERROR_INT, Level::FATAL_INT };
constexpr int noLevelEnabled = QORVLOG_LEVEL_OFF;

} // namespace

QORVLogger::QORVLogger()
    : QORVLogger(QString())
{
}

QORVLogger::QORVLogger(const char *name)
    : QORVLogger(QString::fromUtf8(name))
{
}

QORVLogger::QORVLogger(const QString &name)
{
    // Never destroyed, so that handles can still be made during exit.
    static auto *const guard = new std::mutex;
    static auto *const shared = new QHash<const Logger *, Shared *>;
    Logger *logger = LogManager::logger(name);
    {
        const std::lock_guard<std::mutex> locker(*guard);
        Shared *&found = (*shared)[logger];
        if (!found)
            found = new Shared(logger);
        m_shared = found;
    }
    m_enabledCache = &m_shared->enabledCache;
    m_levelChanges = &Logger::levelChanges();
}

QString QORVLogger::name() const
{
    return m_shared->logger->name();
}

// The engine's test is a walk up the tree and a call to the repository; its
// answer for all six levels is kept in one word with the count of level
// changes it was found at. The count is read first: a change made while the
// levels are read raises it, and the next test comes here again.
bool QORVLogger::refreshEnabled(Level level) const
{
    const quint64 changes = m_levelChanges->load(std::memory_order_acquire);
    int lowest = noLevelEnabled;
    for (int candidate = TraceLevel; candidate <= FatalLevel; ++candidate) {
        if (m_shared->logger->isEnabledFor(LogEngine::Level(engineLevels[candidate]))) {
            lowest = candidate;
            break;
        }
    }
    m_enabledCache->store(changes << 8 | quint64(lowest), std::memory_order_relaxed);
    return int(level) >= lowest;
}

void QORVLogger::log(Level level, const char *file, int line, const char *function, const char *format,
    const Argument *arguments, int count) const
{
    // Strings, UTF-8 texts and integers go to the engine's one-pass builder
    // as they are; a request with anything else takes the way below.
    MessageArgument engineArguments[9];
    for (int i = 0; i < count; ++i) {
        const Argument &argument = arguments[i];
        switch (argument.m_kind) {
        case Argument::String:
            engineArguments[i] = MessageArgument(*argument.m_string);
            break;
        case Argument::Utf8:
            engineArguments[i] = MessageArgument(argument.m_utf8);
            break;
        case Argument::Signed:
            engineArguments[i] = MessageArgument(argument.m_signed);
            break;
        case Argument::Unsigned:
            engineArguments[i] = MessageArgument(argument.m_unsigned);
            break;
        default:
            logConverted(level, file, line, function, format, arguments, count);
            return;
        }
    }
    m_shared->logger->logUnchecked(
        LogEngine::Level(engineLevels[level]), SourceLocation(file, line, function), format, engineArguments, count);
}

// Numbers with a fraction, characters, Latin-1 and UTF-16 views are made
// into text first, as QString::arg makes them.
void QORVLogger::logConverted(Level level, const char *file, int line, const char *function, const char *format,
    const Argument *arguments, int count) const
{
    QString texts[9];
    MessageArgument engineArguments[9];
    for (int i = 0; i < count; ++i) {
        const Argument &argument = arguments[i];
        switch (argument.m_kind) {
        case Argument::String:
            texts[i] = *argument.m_string;
            break;
        case Argument::Utf8:
            texts[i] = QString::fromUtf8(argument.m_utf8);
            break;
        case Argument::Signed:
            texts[i] = QString::number(argument.m_signed);
            break;
        case Argument::Unsigned:
            texts[i] = QString::number(argument.m_unsigned);
            break;
        case Argument::Double:
            texts[i] = QStringLiteral("%1").arg(argument.m_double);
            break;
        case Argument::Character:
            texts[i] = QString(QChar(argument.m_character));
            break;
        case Argument::Latin1:
            texts[i] = QLatin1String(static_cast<const char *>(argument.m_view.data), int(argument.m_view.size));
            break;
        case Argument::Utf16:
            texts[i] = QStringView(static_cast<const QChar *>(argument.m_view.data), argument.m_view.size).toString();
            break;
        }
        engineArguments[i] = MessageArgument(texts[i]);
    }
    m_shared->logger->logUnchecked(
        LogEngine::Level(engineLevels[level]), SourceLocation(file, line, function), format, engineArguments, count);
}
