#include "engine/loggingevent.h"

#include "engine/logger.h"
#include "engine/logmanager.h"
#include "engine/mdc.h"
#include "engine/ndc.h"

#include <QBuffer>
#include <QDataStream>
#include <QDateTime>
#include <QDebug>
#include <QThread>

#include <atomic>

namespace LogEngine
{

namespace
{

// An atomic increment hands out the same numbers, in the same order of
// taking, as a mutex around a plain counter would.
std::atomic<qint64> s_sequenceCounter { 0 };

} // namespace

LoggingEvent::LoggingEvent()
    : m_level(Level::NULL_INT)
    , m_logger(nullptr)
{
    capture();
}

LoggingEvent::LoggingEvent(const Logger *logger, const Level &level, const QString &message)
    : m_level(level)
    , m_logger(logger)
    , m_message(message)
{
    capture();
}

void LoggingEvent::capture()
{
    m_ndc = NDC::peek();
    m_properties = MDC::context();
    m_sequenceNumber = s_sequenceCounter.fetch_add(1, std::memory_order_relaxed) + 1;
    // Milliseconds since the epoch need no conversion to local time, which
    // costs microseconds when the C library re-reads the zone file.
    m_timeStamp = QDateTime::currentMSecsSinceEpoch();
    if (QThread *thread = QThread::currentThread())
        m_threadName = thread->objectName();
}

QString LoggingEvent::loggerName() const
{
    return m_logger ? m_logger->name() : QString();
}

QDataStream &operator<<(QDataStream &out, const LoggingEvent &event)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QDataStream inner(&buffer);
    inner << quint16(0) << event.m_level << event.loggerName() << event.m_message << event.m_ndc << event.m_properties
          << event.m_sequenceNumber << event.m_threadName << event.m_timeStamp;
    buffer.close();
    out << bytes;
    return out;
}

QDataStream &operator>>(QDataStream &in, LoggingEvent &event)
{
    QByteArray bytes;
    in >> bytes;
    QDataStream inner(bytes);
    quint16 version = 0;
    QString loggerName;
    inner >> version >> event.m_level >> loggerName >> event.m_message >> event.m_ndc >> event.m_properties
        >> event.m_sequenceNumber >> event.m_threadName >> event.m_timeStamp;
    event.m_logger = loggerName.isEmpty() ? nullptr : LogManager::logger(loggerName);
    return in;
}

QDebug operator<<(QDebug debug, const LoggingEvent &event)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "LoggingEvent("
                    << "level:" << event.level().toString() << " logger:" << event.loggerName()
                    << " message:" << event.message() << " sequencenumber:" << event.sequenceNumber()
                    << " threadname:" << event.threadName() << " timestamp:" << event.timeStamp() << ")";
    return debug;
}

} // namespace LogEngine
