#include "engine/level.h"

#include "engine/logger.h"
#include "engine/logmanager.h"

#include <QAtomicPointer>
#include <QCoreApplication>
#include <QDataStream>
#include <QDebug>

namespace LogEngine
{

namespace
{

struct LevelName {
    int value;
    const char *name;
};

// The order is the one in which fromString tries the names.
constexpr LevelName levelNames[] = {
    { Level::OFF_INT, "OFF" },
    { Level::FATAL_INT, "FATAL" },
    { Level::ERROR_INT, "ERROR" },
    { Level::WARN_INT, "WARN" },
    { Level::INFO_INT, "INFO" },
    { Level::DEBUG_INT, "DEBUG" },
    { Level::TRACE_INT, "TRACE" },
    { Level::ALL_INT, "ALL" },
    { Level::NULL_INT, "NULL" },
};

QAtomicPointer<Logger> s_levelLogger;

Logger *levelLogger()
{
    Logger *logger = s_levelLogger.loadAcquire();
    if (!logger) {
        s_levelLogger.testAndSetOrdered(nullptr, LogManager::logger(QStringLiteral("LogEngine::Level")));
        logger = s_levelLogger.loadAcquire();
    }
    return logger;
}

} // namespace

QString Level::toString() const
{
    for (const LevelName &entry : levelNames) {
        if (entry.value == m_value)
            return QCoreApplication::translate("Level", entry.name);
    }
    return QCoreApplication::translate("Level", "NULL");
}

Level Level::fromString(const QString &text, bool *ok)
{
    if (ok)
        *ok = true;
    for (const LevelName &entry : levelNames) {
        if (text == QLatin1String(entry.name) || text == QCoreApplication::translate("Level", entry.name))
            return Level(entry.value);
    }
    levelLogger()->warn(QStringLiteral("Use of invalid level string '%1'. Using 'Level::NULL_INT' instead.").arg(text));
    if (ok)
        *ok = false;
    return Level(NULL_INT);
}

QDataStream &operator<<(QDataStream &out, const Level &level)
{
    out << static_cast<quint8>(level.toInt());
    return out;
}

QDataStream &operator>>(QDataStream &in, Level &level)
{
    quint8 value = 0;
    in >> value;
    level = Level(value);
    return in;
}

QDebug operator<<(QDebug debug, const Level &level)
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "Level(" << level.toString() << ")";
    return debug;
}

} // namespace LogEngine
