#include "engine/layouts/locationpatternconverter.h"

#include "engine/layouts/loggerpatternconverter.h"
#include "engine/loggingevent.h"

namespace LogEngine
{

QString LocationPatternConverter::convert(const LoggingEvent &event) const
{
    const SourceLocation &location = event.location();
    switch (m_type) {
    case FILE_CONVERTER:
        return location.fileName();
    case LINE_CONVERTER:
        return QString::number(location.line());
    case METHOD_CONVERTER:
        return location.methodName();
    case LOCATION_CONVERTER:
        return location.functionName() + QLatin1Char('(') + location.fileName() + QLatin1Char(':')
            + QString::number(location.line()) + QLatin1Char(')');
    case CLASS_CONVERTER: {
        const QString name = location.className();
        return name.mid(LoggerPatternConverter::printedFrom(name, m_precision));
    }
    }
    return QString();
}

QDebug LocationPatternConverter::debug(QDebug &debug) const
{
    static const char *const names[]
        = { "FILE_CONVERTER", "LINE_CONVERTER", "METHOD_CONVERTER", "LOCATION_CONVERTER", "CLASS_CONVERTER" };
    debug.nospace() << "LocationPatternConverter(" << m_formattingInfo
                    << " type:" << (m_type >= 0 && m_type <= CLASS_CONVERTER ? names[m_type] : "")
                    << " precision:" << m_precision << ")";
    return debug.space();
}

} // namespace LogEngine
