#ifndef LOGENGINE_MDCPATTERNCONVERTER_H
#define LOGENGINE_MDCPATTERNCONVERTER_H

#include "engine/layouts/patternconverter.h"

namespace LogEngine
{

/*! One value of the mapped diagnostic context captured with the event. */
class MDCPatternConverter : public PatternConverter
{
public:
    MDCPatternConverter(const FormattingInfo &info, const QString &key)
        : PatternConverter(info)
        , m_key(key)
    {
    }

    QString convert(const LoggingEvent &event) const override;
    QDebug debug(QDebug &debug) const override;
    void appendConverted(LineText &out, const LoggingEvent &event) const override;

private:
    QString m_key;
};

} // namespace LogEngine

#endif
