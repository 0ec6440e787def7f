#ifndef LOGENGINE_RETRYSCHEDULE_H
#define LOGENGINE_RETRYSCHEDULE_H

#include <QtGlobal>

namespace LogEngine
{

/*!
 * When a file appender tries again what failed (an open, a roll-over): 1
 * second after the first failure, then twice as long after each further
 * one, up to a minute. A lasting fault thus costs one failed attempt per
 * interval, not one per event. Times are milliseconds since the epoch as
 * read from the appender's clock; the appender's lock guards it.
 */
class RetrySchedule
{
public:
    /*! Whether a failed attempt waits to be tried again. */
    bool isPending() const { return m_pending; }
    /*! Whether an attempt may be made at `now`: none waits, or it is due. */
    bool isDue(qint64 now) const { return !m_pending || now >= m_dueAt; }
    /*! Records a failure at `now` and returns when to try again. */
    qint64 failed(qint64 now);
    /*! Forgets every failure: the next one waits the first interval. */
    void reset();

private:
    bool m_pending = false;
    qint64 m_dueAt = 0;
    qint64 m_delay = firstDelay;

    static constexpr qint64 firstDelay = 1000;
    static constexpr qint64 longestDelay = 60 * 1000;
};

} // namespace LogEngine

#endif
