#include "engine/layouts/loggerpatternconverter.h"

#include "engine/layouts/linetext.h"
#include "engine/logger.h"
#include "engine/loggingevent.h"

namespace LogEngine
{

int LoggerPatternConverter::printedFrom(const QString &name, int precision)
{
    if (precision <= 0 || name.isEmpty())
        return 0;
    int separator = name.size();
    for (int i = 0; i < precision; ++i) {
        // lastIndexOf counts a negative start from the end, so stop at 0 by hand.
        separator = separator == 0 ? -1 : name.lastIndexOf(QLatin1String("::"), separator - 1);
        if (separator < 0)
            return 0;
    }
    return separator + 2;
}

QString LoggerPatternConverter::convert(const LoggingEvent &event) const
{
    if (!event.logger())
        return QString();
    const QString name = event.logger()->name();
    return name.mid(printedFrom(name, m_precision));
}

void LoggerPatternConverter::appendConverted(LineText &out, const LoggingEvent &event) const
{
    if (const Logger *logger = event.logger()) {
        const QString &name = logger->nameRef();
        out.append(QStringView(name).mid(printedFrom(name, m_precision)));
    }
}

QDebug LoggerPatternConverter::debug(QDebug &debug) const
{
    debug.nospace() << "LoggerPatternConverter(" << m_formattingInfo << " precision:" << m_precision << ")";
    return debug.space();
}

} // namespace LogEngine
