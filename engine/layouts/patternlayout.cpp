#include "engine/layouts/patternlayout.h"

#include "engine/layouts/patternformatter.h"

namespace LogEngine
{

PatternLayout::PatternLayout(QObject *parent)
    : PatternLayout(QStringLiteral("%m%n"), parent)
{
}

PatternLayout::PatternLayout(const QString &pattern, QObject *parent)
    : Layout(parent)
{
    setConversionPattern(pattern);
}

PatternLayout::~PatternLayout() = default;

void PatternLayout::setConversionPattern(const QString &pattern)
{
    m_conversionPattern = pattern;
    m_patternFormatter.reset();
    m_patternFormatter = std::make_unique<PatternFormatter>(m_conversionPattern);
}

QString PatternLayout::format(const LoggingEvent &event)
{
    return m_patternFormatter->format(event);
}

void PatternLayout::appendFormatted(QString &out, const LoggingEvent &event)
{
    m_patternFormatter->format(out, event);
}

QDebug PatternLayout::debug(QDebug &debug) const
{
    debug.nospace() << "PatternLayout("
                    << "name:" << name() << " "
                    << "pattern:" << m_conversionPattern << " "
                    << "referencecount:" << referenceCount() << ")";
    return debug.space();
}

} // namespace LogEngine
