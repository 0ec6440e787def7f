#include "engine/layouts/datetime.h"

#include "engine/initialisationhelper.h"
#include "engine/layouts/datepattern.h"

namespace LogEngine
{

DateTime DateTime::fromMilliSeconds(qint64 milliSeconds)
{
    const qint64 seconds = milliSeconds / 1000;
    return DateTime(QDateTime::fromSecsSinceEpoch(seconds).addMSecs(milliSeconds - seconds * 1000));
}

// Full 64-bit milliseconds: a 32-bit unsigned count of seconds would turn
// times before 1970 and after 2106 into nonsense.
qint64 DateTime::toMilliSeconds() const
{
    return toMSecsSinceEpoch();
}

QString DateTime::patternFor(const QString &format)
{
    if (format == QLatin1String("ISO8601"))
        return QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz");
    if (format == QLatin1String("ABSOLUTE"))
        return QStringLiteral("HH:mm:ss.zzz");
    if (format == QLatin1String("DATE"))
        return QStringLiteral("dd MMM YYYY HH:mm:ss.zzzz");
    if (format == QLatin1String("NONE") || format == QLatin1String("RELATIVE"))
        return QString();
    return format;
}

QString DateTime::toString(const QString &format) const
{
    if (format.isEmpty() || !isValid() || format == QLatin1String("NONE"))
        return QString();
    if (format == QLatin1String("RELATIVE"))
        return QString::number(toMilliSeconds() - InitialisationHelper::startTime());
    QString result;
    DatePattern(patternFor(format)).format(result, DatePattern::fieldsOf(toLocalTime()));
    return result;
}

} // namespace LogEngine
