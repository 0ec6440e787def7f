#include "engine/appenders/asyncappender.h"
#include "engine/detail/scopedlock.h"

#include "engine/detail/eventqueue.h"
#include "engine/hierarchy.h"
#include "engine/logger.h"
#include "engine/loggingevent.h"

#include <chrono>
#include <condition_variable>

namespace LogEngine
{

struct AsyncAppender::Shared {
    std::unique_ptr<EventQueue> queue;
    Logger *reporter = nullptr;
    // Copied by the delivering thread for each batch: a change to the list
    // never waits for a delivery.
    std::mutex appendersGuard;
    QList<LogObjectPtr<Appender>> appenders;
    std::mutex doneGuard;
    std::condition_variable doneChanged;
    bool done = false;
};

namespace
{

// The appender whose queue this thread delivers, if any: its own events
// into that appender must never wait for room.
thread_local const void *t_delivering = nullptr;

} // namespace

AsyncAppender::AsyncAppender(QObject *parent)
    : AppenderSkeleton(false, parent)
    , m_shared(std::make_shared<Shared>())
{
}

AsyncAppender::~AsyncAppender()
{
    AsyncAppender::close();
}

void AsyncAppender::setBufferSize(int size)
{
    m_bufferSize.store(size > 0 ? size : 1, std::memory_order_relaxed);
}

void AsyncAppender::activate()
{
    ScopedLock locker(&reportingGuard());
    // A closed appender refuses events for good; it gets no thread.
    if (!isClosed()) {
        std::lock_guard<std::mutex> threadLock(m_threadGuard);
        if (!m_thread.joinable() && !m_shared->queue) {
            m_shared->queue = std::make_unique<EventQueue>(bufferSize());
            m_shared->reporter = logger();
            m_queue.store(m_shared->queue.get(), std::memory_order_release);
            // A lambda: a thread state typed after it has no linkage, so the
            // library exports nothing of it.
            m_thread = std::thread([shared = m_shared] { deliver(shared); });
        }
    }
    AppenderSkeleton::activate();
}

void AsyncAppender::close()
{
    {
        ScopedLock locker(&objectGuard());
        AppenderSkeleton::close();
    }
    // Without the appender's lock: the delivering thread may need it to
    // report through a logger that leads back here.
    const int left = stop(std::chrono::steady_clock::now() + Hierarchy::shutdownWait);
    if (left >= 0)
        logger()->warn("Appender '%1' gave up waiting for its appenders after %2 s, with %3 events still queued",
            name(), int(Hierarchy::shutdownWait.count()), left);
}

bool AsyncAppender::retire(std::chrono::steady_clock::time_point deadline)
{
    // Retired and closed at once, under the lock: an event still on its
    // way (a delivery that took the logger's appenders before the change)
    // is dropped, not reported as sent to an appender no longer active.
    // Then the queue, up to the deadline, and without the lock.
    {
        ScopedLock locker(&objectGuard());
        setRetired();
        AppenderSkeleton::close();
    }
    // Unbounded only for the line an appender writes, not for a queue.
    const auto now = std::chrono::steady_clock::now();
    if (stop(deadline == std::chrono::steady_clock::time_point::max() ? now + Hierarchy::shutdownWait : deadline) >= 0)
        return false;
    return true;
}

int AsyncAppender::stop(std::chrono::steady_clock::time_point deadline)
{
    {
        std::lock_guard<std::mutex> threadLock(m_threadGuard);
        if (!m_thread.joinable())
            return -1;
        m_shared->queue->close();
        if (m_thread.get_id() == std::this_thread::get_id()) {
            // Closed by an attached appender on the delivering thread, which
            // ends by itself once the queue is empty.
            m_thread.detach();
            return -1;
        }
        bool done;
        {
            std::unique_lock<std::mutex> lock(m_shared->doneGuard);
            done = m_shared->doneChanged.wait_until(lock, deadline, [this] { return m_shared->done; });
        }
        if (!done) {
            m_thread.detach();
            return m_shared->queue->size();
        }
        m_thread.join();
    }
    // Released as a logger releases its appenders: the last reference
    // closes them.
    QList<LogObjectPtr<Appender>> released;
    {
        std::lock_guard<std::mutex> lock(m_shared->appendersGuard);
        released.swap(m_shared->appenders);
    }
    return -1;
}

void AsyncAppender::handleEvent(const LoggingEvent &event)
{
    // The checks run under the lock; the wait for room does not, so that
    // the delivering thread can report through this appender meanwhile.
    if (admit(event))
        append(event);
}

void AsyncAppender::append(const LoggingEvent &event)
{
    if (EventQueue *queue = m_queue.load(std::memory_order_acquire))
        queue->push(event, blocking() && t_delivering != m_shared.get(), locationInfo());
}

void AsyncAppender::addAppender(Appender *appender)
{
    if (!appender) {
        logger()->warn("Adding null Appender to Appender '%1'", name());
        return;
    }
    std::lock_guard<std::mutex> lock(m_shared->appendersGuard);
    for (const LogObjectPtr<Appender> &attached : std::as_const(m_shared->appenders)) {
        if (attached.data() == appender)
            return;
    }
    m_shared->appenders.append(LogObjectPtr<Appender>(appender));
}

void AsyncAppender::removeAppender(Appender *appender)
{
    LogObjectPtr<Appender> released;
    std::lock_guard<std::mutex> lock(m_shared->appendersGuard);
    for (int i = 0; i < m_shared->appenders.size(); ++i) {
        if (m_shared->appenders.at(i).data() == appender) {
            released = m_shared->appenders.takeAt(i);
            break;
        }
    }
}

void AsyncAppender::removeAllAppenders()
{
    QList<LogObjectPtr<Appender>> released;
    std::lock_guard<std::mutex> lock(m_shared->appendersGuard);
    released.swap(m_shared->appenders);
}

QList<Appender *> AsyncAppender::appenders() const
{
    QList<Appender *> result;
    std::lock_guard<std::mutex> lock(m_shared->appendersGuard);
    for (const LogObjectPtr<Appender> &attached : std::as_const(m_shared->appenders))
        result.append(attached.data());
    return result;
}

QDebug AsyncAppender::debug(QDebug &debug) const
{
    const int attached = appenders().size();
    debug.nospace() << "AsyncAppender(";
    debugName(debug);
    debug << " "
          << "appenders:" << attached << " "
          << "blocking:" << blocking() << " "
          << "buffersize:" << bufferSize() << " ";
    debugFilter(debug);
    debug << " ";
    debugFlags(debug, " ");
    debug << " "
          << "locationinfo:" << locationInfo() << " "
          << "referencecount:" << referenceCount() << " ";
    debugThreshold(debug);
    debug << ")";
    return debug.space();
}

void AsyncAppender::deliver(const std::shared_ptr<Shared> &shared)
{
    t_delivering = shared.get();
    std::vector<LoggingEvent> batch;
    batch.reserve(size_t(shared->queue->capacity()));
    int discarded = 0;
    while (shared->queue->takeAll(batch, discarded)) {
        QList<LogObjectPtr<Appender>> appenders;
        {
            std::lock_guard<std::mutex> lock(shared->appendersGuard);
            appenders = shared->appenders;
        }
        for (const LoggingEvent &event : batch) {
            for (const LogObjectPtr<Appender> &appender : std::as_const(appenders))
                appender->handleEvent(event);
        }
        // The discarded events would have come right after this batch.
        if (discarded > 0) {
            const LoggingEvent report(
                shared->reporter, Level(Level::WARN_INT), QStringLiteral("Discarded %1 events").arg(discarded));
            for (const LogObjectPtr<Appender> &appender : std::as_const(appenders))
                appender->handleEvent(report);
        }
    }
    batch.clear();
    {
        std::lock_guard<std::mutex> lock(shared->doneGuard);
        shared->done = true;
    }
    shared->doneChanged.notify_all();
}

} // namespace LogEngine
