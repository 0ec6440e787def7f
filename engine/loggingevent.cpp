#include "engine/loggingevent.h"
#include "engine/detail/classlogger.h"

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

const ClassLogger eventLogger("LogEngine::LoggingEvent");

// The logger a name read off a stream stands for; a name longer than any
// real one is refused rather than turned into loggers that live for good.
const Logger *loggerNamed(const QString &name)
{
    if (name.isEmpty())
        return nullptr;
    if (name.size() > LoggerRepository::maxNameLength) {
        LogError error("Refused a logger name of %1 characters read from a data stream; the limit is %2", 0, nullptr,
            "LogEngine::LoggingEvent");
        error << name.size() << LoggerRepository::maxNameLength;
        eventLogger()->error(error);
        return nullptr;
    }
    return LogManager::logger(name);
}

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

LoggingEvent::LoggingEvent(const Logger *logger, const Level &level, QString message, const SourceLocation &location)
    : m_level(level)
    , m_logger(logger)
    , m_message(std::move(message))
    , m_location(location)
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

// An event without a location is written as version 0, byte for byte as
// before locations existed. One with a location is version 1: the same
// fields, then the file, the line and the function. A reader that knows only
// version 0 ignores the version and what follows the time stamp, so it reads
// either form, without the location.
QDataStream &operator<<(QDataStream &out, const LoggingEvent &event)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QDataStream inner(&buffer);
    const bool located = event.hasLocation();
    inner << quint16(located ? 1 : 0) << event.m_level << event.loggerName() << event.m_message << event.m_ndc
          << event.m_properties << event.m_sequenceNumber << event.m_threadName << event.m_timeStamp;
    if (located) {
        const SourceLocation &location = event.m_location;
        inner << QByteArray(location.fileText()) << qint32(location.line()) << QByteArray(location.functionText());
    }
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
    event.m_location = SourceLocation();
    // Only version 1 says that a location follows; other versions are read
    // in the order of version 0, and whatever follows is not looked at.
    if (version == 1) {
        QByteArray file;
        qint32 line = 0;
        QByteArray function;
        inner >> file >> line >> function;
        if (inner.status() == QDataStream::Ok)
            event.m_location = SourceLocation::copied(file.constData(), line, function.constData());
    }
    event.m_logger = loggerNamed(loggerName);
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
