#include "engine/appenders/retryschedule.h"

namespace LogEngine
{

qint64 RetrySchedule::failed(qint64 now)
{
    m_pending = true;
    m_dueAt = now + m_delay;
    m_delay = qMin(2 * m_delay, longestDelay);
    return m_dueAt;
}

void RetrySchedule::reset()
{
    m_pending = false;
    m_delay = firstDelay;
}

} // namespace LogEngine
