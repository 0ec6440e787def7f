#ifndef LOGENGINE_LOGGERPATTERNCONVERTER_H
#define LOGENGINE_LOGGERPATTERNCONVERTER_H

#include "engine/layouts/patternconverter.h"

namespace LogEngine
{

/*! The logger name, shortened to its last `precision` "::"-separated parts. */
class LoggerPatternConverter : public PatternConverter
{
public:
    LoggerPatternConverter(const FormattingInfo &info, int precision)
        : PatternConverter(info)
        , m_precision(precision)
    {
    }

    QString convert(const LoggingEvent &event) const override;
    QDebug debug(QDebug &debug) const override;
    void appendConverted(LineText &out, const LoggingEvent &event) const override;

    /*! Where the part of `name` printed with `precision` starts. */
    static int printedFrom(const QString &name, int precision);

private:
    int m_precision;
};

} // namespace LogEngine

#endif
