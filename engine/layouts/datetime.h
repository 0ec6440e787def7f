#ifndef LOGENGINE_DATETIME_H
#define LOGENGINE_DATETIME_H

#include <QDateTime>

#include <limits>

namespace LogEngine
{

/*!
 * A point in time as the layouts print it: the named formats "NONE",
 * "RELATIVE", "ISO8601", "ABSOLUTE" and "DATE", or a date pattern of the
 * engine's own (close to Qt's letters, with week numbers and AM/PM).
 */
class DateTime : public QDateTime
{
public:
    DateTime() = default;
    DateTime(const QDateTime &other)
        : QDateTime(other)
    {
    }

    /*!
     * The time `milliSeconds` after the epoch; an invalid time (printed as
     * an empty text) beyond `maxMilliSeconds` either side.
     */
    static DateTime fromMilliSeconds(qint64 milliSeconds);
    qint64 toMilliSeconds() const;

    QString toString(const QString &format) const;

    /*!
     * The text "RELATIVE" prints: milliseconds from program start to
     * `milliSeconds`, held at the 64-bit limits for stamps near them.
     */
    static QString relativeText(qint64 milliSeconds);

    /*!
     * How far from the epoch a time stamp is still turned into a date: a
     * hundred million days, as in JavaScript. Qt's local-time conversion
     * overflows near the 64-bit limits, and an event read off a data
     * stream may carry any stamp.
     */
    static constexpr qint64 maxMilliSeconds = Q_INT64_C(8640000000000000);

    /*!
     * The second after the epoch that `milliSeconds` falls in, rounded
     * down also before the epoch: what per-second caches of a converted
     * time are keyed by. `noSecond` is no time stamp's second.
     */
    static constexpr qint64 secondOf(qint64 milliSeconds)
    {
        const qint64 quotient = milliSeconds / 1000;
        return milliSeconds % 1000 != 0 && milliSeconds < 0 ? quotient - 1 : quotient;
    }
    static constexpr qint64 noSecond = std::numeric_limits<qint64>::min();

    /*!
     * The pattern a format text stands for: the named formats' patterns, an
     * empty text for "NONE" and "RELATIVE" (callers test for those first),
     * any other text unchanged.
     */
    static QString patternFor(const QString &format);
};

} // namespace LogEngine

#endif
