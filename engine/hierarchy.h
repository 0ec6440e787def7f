#ifndef LOGENGINE_HIERARCHY_H
#define LOGENGINE_HIERARCHY_H

#include "engine/logger.h"
#include "engine/loggerrepository.h"

#include <QHash>

#include <atomic>
#include <shared_mutex>

namespace LogEngine
{

/*!
 * The logger repository. It creates loggers together with their missing
 * ancestors in one critical section and never destroys one.
 *
 * Thread-safety: the table is guarded by a read-write lock that is held
 * for the table alone: no other lock is taken and nothing is called out
 * under it, so it cannot take part in a deadlock, whoever asks for it
 * (an appender looking a logger up, for one). A reset holds it only to
 * copy the table, and resets each logger after it is let go. The threshold
 * is an atomic read without a lock on every request.
 */
class Hierarchy : public LoggerRepository
{
public:
    Hierarchy();
    ~Hierarchy() override;

    bool exists(const QString &name) const override;
    Logger *logger(const QString &name) override;
    Logger *existingLogger(const QString &name) const override;
    QList<Logger *> loggers() const override;
    Logger *rootLogger() const override { return m_rootLogger; }
    Level threshold() const override { return Level(m_threshold.load(std::memory_order_relaxed)); }
    void setThreshold(const QString &threshold) override;
    void setThreshold(const Level &threshold) override
    {
        m_threshold.store(threshold.toInt(), std::memory_order_relaxed);
        Logger::levelsChanged();
    }
    bool isDisabled(const Level &level) const override
    {
        return level.toInt() < m_threshold.load(std::memory_order_relaxed);
    }
    void resetConfiguration() override;
    void shutdown() override;
    QDebug debug(QDebug &debug) const override;

private:
    Logger *createLogger(const QString &name);

    mutable std::shared_mutex m_objectGuard;
    QHash<QString, Logger *> m_loggers;
    std::atomic<int> m_threshold { Level::NULL_INT };
    Logger *m_rootLogger = nullptr;

    Q_DISABLE_COPY(Hierarchy)
};

} // namespace LogEngine

#endif
