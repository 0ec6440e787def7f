#include "engine/layouts/datetime.h"

#include "engine/detail/initialisationhelper.h"
#include "engine/layouts/datepattern.h"

#include <limits>

namespace LogEngine
{

DateTime DateTime::fromMilliSeconds(qint64 milliSeconds)
{
    if (milliSeconds < -maxMilliSeconds || milliSeconds > maxMilliSeconds)
        return DateTime();
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
        return QStringLiteral("dd MMM yyyy HH:mm:ss.zzz");
    if (format == QLatin1String("NONE") || format == QLatin1String("RELATIVE"))
        return QString();
    return format;
}

QString DateTime::relativeText(qint64 milliSeconds)
{
    // A time may lie anywhere Qt can represent it.
    const qint64 start = InitialisationHelper::startTime();
    constexpr qint64 lowest = std::numeric_limits<qint64>::min();
    constexpr qint64 highest = std::numeric_limits<qint64>::max();
    if (start > 0 && milliSeconds < lowest + start)
        return QString::number(lowest);
    if (start < 0 && milliSeconds > highest + start)
        return QString::number(highest);
    return QString::number(milliSeconds - start);
}

QString DateTime::toString(const QString &format) const
{
    if (format.isEmpty() || !isValid() || format == QLatin1String("NONE"))
        return QString();
    if (format == QLatin1String("RELATIVE"))
        return relativeText(toMilliSeconds());
    QString result;
    DatePattern(patternFor(format)).format(result, DatePattern::fieldsOf(toLocalTime()));
    return result;
}

} // namespace LogEngine
