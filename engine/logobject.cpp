#include "engine/logobject.h"

#include "engine/logmanager.h"

namespace LogEngine
{

LogObject::LogObject(QObject *parent)
    : QObject(parent)
{
}

LogObject::~LogObject() = default;

void LogObject::release() const
{
    if (!m_referenceCount.deref())
        delete this;
}

Logger *LogObject::logger() const
{
    Logger *logger = m_logger.loadAcquire();
    if (!logger) {
        m_logger.testAndSetOrdered(nullptr, LogManager::logger(QString::fromLatin1(metaObject()->className())));
        logger = m_logger.loadAcquire();
    }
    return logger;
}

QDebug operator<<(QDebug debug, const LogObject &object)
{
    return object.debug(debug);
}

} // namespace LogEngine
