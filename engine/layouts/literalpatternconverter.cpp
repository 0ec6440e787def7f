#include "engine/layouts/literalpatternconverter.h"

namespace LogEngine
{

QString LiteralPatternConverter::convert(const LoggingEvent &) const
{
    return m_literal;
}

QDebug LiteralPatternConverter::debug(QDebug &debug) const
{
    debug.nospace() << "LiteralPatternConverter(" << m_formattingInfo << " literal:" << m_literal << ")";
    return debug.space();
}

} // namespace LogEngine
