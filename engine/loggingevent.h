#ifndef LOGENGINE_LOGGINGEVENT_H
#define LOGENGINE_LOGGINGEVENT_H

#include "engine/level.h"
#include "engine/sourcelocation.h"

#include <QHash>
#include <QMetaType>
#include <QString>

class QDataStream;
class QDebug;

namespace LogEngine
{

class Logger;

/*!
 * One log record, captured on the thread that makes the request: level,
 * logger, message, the thread's diagnostic contexts, a process-wide
 * sequence number, the thread name and a time stamp in milliseconds since
 * the epoch (UTC; converting it to local time is left to the layouts),
 * and where in the source the request was made, when the caller said so.
 */
class LoggingEvent
{
public:
    LoggingEvent();
    LoggingEvent(const Logger *logger, const Level &level, const QString &message);
    LoggingEvent(const Logger *logger, const Level &level, QString message, const SourceLocation &location);

    Level level() const { return m_level; }
    const Logger *logger() const { return m_logger; }
    QString loggerName() const;
    QString message() const { return m_message; }
    QString ndc() const { return m_ndc; }
    QHash<QString, QString> properties() const { return m_properties; }
    qint64 sequenceNumber() const { return m_sequenceNumber; }
    QString threadName() const { return m_threadName; }
    qint64 timeStamp() const { return m_timeStamp; }
    /*! Where the request was made; empty unless `hasLocation`. */
    const SourceLocation &location() const { return m_location; }
    bool hasLocation() const { return !m_location.isEmpty(); }
    /*! Forgets the location: for a copy that is to go on without it. */
    void clearLocation() { m_location = SourceLocation(); }

    // Borrowing accessors for the layouts' hot path: no reference counting.
    const QString &messageRef() const { return m_message; }
    /*!
     * Hands the message over and leaves the event without one: for the
     * request that made the text, to reuse its room once delivery is over.
     */
    QString takeMessage() { return std::move(m_message); }
    const QString &ndcRef() const { return m_ndc; }
    const QString &threadNameRef() const { return m_threadName; }
    const QHash<QString, QString> &propertiesRef() const { return m_properties; }

private:
    void capture();

    friend QDataStream &operator<<(QDataStream &out, const LoggingEvent &event);
    friend QDataStream &operator>>(QDataStream &in, LoggingEvent &event);

    Level m_level;
    const Logger *m_logger;
    QString m_message;
    QString m_ndc;
    QHash<QString, QString> m_properties;
    qint64 m_sequenceNumber;
    QString m_threadName;
    qint64 m_timeStamp;
    SourceLocation m_location;
};

QDataStream &operator<<(QDataStream &out, const LoggingEvent &event);
QDataStream &operator>>(QDataStream &in, LoggingEvent &event);
QDebug operator<<(QDebug debug, const LoggingEvent &event);

} // namespace LogEngine

Q_DECLARE_METATYPE(LogEngine::LoggingEvent)

#endif
