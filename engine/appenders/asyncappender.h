#ifndef LOGENGINE_ASYNCAPPENDER_H
#define LOGENGINE_ASYNCAPPENDER_H

#include "engine/appenders/appenderskeleton.h"

#include <QList>

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

namespace LogEngine
{

class EventQueue;

/*!
 * Hands events to the appenders attached to it on a thread of its own, so
 * that the threads that log never wait for a disk. Each accepted event is
 * copied into a bounded queue (`bufferSize` events); events carry all they
 * need (time, thread name, NDC, MDC, taken at the call), so the delivering
 * thread formats them as the calling thread would have.
 *
 * A full queue makes the caller wait (`blocking`, the default) or, without
 * blocking, discards the event and counts it; once the queue has room again
 * the attached appenders receive a WARN event "Discarded N events" from the
 * class logger where the events are missing.
 *
 * The thread is started by `activate` (with the buffer size then set) and
 * ends at `close`, which also runs at destruction, at `shutdown` and at
 * exit: what is queued is delivered first, then the attached appenders are
 * released (the last reference closes them). The wait for that is bounded
 * as shutdown's is (`Hierarchy::shutdownWait`, shared with the other
 * appenders at shutdown): a stalled appender behind the queue cannot hold
 * the caller for ever. `close` reports what is left undelivered, `retire`
 * answers false as for an appender stuck in a write, and the thread is
 * left to finish alone.
 *
 * Events the delivering thread itself logs into this appender (an attached
 * appender reporting an error through a logger that leads back here) never
 * wait: on a full queue they are discarded and counted.
 *
 * Thread-safe. The attached appenders are held by counted references.
 */
class AsyncAppender : public AppenderSkeleton
{
    Q_OBJECT
    Q_PROPERTY(int bufferSize READ bufferSize WRITE setBufferSize)
    Q_PROPERTY(bool blocking READ blocking WRITE setBlocking)
    Q_PROPERTY(bool locationInfo READ locationInfo WRITE setLocationInfo)

public:
    explicit AsyncAppender(QObject *parent = nullptr);
    ~AsyncAppender() override;

    bool requiresLayout() const override { return false; }
    void activate() override;
    void close() override;
    bool retire(std::chrono::steady_clock::time_point deadline) override;
    void handleEvent(const LoggingEvent &event) override;

    /*! Events the queue holds; 128 at first. Takes effect at the next start of the thread. */
    int bufferSize() const { return m_bufferSize.load(std::memory_order_relaxed); }
    void setBufferSize(int size);
    bool blocking() const { return m_blocking.load(std::memory_order_relaxed); }
    void setBlocking(bool blocking) { m_blocking.store(blocking, std::memory_order_relaxed); }
    /*! Whether queued events keep their source location; false at first, as in log4j. */
    bool locationInfo() const { return m_locationInfo.load(std::memory_order_relaxed); }
    void setLocationInfo(bool keep) { m_locationInfo.store(keep, std::memory_order_relaxed); }

    void addAppender(Appender *appender);
    void removeAppender(Appender *appender);
    void removeAllAppenders();
    QList<Appender *> appenders() const;

    QDebug debug(QDebug &debug) const override;

protected:
    void append(const LoggingEvent &event) override;

private:
    struct Shared;

    static void deliver(const std::shared_ptr<Shared> &shared);
    /*! Ends the thread once the queue is delivered; -1 then, otherwise the events left when `deadline` came. */
    int stop(std::chrono::steady_clock::time_point deadline);

    std::atomic<int> m_bufferSize { 128 };
    std::atomic<bool> m_blocking { true };
    std::atomic<bool> m_locationInfo { false };
    // What the delivering thread uses lives here, so that a thread left
    // running after a bounded wait never touches a deleted appender.
    std::shared_ptr<Shared> m_shared;
    std::atomic<EventQueue *> m_queue { nullptr };
    std::mutex m_threadGuard; // start and end of the thread
    std::thread m_thread;
};

} // namespace LogEngine

#endif
