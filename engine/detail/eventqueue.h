#ifndef LOGENGINE_EVENTQUEUE_H
#define LOGENGINE_EVENTQUEUE_H

#include "engine/loggingevent.h"

#include <condition_variable>
#include <mutex>
#include <vector>

namespace LogEngine
{

/*!
 * The bounded queue between the threads that log through an asynchronous
 * appender and its one delivering thread. Producers copy events in; the
 * consumer takes everything queued at once by swapping two vectors, so a
 * producer and the consumer meet on the mutex once per batch, not once
 * per event, and the events keep the order in which producers got in.
 *
 * A full queue makes a producer wait for room or, when it may not wait,
 * discards the event and counts it. The count goes to the consumer with the
 * next batch it takes: every event of that batch was queued before the
 * first discard, and every later one comes after the last.
 *
 * Thread-safe. Standard-library primitives, which the thread sanitizer sees.
 */
class EventQueue
{
public:
    enum Outcome { Queued, Discarded, Closed };

    explicit EventQueue(int capacity);

    int capacity() const { return m_capacity; }

    /*!
     * Adds a copy of `event`, without its source location unless
     * `keepLocation`; waits for room when `mayWait`, otherwise discards it
     * when the queue is full.
     */
    Outcome push(const LoggingEvent &event, bool mayWait, bool keepLocation);
    /*!
     * Waits for events and moves every queued one into `batch` (whose old
     * content is dropped), with the number discarded since the last take in
     * `discarded`. False once the queue is closed and nothing is left.
     */
    bool takeAll(std::vector<LoggingEvent> &batch, int &discarded);
    /*! Refuses further events; the consumer still takes those queued. */
    void close();
    /*! Events queued and not yet taken. */
    int size() const;

private:
    const int m_capacity;
    mutable std::mutex m_mutex;
    std::condition_variable m_notEmpty;
    std::condition_variable m_notFull;
    std::vector<LoggingEvent> m_events;
    int m_discarded = 0;
    bool m_closed = false;
};

} // namespace LogEngine

#endif
