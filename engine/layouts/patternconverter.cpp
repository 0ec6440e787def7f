#include "engine/layouts/patternconverter.h"

namespace LogEngine
{

PatternConverter::~PatternConverter() = default;

void PatternConverter::format(QString &out, const LoggingEvent &event) const
{
    const QString text = convert(event);
    const int size = text.size();
    if (size > m_formattingInfo.m_maxLength) {
        out += QStringView(text).left(m_formattingInfo.m_maxLength);
        return;
    }
    const int padding = m_formattingInfo.m_minLength - size;
    if (padding <= 0) {
        out += text;
    } else if (m_formattingInfo.m_leftAligned) {
        out += text;
        out.append(QString(padding, QLatin1Char(' ')));
    } else {
        out.append(QString(padding, QLatin1Char(' ')));
        out += text;
    }
}

QDebug operator<<(QDebug debug, const PatternConverter &converter)
{
    return converter.debug(debug);
}

} // namespace LogEngine
