#include "engine/detail/classlogger.h"

#include "engine/logmanager.h"

namespace LogEngine
{

Logger *ClassLogger::resolve() const
{
    Logger *logger = LogManager::logger(QString::fromLatin1(m_name));
    m_logger.store(logger, std::memory_order_release);
    return logger;
}

} // namespace LogEngine
