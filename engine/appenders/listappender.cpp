#include "engine/appenders/listappender.h"
#include "engine/detail/scopedlock.h"

#include "engine/logger.h"

namespace LogEngine
{

ListAppender::ListAppender(QObject *parent)
    : AppenderSkeleton(true, parent)
{
}

ListAppender::~ListAppender()
{
    ScopedLock locker(&objectGuard());
    m_list.clear();
}

int ListAppender::maxCount() const
{
    ScopedLock locker(&objectGuard());
    return m_maxCount;
}

void ListAppender::setMaxCount(int count)
{
    ScopedLock locker(&reportingGuard());
    if (count < 0) {
        logger()->warn("Attempt to set maximum count for appender '%1' to %2. Using zero instead", name(), count);
        count = 0;
    }
    m_maxCount = count;
    if (m_maxCount > 0 && m_list.size() > m_maxCount)
        m_list.erase(m_list.begin(), m_list.begin() + (m_list.size() - m_maxCount));
}

QList<LoggingEvent> ListAppender::list() const
{
    ScopedLock locker(&objectGuard());
    return m_list;
}

void ListAppender::append(const LoggingEvent &event)
{
    if (m_maxCount > 0 && m_list.size() >= m_maxCount)
        return;
    m_list.append(event);
}

QDebug ListAppender::debug(QDebug &debug) const
{
    ScopedLock locker(&objectGuard());
    debug.nospace() << "ListAppender(";
    debugName(debug);
    debug << " "
          << "count:" << m_list.size() << " ";
    debugFilter(debug);
    debug << " ";
    debugFlags(debug, " ");
    debug << " "
          << "maxcount:" << m_maxCount << " "
          << "referencecount:" << referenceCount() << " ";
    debugThreshold(debug);
    debug << ")";
    return debug.space();
}

} // namespace LogEngine
