#include "engine/layouts/datepattern.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <cstring>

namespace LogEngine
{

namespace
{

// A plain character table, not a QString: the start-up report formats a
// date from a static initialiser of the library, possibly before this file's
// own dynamic initialisers have run.
constexpr char patternLetters[] = "'dMyhHmszAPapwS";

bool isPatternLetter(QChar c)
{
    const char latin = c.toLatin1();
    return latin != '\0' && std::strchr(patternLetters, latin);
}

// The no-token marker is the character "0": a "0" met while no token is
// open starts a token of zeros, which prints nothing.
constexpr QChar noToken = QLatin1Char('0');

bool isAmPmMode(const QString &pattern)
{
    bool quoted = false;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && (c == QLatin1Char('a') || c == QLatin1Char('A')))
            return true;
    }
    return false;
}

/*
 * The text of one date, gathered on the stack and handed to the output string
 * in one append: a date is a dozen short pieces, and appending each to the
 * QString costs more than printing it.
 */
class DateText
{
public:
    explicit DateText(QString &out)
        : m_out(out)
    {
    }
    ~DateText() { flush(); }

    void append(QStringView text)
    {
        if (m_length + text.size() > capacity) {
            flush();
            if (text.size() > capacity) {
                m_out += text;
                return;
            }
        }
        std::copy(text.utf16(), text.utf16() + text.size(), m_buffer + m_length);
        m_length += int(text.size());
    }

    // Zero-padded to `width`; a longer number is cut to its width, keeping
    // the leading digits.
    void appendNumber(int value, int width)
    {
        char digits[12];
        int n = 0;
        unsigned v = value < 0 ? 0u - unsigned(value) : unsigned(value);
        do {
            digits[n++] = char('0' + v % 10);
            v /= 10;
        } while (v);
        // Sign, padding up to a width of three and ten digits at most.
        if (m_length + 16 > capacity)
            flush();
        if (value < 0)
            m_buffer[m_length++] = u'-';
        for (int i = n; i < width; ++i)
            m_buffer[m_length++] = u'0';
        const int keep = width > 0 && n > width ? width : n;
        for (int i = n - 1; i >= n - keep; --i)
            m_buffer[m_length++] = char16_t(digits[i]);
    }

private:
    static constexpr int capacity = 64;

    void flush()
    {
        if (m_length > 0)
            m_out.append(reinterpret_cast<const QChar *>(m_buffer), m_length);
        m_length = 0;
    }

    QString &m_out;
    char16_t m_buffer[capacity];
    int m_length = 0;

    Q_DISABLE_COPY(DateText)
};

} // namespace

DatePattern::DatePattern(const QString &pattern)
{
    const bool amPmMode = isAmPmMode(pattern);
    QString literal;
    QString token;
    QChar expected = noToken;
    QChar previous;
    auto flushToken = [&] {
        if (token.isEmpty())
            return;
        addLiteral(literal);
        literal.clear();
        addToken(token, amPmMode);
        token.clear();
    };
    for (const QChar c : pattern) {
        if (expected == QLatin1Char('\'')) {
            if (c == QLatin1Char('\'')) {
                if (previous == QLatin1Char('\''))
                    literal += c;
                expected = noToken;
            } else {
                literal += c;
            }
        } else if (c == expected) {
            token += c;
        } else {
            flushToken();
            expected = noToken;
            if (isPatternLetter(c)) {
                if (c == QLatin1Char('a'))
                    expected = QLatin1Char('p');
                else if (c == QLatin1Char('A'))
                    expected = QLatin1Char('P');
                else if (c != QLatin1Char('p') && c != QLatin1Char('P'))
                    expected = c;
                if (c != QLatin1Char('\''))
                    token += c;
            } else {
                literal += c;
            }
        }
        previous = c;
    }
    flushToken();
    addLiteral(literal);
}

void DatePattern::addLiteral(const QString &text)
{
    if (text.isEmpty())
        return;
    m_literals.append(text);
    m_steps.append(Step { Literal, int(m_literals.size() - 1) });
}

