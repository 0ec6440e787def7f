#include "engine/layouts/patternconverter.h"

#include <algorithm>

namespace LogEngine
{

namespace
{

void appendSpaces(QString &out, int count)
{
    const int start = out.size();
    out.resize(start + count);
    std::fill(out.begin() + start, out.end(), QLatin1Char(' '));
}

} // namespace

PatternConverter::~PatternConverter() = default;

void PatternConverter::format(QString &out, const LoggingEvent &event) const
{
    const QString text = convert(event);
    const int size = text.size();
    if (size > m_formattingInfo.m_maxLength) {
        out += QStringView(text).left(m_formattingInfo.m_maxLength);
        return;
    }
    // Both terms lie between 0 and the bound, so nothing overflows however
    // large the parsed minimum is.
    const int padding
        = qMin(m_formattingInfo.m_minLength, FormattingInfo::maxPadding) - qMin(size, FormattingInfo::maxPadding);
    if (padding <= 0) {
        out += text;
    } else if (m_formattingInfo.m_leftAligned) {
        out += text;
        appendSpaces(out, padding);
    } else {
        appendSpaces(out, padding);
        out += text;
    }
}

QDebug operator<<(QDebug debug, const PatternConverter &converter)
{
    return converter.debug(debug);
}

} // namespace LogEngine
