#include "engine/layouts/jsonlayout.h"

#include "engine/detail/scopedlock.h"
#include "engine/layouts/datetime.h"
#include "engine/loggingevent.h"

#include <QDateTime>
#include <QDebug>

#include <algorithm>

namespace LogEngine
{

namespace
{

void appendDigits(QString &out, int value, int width)
{
    if (value < 0)
        out += QLatin1Char('-');
    out += QString::number(value < 0 ? -qint64(value) : qint64(value)).rightJustified(width, QLatin1Char('0'));
}

// The local time of a whole second as "yyyy-MM-ddTHH:mm:ss" and its offset
// from UTC as "+hh:mm"; false when Qt cannot represent the second.
bool secondText(qint64 second, QString &dateTime, QString &offset)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(second);
    if (!local.isValid())
        return false;
    const QDate date = local.date();
    const QTime time = local.time();
    dateTime.clear();
    appendDigits(dateTime, date.year(), 4);
    dateTime += QLatin1Char('-');
    appendDigits(dateTime, date.month(), 2);
    dateTime += QLatin1Char('-');
    appendDigits(dateTime, date.day(), 2);
    dateTime += QLatin1Char('T');
    appendDigits(dateTime, time.hour(), 2);
    dateTime += QLatin1Char(':');
    appendDigits(dateTime, time.minute(), 2);
    dateTime += QLatin1Char(':');
    appendDigits(dateTime, time.second(), 2);
    const int offsetSeconds = local.offsetFromUtc();
    const int minutes = (offsetSeconds < 0 ? -offsetSeconds : offsetSeconds) / 60;
    offset = QLatin1String(offsetSeconds < 0 ? "-" : "+");
    appendDigits(offset, minutes / 60, 2);
    offset += QLatin1Char(':');
    appendDigits(offset, minutes % 60, 2);
    return true;
}

void appendMember(QString &out, const char *name, QStringView value)
{
    // The names need no escaping.
    out += QLatin1String(",\"") + QLatin1String(name) + QLatin1String("\":");
    JSONLayout::appendString(out, value);
}

} // namespace

JSONLayout::JSONLayout(QObject *parent)
    : Layout(parent)
    , m_cachedSecond(DateTime::noSecond)
{
}

QString JSONLayout::contentType() const
{
    return QStringLiteral("application/json");
}

QDebug JSONLayout::debug(QDebug &debug) const
{
    debug.nospace() << "JSONLayout("
                    << "name:" << name() << " "
                    << "referencecount:" << referenceCount() << ")";
    return debug.space();
}

QString JSONLayout::format(const LoggingEvent &event)
{
    QString text;
    appendFormatted(text, event);
    return text;
}

void JSONLayout::appendFormatted(QString &out, const LoggingEvent &event)
{
    out += QLatin1String("{\"timestamp\":");
    appendString(out, timestampText(event.timeStamp()));
    appendMember(out, "level", event.level().toString());
    appendMember(out, "logger", event.loggerName());
    appendMember(out, "thread", event.threadNameRef());
    appendMember(out, "message", event.messageRef());
    if (!event.ndcRef().isEmpty())
        appendMember(out, "ndc", event.ndcRef());
    const QHash<QString, QString> &mdc = event.propertiesRef();
    if (!mdc.isEmpty()) {
        // Sorted, so that equal contexts print equal lines.
        QStringList keys = mdc.keys();
        std::sort(keys.begin(), keys.end());
        out += QLatin1String(",\"mdc\":{");
        for (int i = 0; i < keys.size(); ++i) {
            if (i > 0)
                out += QLatin1Char(',');
            appendString(out, keys.at(i));
            out += QLatin1Char(':');
            appendString(out, mdc.value(keys.at(i)));
        }
        out += QLatin1Char('}');
    }
    if (event.hasLocation()) {
        const SourceLocation &location = event.location();
        out += QLatin1String(",\"location\":{\"file\":");
        appendString(out, location.filePath());
        out += QLatin1String(",\"line\":") + QString::number(location.line()) + QLatin1String(",\"function\":");
        appendString(out, location.function());
        out += QLatin1Char('}');
    }
    out += QLatin1Char('}');
    out += endOfLine();
}

void JSONLayout::appendString(QString &out, QStringView text)
{
    static const char hex[] = "0123456789abcdef";
    auto escapeUnit = [&out](char16_t unit) {
        out += QLatin1String("\\u");
        for (int shift = 12; shift >= 0; shift -= 4)
            out += QLatin1Char(hex[(unit >> shift) & 0xF]);
    };
    out += QLatin1Char('"');
    const qsizetype size = text.size();
    qsizetype plain = 0; // start of the run copied unchanged
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = text[i].unicode();
        if (unit >= 0x20 && unit != u'"' && unit != u'\\' && (unit < 0xD800 || unit > 0xDFFF))
            continue;
        if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i; // a whole pair: one character beyond the BMP, kept as it is
            continue;
        }
        out += text.mid(plain, i - plain);
        plain = i + 1;
        switch (unit) {
        case u'"':
            out += QLatin1String("\\\"");
            break;
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        case u'\b':
            out += QLatin1String("\\b");
            break;
        case u'\f':
            out += QLatin1String("\\f");
            break;
        default:
            // Other control characters, and half a pair, which no encoding
            // could write as it stands.
            escapeUnit(unit);
        }
    }
    out += text.mid(plain);
    out += QLatin1Char('"');
}

QString JSONLayout::timestampText(qint64 milliSeconds) const
{
    if (milliSeconds < -DateTime::maxMilliSeconds || milliSeconds > DateTime::maxMilliSeconds)
        return QString();
    const qint64 second = DateTime::secondOf(milliSeconds);
    const int millisecond = int(milliSeconds - second * 1000);
    QString dateTime;
    QString offset;
    // The offset from UTC cannot change within a second; converting to
    // local time is the expensive part. A thread that finds the cache busy
    // converts on its own instead of waiting.
    bool known = false;
    if (m_cacheGuard.tryLock()) {
        ScopedLock::acquired(&m_cacheGuard);
        if (second != m_cachedSecond) {
            if (secondText(second, m_cachedDateTime, m_cachedOffset))
                m_cachedSecond = second;
            else
                m_cachedSecond = DateTime::noSecond;
        }
        known = m_cachedSecond == second;
        if (known) {
            dateTime = m_cachedDateTime;
            offset = m_cachedOffset;
        }
        ScopedLock::releasing(&m_cacheGuard);
        m_cacheGuard.unlock();
    } else {
        known = secondText(second, dateTime, offset);
    }
    if (!known)
        return QString();
    QString text = dateTime;
    text += QLatin1Char('.');
    appendDigits(text, millisecond, 3);
    text += offset;
    return text;
}

} // namespace LogEngine
