#include "engine/layouts/mdcpatternconverter.h"

#include "engine/layouts/linetext.h"
#include "engine/loggingevent.h"

namespace LogEngine
{

QString MDCPatternConverter::convert(const LoggingEvent &event) const
{
    return event.propertiesRef().value(m_key);
}

void MDCPatternConverter::appendConverted(LineText &out, const LoggingEvent &event) const
{
    const QHash<QString, QString> &properties = event.propertiesRef();
    const auto found = properties.constFind(m_key);
    if (found != properties.constEnd())
        out.append(found.value());
}

QDebug MDCPatternConverter::debug(QDebug &debug) const
{
    debug.nospace() << "MDCPatternConverter(" << m_formattingInfo << " key:" << m_key << ")";
    return debug.space();
}

} // namespace LogEngine
