#include "engine/appenders/stringmatchfilter.h"

#include "engine/loggingevent.h"

namespace LogEngine
{

StringMatchFilter::StringMatchFilter(QObject *parent)
    : Filter(parent)
{
}

QDebug StringMatchFilter::debug(QDebug &debug) const
{
    debug.nospace() << "StringMatchFilter("
                    << "acceptonmatch:" << m_acceptOnMatch << " "
                    << "referencecount:" << referenceCount() << " "
                    << "stringtomatch:" << m_stringToMatch << " ";
    debugNext(debug);
    debug << ")";
    return debug.space();
}

Filter::Decision StringMatchFilter::decide(const LoggingEvent &event) const
{
    const QString &message = event.messageRef();
    if (message.isEmpty() || m_stringToMatch.isEmpty() || !message.contains(m_stringToMatch))
        return NEUTRAL;
    return m_acceptOnMatch ? ACCEPT : DENY;
}

} // namespace LogEngine
