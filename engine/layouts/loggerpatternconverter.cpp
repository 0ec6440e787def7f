#include "engine/layouts/loggerpatternconverter.h"

#include "engine/logger.h"
#include "engine/loggingevent.h"

namespace LogEngine
{

QString LoggerPatternConverter::convert(const LoggingEvent &event) const
{
    if (!event.logger())
        return QString();
    const QString name = event.logger()->name();
    if (m_precision <= 0 || name.isEmpty())
        return name;
    int separator = name.size();
    for (int i = 0; i < m_precision; ++i) {
        // lastIndexOf counts a negative start from the end, so stop at 0 by hand.
        separator = separator == 0 ? -1 : name.lastIndexOf(QLatin1String("::"), separator - 1);
        if (separator < 0)
            return name;
    }
    return name.mid(separator + 2);
}

QDebug LoggerPatternConverter::debug(QDebug &debug) const
{
    debug.nospace() << "LoggerPatternConverter(" << m_formattingInfo << " precision:" << m_precision << ")";
    return debug.space();
}

} // namespace LogEngine
