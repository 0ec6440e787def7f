#ifndef LOGENGINE_APPENDERSKELETON_H
#define LOGENGINE_APPENDERSKELETON_H

#include "engine/appenders/appender.h"
#include "engine/appenders/filter.h"
#include "engine/detail/recursivemutex.h"
#include "engine/level.h"
#include "engine/logerror.h"
#include "engine/logobjectptr.h"

#include <atomic>

namespace LogEngine
{

/*!
 * Base of every concrete appender. `handleEvent` locks the appender's
 * recursive mutex, drops events that re-enter from the same thread, runs the
 * entry checks (`canAppend`), the threshold and the filter chain, and then
 * calls the subclass's `append` with the lock still held. Subclasses take the
 * same mutex (`objectGuard`) in their own setters and may call back into the
 * skeleton freely.
 *
 * What is held when: `append` and `canAppend` run with this appender's
 * lock held and no other engine lock (loggers deliver without one), so
 * they may log, look loggers up and change loggers' appenders. A thread
 * that logs back into this appender from inside `append` finds its own
 * lock and the recursion guard set, and its event is dropped; another
 * thread waits for the line in progress. Writer appenders run their layout
 * before they take the lock, holding none, and take it for the checks and
 * the write of the finished line (WriterAppender); an asynchronous
 * appender takes it for the checks alone and queues without it.
 *
 * Misuse is reported as an error record at ERROR on the appender's class
 * logger; nothing is thrown.
 *
 * Closing: an appender's `close` returns early only when it is closed and
 * holds nothing to release (no writer, stream or file); one activated again
 * after a close thus still ends and frees what that activation created.
 */
class AppenderSkeleton : public Appender
{
    Q_OBJECT
    Q_PROPERTY(bool isActive READ isActive)
    Q_PROPERTY(bool isClosed READ isClosed)
    Q_PROPERTY(LogEngine::Level threshold READ threshold WRITE setThreshold)

public:
    explicit AppenderSkeleton(QObject *parent = nullptr);
    ~AppenderSkeleton() override;

    Filter *filter() const override;
    QString name() const override;
    Layout *layout() const override;
    void setLayout(Layout *layout) override;
    void setName(const QString &name) override;
    void addFilter(Filter *filter) override;
    void clearFilters() override;
    void close() override;
    void handleEvent(const LoggingEvent &event) override;

    virtual void activate();
    /*!
     * Closes the appender for good, once the line it writes is done: for a
     * successor that takes its place (and may open its file), or at
     * shutdown. Events still on their way to it (their delivery began
     * before it was taken off its loggers) are dropped without a report.
     * Returns false, having done nothing, when a write holds the appender
     * past `deadline` (a full pipe, a hung network file system).
     */
    virtual bool retire(std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max());

    Level threshold() const { return Level(m_threshold.load(std::memory_order_relaxed)); }
    void setThreshold(const Level &level) { m_threshold.store(level.toInt(), std::memory_order_relaxed); }
    bool isActive() const { return m_isActive.load(std::memory_order_relaxed); }
    bool isClosed() const { return m_isClosed.load(std::memory_order_relaxed); }
    /*! Whether a filter chain is set; read without the lock. */
    bool hasFilters() const { return m_hasFilters.load(std::memory_order_relaxed); }

protected:
    AppenderSkeleton(bool isActive, QObject *parent);

    /*! Writes one accepted event. Called by `handleEvent` with the lock held. */
    virtual void append(const LoggingEvent &event) = 0;
    /*! The entry checks; called by `handleEvent` with the lock held. */
    virtual bool canAppend() const;
    /*!
     * What `handleEvent` runs before `append`, for an appender that hands
     * events on without the lock: takes the lock, drops a re-entry from the
     * thread that holds it, and runs the entry checks, the threshold and the
     * filters. True when the event is to be appended.
     */
    bool admit(const LoggingEvent &event);
    /*!
     * With the lock held: from now on events are dropped without a report,
     * as `retire` drops them. For an appender whose `retire` has more to do
     * after it stops taking events.
     */
    void setRetired() { m_retired = true; }

    RecursiveMutex &objectGuard() const { return m_objectGuard; }
    /*! The same lock, with the class logger resolved first, so that a report made under it finds it ready. */
    RecursiveMutex &reportingGuard() const
    {
        logger();
        return m_objectGuard;
    }

    /*! Logs an error record for this appender, with its name as %1 and `extraArgs` after it. */
    void reportError(const char *message, LogError::ErrorCode code, const char *symbol,
        const QList<QVariant> &extraArgs = QList<QVariant>(), const LogError &cause = LogError()) const;

    /*! The items every appender description shares, each preceded by `label`. */
    void debugName(QDebug &debug) const;
    void debugFilter(QDebug &debug) const;
    void debugFlags(QDebug &debug, const char *separator) const;
    void debugLayout(QDebug &debug) const;
    void debugThreshold(QDebug &debug) const;

private:
    // The checks, threshold and filters; the caller holds the lock.
    bool accepts(const LoggingEvent &event) const;

    mutable RecursiveMutex m_objectGuard;
    bool m_appendRecursionGuard = false;
    bool m_retired = false;
    std::atomic<bool> m_isActive;
    std::atomic<bool> m_isClosed { false };
    LogObjectPtr<Layout> m_layout;
    std::atomic<int> m_threshold { Level::NULL_INT };
    LogObjectPtr<Filter> m_headFilter;
    LogObjectPtr<Filter> m_tailFilter;
    std::atomic<bool> m_hasFilters { false };
};

#define LOGENGINE_APPENDER_ERROR(code) ::LogEngine::LogError::code, #code

} // namespace LogEngine

#endif
