#include "engine/appenders/levelmatchfilter.h"

#include "engine/loggingevent.h"

namespace LogEngine
{

LevelMatchFilter::LevelMatchFilter(QObject *parent)
    : Filter(parent)
{
}

QDebug LevelMatchFilter::debug(QDebug &debug) const
{
    debug.nospace() << "LevelMatchFilter("
                    << "acceptonmatch:" << m_acceptOnMatch << " "
                    << "leveltomatch:" << m_levelToMatch.toString() << " ";
    debugNext(debug);
    debug << "referencecount:" << referenceCount() << " "
          << ")";
    return debug.space();
}

Filter::Decision LevelMatchFilter::decide(const LoggingEvent &event) const
{
    if (m_levelToMatch == Level(Level::NULL_INT) || event.level() != m_levelToMatch)
        return NEUTRAL;
    return m_acceptOnMatch ? ACCEPT : DENY;
}

} // namespace LogEngine