// Each row is a test of how the token starts; after a row prints, the rest of
// the token goes through the table again. Tokens are runs of one letter
// (or "a"/"A" with "p"/"P"), so every row consumes a prefix.
void DatePattern::addToken(QStringView token, bool amPmMode)
{
    struct Row {
        const char *prefix;
        Op op;
    };
    static const Row rows[] = {
        { "dddd", DayLong },
        { "ddd", DayShort },
        { "dd", Day2 },
        { "d", Day1 },
        { "MMMM", MonthLong },
        { "MMM", MonthShort },
        { "MM", Month2 },
        { "M", Month1 },
        { "yyyy", Year4 },
        { "yy", Year2 },
        { "hh", Hour12Two },
        { "HH", Hour2 },
        { "h", Hour12One },
        { "H", Hour1 },
        { "mm", Minute2 },
        { "m", Minute1 },
        { "ss", Second2 },
        { "s", Second1 },
        { "zzz", Milli3 },
        { "z", Milli1 },
        { "ap", AmPmLower },
        { "a", AmPmLower },
        { "AP", AmPmUpper },
        { "A", AmPmUpper },
        { "ww", Week2 },
        { "w", Week1 },
    };
    // The Java letter for the millisecond, which nearly every real
    // configuration uses: a run of three or more is padded to its length,
    // a shorter one is not padded at all.
    if (token.startsWith(QLatin1Char('S'))) {
        const int length = int(token.size());
        m_steps.append(length >= 3 ? Step { MilliPadded, length } : Step { Milli1, -1 });
        return;
    }
    while (!token.isEmpty()) {
        const Row *match = nullptr;
        for (const Row &row : rows) {
            if (token.startsWith(QLatin1String(row.prefix))) {
                match = &row;
                break;
            }
        }
        if (!match)
            return; // a single y, a lone p or P, zeros: the rest prints nothing
        Op op = match->op;
        // Outside AM/PM mode lower-case h prints the 24-hour value as H does.
        if (!amPmMode && op == Hour12Two)
            op = Hour2;
        else if (!amPmMode && op == Hour12One)
            op = Hour1;
        m_steps.append(Step { op, -1 });
        token = token.mid(int(qstrlen(match->prefix)));
    }
}

DatePattern::Fields DatePattern::fieldsOf(const QDateTime &localTime)
{
    Fields f;
    const QDate date = localTime.date();
    const QTime time = localTime.time();
    f.year = date.year();
    f.month = date.month();
    f.day = date.day();
    f.dayOfWeek = date.dayOfWeek();
    f.weekNumber = date.weekNumber();
    f.hour = time.hour();
    f.minute = time.minute();
    f.second = time.second();
    f.millisecond = time.msec();
    return f;
}

void DatePattern::format(QString &out, const Fields &f) const
{
    DateText text(out);
    for (const Step &step : m_steps) {
        switch (step.op) {
        case Literal:
            text.append(QStringView(m_literals.at(step.argument)));
            break;
        case DayLong:
            text.append(QStringView(QLocale::system().dayName(f.dayOfWeek, QLocale::LongFormat)));
            break;
        case DayShort:
            text.append(QStringView(QLocale::system().dayName(f.dayOfWeek, QLocale::ShortFormat)));
            break;
        case Day2:
            text.appendNumber(f.day, 2);
            break;
        case Day1:
            text.appendNumber(f.day, 0);
            break;
        case MonthLong:
            text.append(QStringView(QLocale::system().monthName(f.month, QLocale::LongFormat)));
            break;
        case MonthShort:
            text.append(QStringView(QLocale::system().monthName(f.month, QLocale::ShortFormat)));
            break;
        case Month2:
            text.appendNumber(f.month, 2);
            break;
        case Month1:
            text.appendNumber(f.month, 0);
            break;
        case Year4:
            text.appendNumber(f.year, 0);
            break;
        case Year2:
            text.appendNumber(f.year % 100, 2);
            break;
        case Hour2:
            text.appendNumber(f.hour, 2);
            break;
        case Hour1:
            text.appendNumber(f.hour, 0);
            break;
        case Hour12Two:
            text.appendNumber(f.hour > 12 ? f.hour - 12 : f.hour, 2);
            break;
        case Hour12One:
            text.appendNumber(f.hour > 12 ? f.hour - 12 : f.hour, 0);
            break;
        case Minute2:
            text.appendNumber(f.minute, 2);
            break;
        case Minute1:
            text.appendNumber(f.minute, 0);
            break;
        case Second2:
            text.appendNumber(f.second, 2);
            break;
        case Second1:
            text.appendNumber(f.second, 0);
            break;
        case Milli3:
            text.appendNumber(f.millisecond, 3);
            break;
        case Milli1:
            text.appendNumber(f.millisecond, 0);
            break;
        case MilliPadded:
            // A millisecond has three digits at most; the number pads only
            // that far, so longer runs get their leading zeros here.
            for (int i = 3; i < step.argument; ++i)
                text.append(QStringView(u"0"));
            text.appendNumber(f.millisecond, 3);
            break;
        case AmPmLower:
            text.append(f.hour < 12 ? QStringView(u"am") : QStringView(u"pm"));
            break;
        case AmPmUpper:
            text.append(f.hour < 12 ? QStringView(u"AM") : QStringView(u"PM"));
            break;
        case Week2:
            text.appendNumber(f.weekNumber, 2);
            break;
        case Week1:
            text.appendNumber(f.weekNumber, 0);
            break;
        }
    }
}

} // namespace LogEngine
