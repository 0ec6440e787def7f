#include "engine/layouts/literalpatternconverter.h"

#include "engine/layouts/linetext.h"

namespace LogEngine
{

QString LiteralPatternConverter::convert(const LoggingEvent &) const
{
    return m_literal;
}

void LiteralPatternConverter::appendConverted(LineText &out, const LoggingEvent &) const
{
    out.append(m_literal);
}

QDebug LiteralPatternConverter::debug(QDebug &debug) const
{
    debug.nospace() << "LiteralPatternConverter(" << m_formattingInfo << " literal:" << m_literal << ")";
    return debug.space();
}

} // namespace LogEngine
