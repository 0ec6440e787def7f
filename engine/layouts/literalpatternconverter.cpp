#include "engine/layouts/literalpatternconverter.h"

namespace LogEngine
{

QString LiteralPatternConverter::convert(const LoggingEvent &) const
{
    return m_literal;
}

// A literal never carries padding or a maximum length.
void LiteralPatternConverter::format(QString &out, const LoggingEvent &) const
{
    out += m_literal;
}

QDebug LiteralPatternConverter::debug(QDebug &debug) const
{
    debug.nospace() << "LiteralPatternConverter(" << m_formattingInfo << " literal:" << m_literal << ")";
    return debug.space();
}

} // namespace LogEngine
