#include "engine/layouts/ttcclayout.h"

#include "engine/layouts/patternformatter.h"

namespace LogEngine
{

namespace
{

QString dateFormatText(TTCCLayout::DateFormat format)
{
    switch (format) {
    case TTCCLayout::DATEFORMAT_NONE:
        return QStringLiteral("NONE");
    case TTCCLayout::DATEFORMAT_ISO8601:
        return QStringLiteral("ISO8601");
    case TTCCLayout::DATEFORMAT_ABSOLUTE:
        return QStringLiteral("ABSOLUTE");
    case TTCCLayout::DATEFORMAT_DATE:
        return QStringLiteral("DATE");
    case TTCCLayout::DATEFORMAT_RELATIVE:
        return QStringLiteral("RELATIVE");
    }
    return QString();
}

} // namespace

TTCCLayout::TTCCLayout(QObject *parent)
    : TTCCLayout(DATEFORMAT_RELATIVE, parent)
{
}

TTCCLayout::TTCCLayout(DateFormat dateFormat, QObject *parent)
    : Layout(parent)
    , m_dateFormat(dateFormatText(dateFormat))
{
    updatePatternFormatter();
}

TTCCLayout::~TTCCLayout() = default;

void TTCCLayout::setCategoryPrefixing(bool enabled)
{
    m_categoryPrefixing = enabled;
    updatePatternFormatter();
}

void TTCCLayout::setContextPrinting(bool enabled)
{
    m_contextPrinting = enabled;
    updatePatternFormatter();
}

void TTCCLayout::setDateFormat(const QString &format)
{
    m_dateFormat = format;
    updatePatternFormatter();
}

void TTCCLayout::setDateFormat(DateFormat format)
{
    setDateFormat(dateFormatText(format));
}

void TTCCLayout::setThreadPrinting(bool enabled)
{
    m_threadPrinting = enabled;
    updatePatternFormatter();
}

QString TTCCLayout::pattern() const
{
    QString result = QLatin1String("%d{") + m_dateFormat + QLatin1Char('}');
    if (m_threadPrinting)
        result += QLatin1String(" [%t]");
    result += QLatin1String(" %-5p");
    if (m_categoryPrefixing)
        result += QLatin1String(" %c");
    if (m_contextPrinting)
        result += QLatin1String(" %x");
    result += QLatin1String(" - %m%n");
    return result;
}

void TTCCLayout::updatePatternFormatter()
{
    m_patternFormatter.reset();
    m_patternFormatter = std::make_unique<PatternFormatter>(pattern());
}

QString TTCCLayout::format(const LoggingEvent &event)
{
    return m_patternFormatter->format(event);
}

void TTCCLayout::appendFormatted(QString &out, const LoggingEvent &event)
{
    m_patternFormatter->format(out, event);
}

QDebug TTCCLayout::debug(QDebug &debug) const
{
    debug.nospace() << "TTCCLayout("
                    << "name:" << name() << " "
                    << "categoryprefixing:" << m_categoryPrefixing << " "
                    << "contextprinting:" << m_contextPrinting << " "
                    << "dateformat:" << m_dateFormat << " "
                    << "referencecount:" << referenceCount() << " "
                    << "threadprinting:" << m_threadPrinting << ")";
    return debug.space();
}

} // namespace LogEngine
