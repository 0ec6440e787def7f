#include "engine/layouts/patternconverter.h"

#include "engine/layouts/linetext.h"

#include <algorithm>

namespace LogEngine
{

namespace
{

void appendSpaces(LineText &out, int count)
{
    QChar *spaces = out.extend(count);
    std::fill(spaces, spaces + count, QLatin1Char(' '));
}

} // namespace

PatternConverter::~PatternConverter() = default;

void PatternConverter::appendConverted(LineText &out, const LoggingEvent &event) const
{
    out.append(convert(event));
}

void PatternConverter::format(QString &out, const LoggingEvent &event) const
{
    LineText line(out);
    format(line, event);
}

void PatternConverter::format(LineText &out, const LoggingEvent &event) const
{
    const int start = out.size();
    appendConverted(out, event);
    const int size = out.size() - start;
    if (size > m_formattingInfo.m_maxLength) {
        out.truncate(start + m_formattingInfo.m_maxLength);
        return;
    }
    // Both terms lie between 0 and the bound, so nothing overflows however
    // large the parsed minimum is.
    const int padding
        = qMin(m_formattingInfo.m_minLength, FormattingInfo::maxPadding) - qMin(size, FormattingInfo::maxPadding);
    if (padding <= 0)
        return;
    appendSpaces(out, padding);
    if (!m_formattingInfo.m_leftAligned) {
        // Padded on the left: the text moves behind the blanks.
        QChar *text = out.data() + start;
        std::rotate(text, text + size, text + size + padding);
    }
}

QDebug operator<<(QDebug debug, const PatternConverter &converter)
{
    return converter.debug(debug);
}

} // namespace LogEngine
