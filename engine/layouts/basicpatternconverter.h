#ifndef LOGENGINE_BASICPATTERNCONVERTER_H
#define LOGENGINE_BASICPATTERNCONVERTER_H

#include "engine/layouts/patternconverter.h"

namespace LogEngine
{

/*! The message, nested context, level or thread name of an event. */
class BasicPatternConverter : public PatternConverter
{
public:
    enum Type { MESSAGE_CONVERTER = 0, NDC_CONVERTER = 1, LEVEL_CONVERTER = 2, THREAD_CONVERTER = 3 };

    BasicPatternConverter(const FormattingInfo &info, Type type)
        : PatternConverter(info)
        , m_type(type)
    {
    }

    QString convert(const LoggingEvent &event) const override;
    QDebug debug(QDebug &debug) const override;
    void appendConverted(LineText &out, const LoggingEvent &event) const override;

private:
    Type m_type;
};

} // namespace LogEngine

#endif
