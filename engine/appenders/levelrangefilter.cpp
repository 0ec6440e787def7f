#include "engine/appenders/levelrangefilter.h"

#include "engine/loggingevent.h"

namespace LogEngine
{

LevelRangeFilter::LevelRangeFilter(QObject *parent)
    : Filter(parent)
{
}

QDebug LevelRangeFilter::debug(QDebug &debug) const
{
    debug.nospace() << "LevelRangeFilter("
                    << "acceptonmatch:" << m_acceptOnMatch << " "
                    << "levelmin:" << m_levelMin.toString() << " "
                    << "levelmax:" << m_levelMax.toString() << " ";
    debugNext(debug);
    debug << "referencecount:" << referenceCount() << " "
          << ")";
    return debug.space();
}

Filter::Decision LevelRangeFilter::decide(const LoggingEvent &event) const
{
    if (event.level() < m_levelMin || event.level() > m_levelMax)
        return DENY;
    return m_acceptOnMatch ? ACCEPT : NEUTRAL;
}

} // namespace LogEngine
