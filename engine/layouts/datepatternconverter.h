#ifndef LOGENGINE_DATEPATTERNCONVERTER_H
#define LOGENGINE_DATEPATTERNCONVERTER_H

#include "engine/layouts/datepattern.h"
#include "engine/layouts/patternconverter.h"

#include <QMutex>

namespace LogEngine
{

/*!
 * The event's time stamp in a named format or date pattern.
 *
 * The format is scanned once. Converting to local time is the expensive
 * part, so the broken-down local time of the last second seen is kept (the
 * offset from UTC cannot change within a second), and so is the text of the
 * last millisecond. The cache is taken with a try-lock: a thread that finds
 * it busy formats on its own instead of waiting.
 */
class DatePatternConverter : public PatternConverter
{
public:
    DatePatternConverter(const FormattingInfo &info, const QString &format);

    QString convert(const LoggingEvent &event) const override;
    QDebug debug(QDebug &debug) const override;
    void appendConverted(LineText &out, const LoggingEvent &event) const override;

    /*! The text of `milliSeconds` since the epoch; what `convert` prints for a stamp. */
    QString convert(qint64 milliSeconds) const;
    /*! Appends the text of `milliSeconds` since the epoch to `out`. */
    void append(LineText &out, qint64 milliSeconds) const;

private:
    enum Kind { Pattern, None, Relative };

    bool fieldsFor(qint64 second, DatePattern::Fields &fields) const;

    QString m_format;
    Kind m_kind;
    DatePattern m_pattern;

    mutable QMutex m_cacheGuard;
    mutable qint64 m_cachedSecond;
    mutable bool m_cachedSecondValid = false;
    mutable DatePattern::Fields m_cachedFields;
    mutable bool m_hasCachedText = false; // no stamp value can stand for "nothing yet"
    mutable qint64 m_cachedMilliSecond = 0;
    mutable QString m_cachedText;
};

} // namespace LogEngine

#endif
