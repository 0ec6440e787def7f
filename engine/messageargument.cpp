#include "engine/messageargument.h"

#include <algorithm>
#include <climits>

namespace LogEngine
{

namespace
{

// More than any log request uses; a text with more is left to Qt.
constexpr int maxPlaceholders = 16;

struct Placeholder {
    int position; // of the "%"
    int number; // 1 to 9
};

int digitCount(qulonglong value)
{
    int count = 1;
    while (value >= 10) {
        value /= 10;
        ++count;
    }
    return count;
}

QChar *writeDigits(QChar *out, qulonglong value)
{
    QChar *end = out + digitCount(value);
    QChar *digit = end;
    do {
        *--digit = QLatin1Char(char('0' + value % 10));
        value /= 10;
    } while (value);
    return end;
}

} // namespace

int MessageArgument::length() const
{
    switch (m_kind) {
    case String:
        return int(m_string->size());
    case Utf8: {
        if (!m_utf8)
            return 0;
        int count = 0;
        for (const char *c = m_utf8; *c; ++c, ++count) {
            if (uchar(*c) >= 0x80)
                return -1;
        }
        return count;
    }
    case Signed:
        return qlonglong(m_integer) < 0 ? 1 + digitCount(0 - m_integer) : digitCount(m_integer);
    case Unsigned:
        return digitCount(m_integer);
    }
    return -1;
}

QChar *MessageArgument::write(QChar *out) const
{
    switch (m_kind) {
    case String:
        return std::copy(m_string->constBegin(), m_string->constEnd(), out);
    case Utf8:
        for (const char *c = m_utf8; c && *c; ++c)
            *out++ = QLatin1Char(*c);
        return out;
    case Signed:
        if (qlonglong(m_integer) < 0) {
            *out++ = QLatin1Char('-');
            return writeDigits(out, 0 - m_integer);
        }
        return writeDigits(out, m_integer);
    case Unsigned:
        return writeDigits(out, m_integer);
    }
    return out;
}

bool MessageArgument::substitute(const char *format, const MessageArgument *args, int count, QString &out)
{
    if (!format || count > 3)
        return false;
    Placeholder placeholders[maxPlaceholders];
    int found = 0;
    unsigned numbers = 0; // bit n set when %n occurs
    int size = 0;
    for (; format[size]; ++size) {
        const char c = format[size];
        if (uchar(c) >= 0x80)
            return false;
        if (c != '%')
            continue;
        // "%" before anything but a digit is text; Qt reads %0, %L1 and
        // numbers of two digits as placeholders too.
        const char next = format[size + 1];
        if (next == '0' || next == 'L')
            return false;
        if (next < '1' || next > '9')
            continue;
        const char after = format[size + 2];
        if ((after >= '0' && after <= '9') || found == maxPlaceholders)
            return false;
        placeholders[found++] = Placeholder { size, next - '0' };
        numbers |= 1u << (next - '0');
        ++size;
    }

    // As QString::arg: the lowest number takes the first argument, the next
    // lowest the second; numbers beyond the arguments stay as they are.
    int argumentOf[10];
    int rank = 0;
    for (int number = 1; number <= 9; ++number)
        argumentOf[number] = (numbers & (1u << number)) && rank < count ? rank++ : -1;
    if (rank < count)
        return false;

    int lengths[3];
    for (int i = 0; i < count; ++i) {
        lengths[i] = args[i].length();
        if (lengths[i] < 0)
            return false;
    }
    qint64 total = size;
    for (int i = 0; i < found; ++i) {
        const int argument = argumentOf[placeholders[i].number];
        if (argument >= 0)
            total += lengths[argument] - 2;
    }
    if (total > INT_MAX / 2)
        return false;

    QString text(int(total), Qt::Uninitialized);
    QChar *write = text.data();
    int copied = 0;
    for (int i = 0; i < found; ++i) {
        const Placeholder &placeholder = placeholders[i];
        const int argument = argumentOf[placeholder.number];
        if (argument < 0)
            continue;
        for (; copied < placeholder.position; ++copied)
            *write++ = QLatin1Char(format[copied]);
        write = args[argument].write(write);
        copied += 2;
    }
    for (; copied < size; ++copied)
        *write++ = QLatin1Char(format[copied]);
    out = std::move(text);
    return true;
}

} // namespace LogEngine
