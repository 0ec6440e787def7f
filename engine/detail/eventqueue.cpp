#include "engine/detail/eventqueue.h"

namespace LogEngine
{

EventQueue::EventQueue(int capacity)
    : m_capacity(capacity > 0 ? capacity : 1)
{
    m_events.reserve(size_t(m_capacity));
}

EventQueue::Outcome EventQueue::push(const LoggingEvent &event, bool mayWait, bool keepLocation)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (mayWait)
        m_notFull.wait(lock, [this] { return m_closed || int(m_events.size()) < m_capacity; });
    if (m_closed)
        return Closed;
    if (int(m_events.size()) >= m_capacity) {
        ++m_discarded;
        return Discarded;
    }
    m_events.push_back(event);
    if (!keepLocation)
        m_events.back().clearLocation();
    const bool wasEmpty = m_events.size() == 1;
    lock.unlock();
    // The consumer sleeps only on an empty queue.
    if (wasEmpty)
        m_notEmpty.notify_one();
    return Queued;
}

bool EventQueue::takeAll(std::vector<LoggingEvent> &batch, int &discarded)
{
    batch.clear();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_notEmpty.wait(lock, [this] { return m_closed || !m_events.empty() || m_discarded > 0; });
    if (m_events.empty() && m_discarded == 0)
        return false; // closed and drained
    // The vector that goes to the producers keeps the batch's room.
    m_events.swap(batch);
    discarded = m_discarded;
    m_discarded = 0;
    lock.unlock();
    m_notFull.notify_all();
    return true;
}

void EventQueue::close()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
    }
    m_notEmpty.notify_all();
    m_notFull.notify_all();
}

int EventQueue::size() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_events.size());
}

} // namespace LogEngine
