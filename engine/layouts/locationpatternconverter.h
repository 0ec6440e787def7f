#ifndef LOGENGINE_LOCATIONPATTERNCONVERTER_H
#define LOGENGINE_LOCATIONPATTERNCONVERTER_H

#include "engine/layouts/patternconverter.h"

namespace LogEngine
{

/*!
 * A part of the event's source location: the file name without its
 * directory, the line, the function's name, all three as
 * "function(file:line)", or the function's class (its qualifier), shortened
 * by a precision as the logger name is. The formatter skips it, padding
 * and all, for an event without a location.
 */
class LocationPatternConverter : public PatternConverter
{
public:
    enum Type {
        FILE_CONVERTER = 0,
        LINE_CONVERTER = 1,
        METHOD_CONVERTER = 2,
        LOCATION_CONVERTER = 3,
        CLASS_CONVERTER = 4
    };

    LocationPatternConverter(const FormattingInfo &info, Type type, int precision = 0)
        : PatternConverter(info)
        , m_type(type)
        , m_precision(precision)
    {
    }

    QString convert(const LoggingEvent &event) const override;
    QDebug debug(QDebug &debug) const override;

private:
    Type m_type;
    int m_precision;
};

} // namespace LogEngine

#endif
