#include "qorvloglevel.h"

#include "engine/level.h"

#include <QCoreApplication>

namespace
{

const char *const displayNames[] = { QT_TRANSLATE_NOOP("QORVLogLevel", "NULL"),
    QT_TRANSLATE_NOOP("QORVLogLevel", "ALL"), QT_TRANSLATE_NOOP("QORVLogLevel", "TRACE"),
    QT_TRANSLATE_NOOP("QORVLogLevel", "DEBUG"), QT_TRANSLATE_NOOP("QORVLogLevel", "INFO"),
    QT_TRANSLATE_NOOP("QORVLogLevel", "WARN"), QT_TRANSLATE_NOOP("QORVLogLevel", "ERROR"),
    QT_TRANSLATE_NOOP("QORVLogLevel", "FATAL"), QT_TRANSLATE_NOOP("QORVLogLevel", "STATISTIC"),
    QT_TRANSLATE_NOOP("QORVLogLevel", "STATUS REPORT"), QT_TRANSLATE_NOOP("QORVLogLevel", "OFF") };

constexpr int engineLevels[] = { LogEngine::Level::NULL_INT, LogEngine::Level::ALL_INT, LogEngine::Level::TRACE_INT,
    LogEngine::Level::DEBUG_INT, LogEngine::Level::INFO_INT, LogEngine::Level::WARN_INT, LogEngine::Level::ERROR_INT,
    LogEngine::Level::FATAL_INT, LogEngine::Level::INFO_INT, LogEngine::Level::INFO_INT, LogEngine::Level::OFF_INT };

bool isNamed(int level)
{
    return level >= QORVLogLevel::NullLevel && level <= QORVLogLevel::OffLevel;
}

} // namespace

ORV_MsgLevel QORVLogLevel::toORVMsgLevel() const
{
    switch (m_level) {
    case WarnLevel:
        return MsgWarn;
    case ErrorLevel:
        return MsgError;
    case FatalLevel:
        return MsgFatal;
    case StatLevel:
        return MsgStatistic;
    case StatusLevel:
        return MsgStatusReport;
    default:
        return MsgInform;
    }
}

QString QORVLogLevel::toString() const
{
    const int index = isNamed(m_level) ? int(m_level) : int(NullLevel);
    return QCoreApplication::translate("QORVLogLevel", displayNames[index]);
}

QORVLogLevel QORVLogLevel::fromString(const QString &text, bool *ok)
{
    if (ok)
        *ok = true;
    static const Level order[] = { InfoLevel, WarnLevel, ErrorLevel, FatalLevel, DebugLevel, TraceLevel, AllLevel,
        NullLevel, StatusLevel, StatLevel, OffLevel };
    for (const Level level : order) {
        const char *name = displayNames[level];
        if (text == QLatin1String(name) || text == QCoreApplication::translate("QORVLogLevel", name))
            return QORVLogLevel(level);
    }
    if (ok)
        *ok = false;
    return QORVLogLevel(NullLevel);
}

QORVLogLevel QORVLogLevel::fromORVMsgLevel(ORV_MsgLevel msgLevel)
{
    return QORVLogLevel(convertFromORVMsgLevel(msgLevel));
}

QORVLogLevel QORVLogLevel::fromLoggedSeverity(const QString &text, bool *ok)
{
    if (ok)
        *ok = true;
    static const struct {
        const char *token;
        Level level;
    } tokens[] = { { "INFORM", InfoLevel }, { "STATRP", StatusLevel }, { "STATS", StatLevel }, { "WARN", WarnLevel },
        { "ERROR", ErrorLevel }, { "FATAL", FatalLevel }, { "UNKNWN", NullLevel } };
    for (const auto &entry : tokens) {
        if (text == QLatin1String(entry.token))
            return QORVLogLevel(entry.level);
    }
    if (ok)
        *ok = false;
    return QORVLogLevel(NullLevel);
}

QORVLogLevel::Level QORVLogLevel::convertFromORVMsgLevel(ORV_MsgLevel msgLevel)
{
    switch (int(msgLevel)) {
    case MsgInform:
        return InfoLevel;
    case MsgWarn:
        return WarnLevel;
    case MsgError:
        return ErrorLevel;
    case MsgFatal:
        return FatalLevel;
    case MsgStatistic:
        return StatLevel;
    case MsgStatusReport:
        return StatusLevel;
    default:
        return NullLevel;
    }
}

LogEngine::Level QORVLogLevel::toLogEngineLevel() const
{
    return LogEngine::Level(isNamed(m_level) ? engineLevels[m_level] : int(LogEngine::Level::NULL_INT));
}

QORVLogLevel QORVLogLevel::fromLogEngineLevel(const LogEngine::Level &level)
{
    switch (level.toInt()) {
    case LogEngine::Level::ALL_INT:
        return AllLevel;
    case LogEngine::Level::TRACE_INT:
        return TraceLevel;
    case LogEngine::Level::DEBUG_INT:
        return DebugLevel;
    case LogEngine::Level::INFO_INT:
        return InfoLevel;
    case LogEngine::Level::WARN_INT:
        return WarnLevel;
    case LogEngine::Level::ERROR_INT:
        return ErrorLevel;
    case LogEngine::Level::FATAL_INT:
        return FatalLevel;
    case LogEngine::Level::OFF_INT:
        return OffLevel;
    default:
        return NullLevel;
    }
}
