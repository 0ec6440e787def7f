#include "capturingappender.h"

#include "engine/logmanager.h"

QList<CapturedMessage> CapturingAppender::messages() const
{
    std::lock_guard<std::mutex> locker(m_mutex);
    return m_messages;
}

QStringList CapturingAppender::texts() const
{
    QStringList result;
    for (const CapturedMessage &message : messages())
        result.append(message.message);
    return result;
}

QStringList CapturingAppender::texts(int level) const
{
    QStringList result;
    for (const CapturedMessage &message : messages()) {
        if (message.level == level)
            result.append(message.message);
    }
    return result;
}

QStringList CapturingAppender::lines() const
{
    QStringList result;
    for (const CapturedMessage &m : messages()) {
        if (m.level >= LogEngine::Level::DEBUG_INT)
            result.append(LogEngine::Level(m.level).toString() + QLatin1Char(' ')
                + QString(m.logger).remove(QLatin1String("LogEngine::")) + QLatin1String(": ") + m.message);
    }
    return result;
}

void CapturingAppender::clear()
{
    std::lock_guard<std::mutex> locker(m_mutex);
    m_messages.clear();
}

int CapturingAppender::count(const QString &text) const
{
    return texts().count(text);
}

void CapturingAppender::append(const LogEngine::LoggingEvent &event)
{
    std::lock_guard<std::mutex> locker(m_mutex);
    m_messages.append({ event.level().toInt(), event.loggerName(), event.message() });
}

Capture::Capture(const QString &loggerName)
    : m_logger(LogEngine::LogManager::logger(loggerName))
    , m_previousLevel(m_logger->level())
    , m_appender(new CapturingAppender)
{
    m_appender->setName(QStringLiteral("capture"));
    m_logger->setLevel(LogEngine::Level::ALL_INT);
    m_logger->addAppender(m_appender);
}

Capture::~Capture()
{
    m_logger->removeAppender(m_appender.data());
    m_logger->setLevel(m_previousLevel);
}
