#ifndef LOGENGINE_DATETIME_H
#define LOGENGINE_DATETIME_H

#include <QDateTime>

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

    static DateTime fromMilliSeconds(qint64 milliSeconds);
    qint64 toMilliSeconds() const;

    QString toString(const QString &format) const;

    /*!
     * The pattern a format text stands for: the named formats' patterns, an
     * empty text for "NONE" and "RELATIVE" (callers test for those first),
     * any other text unchanged.
     */
    static QString patternFor(const QString &format);
};

} // namespace LogEngine

#endif
