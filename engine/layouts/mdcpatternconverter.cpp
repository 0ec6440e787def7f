#include "engine/layouts/mdcpatternconverter.h"

#include "engine/loggingevent.h"

namespace LogEngine
{

QString MDCPatternConverter::convert(const LoggingEvent &event) const
{
    return event.propertiesRef().value(m_key);
}

QDebug MDCPatternConverter::debug(QDebug &debug) const
{
    debug.nospace() << "MDCPatternConverter(" << m_formattingInfo << " key:" << m_key << ")";
    return debug.space();
}

} // namespace LogEngine
