#ifndef QORVLOGLEVEL_H
#define QORVLOGLEVEL_H

#include "qorvlog_export.h"

#include <QMetaType>
#include <QString>

namespace LogEngine
{
class Level;
}

/*! The host product's message severities. */
enum ORV_MsgLevel { MsgInform = 0, MsgWarn = 1, MsgError = 2, MsgFatal = 3, MsgStatistic = 4, MsgStatusReport = 5 };

/*!
 * The severity of the exported interface: the engine's scale plus the two
 * host-only severities STATISTIC and STATUS REPORT, which rank above FATAL
 * here but are logged at INFO by the engine. A plain value type.
 */
class QORVLOG_EXPORT QORVLogLevel
{
public:
    enum Level {
        NullLevel = 0,
        AllLevel = 1,
        TraceLevel = 2,
        DebugLevel = 3,
        InfoLevel = 4,
        WarnLevel = 5,
        ErrorLevel = 6,
        FatalLevel = 7,
        StatLevel = 8,
        StatusLevel = 9,
        OffLevel = 10
    };

    QORVLogLevel(Level level = InfoLevel)
        : m_level(level)
    {
    }
    QORVLogLevel(ORV_MsgLevel msgLevel)
        : m_level(convertFromORVMsgLevel(msgLevel))
    {
    }
    QORVLogLevel &operator=(const QORVLogLevel &other) = default;
    QORVLogLevel(const QORVLogLevel &other) = default;

    Level getLevel() const { return m_level; }

    bool operator==(const QORVLogLevel &other) const { return int(m_level) == int(other.m_level); }
    bool operator!=(const QORVLogLevel &other) const { return int(m_level) != int(other.m_level); }
    bool operator<(const QORVLogLevel &other) const { return int(m_level) < int(other.m_level); }
    bool operator<=(const QORVLogLevel &other) const { return int(m_level) <= int(other.m_level); }
    bool operator>(const QORVLogLevel &other) const { return int(m_level) > int(other.m_level); }
    bool operator>=(const QORVLogLevel &other) const { return int(m_level) >= int(other.m_level); }

    ORV_MsgLevel toORVMsgLevel() const;
    /*! The display name, translated in the context "QORVLogLevel". */
    QString toString() const;

    static QORVLogLevel fromString(const QString &text, bool *ok = nullptr);
    static QORVLogLevel fromORVMsgLevel(ORV_MsgLevel msgLevel);
    /*! Parses the severity tokens found in logged output ("INFORM", "STATRP", ...). */
    static QORVLogLevel fromLoggedSeverity(const QString &text, bool *ok = nullptr);

    // Library-internal: the engine's view of a level.
    QORVLOG_NO_EXPORT LogEngine::Level toLogEngineLevel() const;
    QORVLOG_NO_EXPORT static QORVLogLevel fromLogEngineLevel(const LogEngine::Level &level);

private:
    static Level convertFromORVMsgLevel(ORV_MsgLevel msgLevel);

    Level m_level;
};

Q_DECLARE_METATYPE(QORVLogLevel)
Q_DECLARE_TYPEINFO(QORVLogLevel, Q_PRIMITIVE_TYPE);

#endif
