#include "engine/layouts/datepatternconverter.h"

#include "engine/detail/initialisationhelper.h"
#include "engine/detail/scopedlock.h"
#include "engine/layouts/datetime.h"
#include "engine/layouts/linetext.h"
#include "engine/loggingevent.h"

namespace LogEngine
{

namespace
{

// The millisecond within its second, 0 to 999 also before the epoch.
int millisecondOf(qint64 milliSeconds)
{
    const int remainder = int(milliSeconds % 1000);
    return remainder < 0 ? remainder + 1000 : remainder;
}

} // namespace

DatePatternConverter::DatePatternConverter(const FormattingInfo &info, const QString &format)
    : PatternConverter(info)
    , m_format(format)
    , m_kind(format.isEmpty() || format == QLatin1String("NONE") ? None
              : format == QLatin1String("RELATIVE")              ? Relative
                                                                 : Pattern)
    , m_pattern(DateTime::patternFor(format))
    , m_cachedSecond(DateTime::noSecond)
{
}

QString DatePatternConverter::convert(const LoggingEvent &event) const
{
    return convert(event.timeStamp());
}

// The local time of the whole second `second`; false when Qt cannot
// represent it, which prints as an empty text.
bool DatePatternConverter::fieldsFor(qint64 second, DatePattern::Fields &fields) const
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(second);
    if (!local.isValid())
        return false;
    fields = DatePattern::fieldsOf(local);
    return true;
}

QString DatePatternConverter::convert(qint64 milliSeconds) const
{
    QString text;
    {
        LineText line(text);
        append(line, milliSeconds);
    }
    return text;
}

void DatePatternConverter::appendConverted(LineText &out, const LoggingEvent &event) const
{
    append(out, event.timeStamp());
}

void DatePatternConverter::append(LineText &out, qint64 milliSeconds) const
{
    switch (m_kind) {
    case None:
        return;
    case Relative:
        out.append(DateTime::relativeText(milliSeconds));
        return;
    case Pattern:
        break;
    }
    if (milliSeconds < -DateTime::maxMilliSeconds || milliSeconds > DateTime::maxMilliSeconds)
        return;
    const qint64 second = DateTime::secondOf(milliSeconds);
    if (m_cacheGuard.tryLock()) {
        ScopedLock::acquired(&m_cacheGuard);
        if (!m_hasCachedText || milliSeconds != m_cachedMilliSecond) {
            if (second != m_cachedSecond) {
                m_cachedSecond = second;
                m_cachedSecondValid = fieldsFor(second, m_cachedFields);
            }
            // Keeps the capacity: the text is never handed out, only copied.
            m_cachedText.resize(0);
            if (m_cachedSecondValid) {
                m_cachedFields.millisecond = millisecondOf(milliSeconds);
                m_pattern.format(m_cachedText, m_cachedFields);
            }
            m_cachedMilliSecond = milliSeconds;
            m_hasCachedText = true;
        }
        out.append(m_cachedText);
        ScopedLock::releasing(&m_cacheGuard);
        m_cacheGuard.unlock();
        return;
    }
    DatePattern::Fields fields;
    if (fieldsFor(second, fields)) {
        fields.millisecond = millisecondOf(milliSeconds);
        QString text;
        m_pattern.format(text, fields);
        out.append(text);
    }
}

QDebug DatePatternConverter::debug(QDebug &debug) const
{
    debug.nospace() << "DatePatternConverter(" << m_formattingInfo << " format:" << m_format << ")";
    return debug.space();
}

} // namespace LogEngine
