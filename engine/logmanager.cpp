#include "engine/logmanager.h"
#include "engine/scopedlock.h"

#include "engine/hierarchy.h"
#include "engine/logger.h"

#include <QMutex>

namespace LogEngine
{

std::atomic<LogManager *> LogManager::s_instance { nullptr };

namespace
{

std::atomic<QMutex *> s_singletonGuard { nullptr };

QMutex *singletonGuard()
{
    QMutex *guard = s_singletonGuard.load(std::memory_order_acquire);
    if (!guard) {
        QMutex *made = new QMutex;
        if (s_singletonGuard.compare_exchange_strong(guard, made, std::memory_order_acq_rel))
            guard = made;
        else
            delete made;
    }
    return guard;
}

} // namespace

LogManager::LogManager()
    : m_loggerRepository(new Hierarchy)
{
}

LogManager::~LogManager()
{
    logger(QStringLiteral("LogEngine::LogManager"))->warn("Unexpected destruction of LogManager");
}

LogManager *LogManager::instance()
{
    LogManager *manager = s_instance.load(std::memory_order_acquire);
    if (manager)
        return manager;
    ScopedLock locker(singletonGuard());
    manager = s_instance.load(std::memory_order_acquire);
    if (manager)
        return manager;
    manager = new LogManager;
    // Published before anything else runs: every later start-up step obtains
    // its loggers through the manager.
    s_instance.store(manager, std::memory_order_release);
    return manager;
}

Logger *LogManager::logger(const QString &name)
{
    return instance()->m_loggerRepository->logger(name);
}

bool LogManager::exists(const char *name)
{
    return instance()->m_loggerRepository->exists(QString::fromLatin1(name));
}

LoggerRepository *LogManager::loggerRepository()
{
    return instance()->m_loggerRepository;
}

} // namespace LogEngine
