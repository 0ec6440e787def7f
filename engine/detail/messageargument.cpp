#include "engine/detail/messageargument.h"

#include <QtAlgorithms>

#include <algorithm>
#include <climits>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// Decimal digits of `value`. A value of `bits` bits has `guess` or
// `guess + 1` digits (1233/4096 is just above log10(2)), and one comparison
// with 10^guess tells which; the first power is 0 so that 0 has one digit.
int digitCount(qulonglong value)
{
    static constexpr qulonglong powers[] = { 0ULL, 10ULL, 100ULL, 1000ULL, 10000ULL, 100000ULL, 1000000ULL, 10000000ULL,
        100000000ULL, 1000000000ULL, 10000000000ULL, 100000000000ULL, 1000000000000ULL, 10000000000000ULL,
        100000000000000ULL, 1000000000000000ULL, 10000000000000000ULL, 100000000000000000ULL, 1000000000000000000ULL,
        10000000000000000000ULL };
    const int bits = 64 - int(qCountLeadingZeroBits(quint64(value | 1)));
    const int guess = (bits * 1233) >> 12;
    return guess + (value >= powers[guess] ? 1 : 0);
}

// Whether the text has only 7-bit characters, eight bytes at a time.
bool isAscii(const char *text, size_t length)
{
    constexpr quint64 highBits = 0x8080808080808080ULL;
    size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        quint64 word;
        std::memcpy(&word, text + i, 8);
        if (word & highBits)
            return false;
    }
    for (; i < length; ++i) {
        if (uchar(text[i]) >= 0x80)
            return false;
    }
    return true;
}

// ASCII to UTF-16. The pieces between placeholders are too short for the
// compiler's vector loop: eight characters at a time by hand, the last
// eight overlapping what is already written instead of a loop for the rest.
QChar *widen(QChar *out, const char *text, int length)
{
    auto *target = reinterpret_cast<char16_t *>(out);
#ifdef __SSE2__
    if (length >= 8) {
        const auto widenEight = [target, text](int at) {
            const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(text + at));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(target + at), _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
        };
        for (int i = 0; i + 8 < length; i += 8)
            widenEight(i);
        widenEight(length - 8);
        return out + length;
    }
#endif
    for (int i = 0; i < length; ++i)
        target[i] = char16_t(uchar(text[i]));
    return out + length;
}

// Two digits per division, from a table of the hundred pairs.
QChar *writeDigits(QChar *out, qulonglong value)
{
    static constexpr char pairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                                    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                                    "8081828384858687888990919293949596979899";
    QChar *end = out + digitCount(value);
    QChar *digit = end;
    while (value >= 100) {
        const unsigned pair = unsigned(value % 100) * 2;
        value /= 100;
        *--digit = QLatin1Char(pairs[pair + 1]);
        *--digit = QLatin1Char(pairs[pair]);
    }
    if (value >= 10) {
        const unsigned pair = unsigned(value) * 2;
        *--digit = QLatin1Char(pairs[pair + 1]);
        *--digit = QLatin1Char(pairs[pair]);
    } else {
        *--digit = QLatin1Char(char('0' + value));
    }
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
        const size_t length = std::strlen(m_utf8);
        return length <= size_t(INT_MAX / 2) && isAscii(m_utf8, length) ? int(length) : -1;
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
    case String: {
        const int size = int(m_string->size());
        if (size > 0)
            std::memcpy(static_cast<void *>(out), m_string->constData(), size_t(size) * sizeof(QChar));
        return out + size;
    }
    case Utf8:
        return m_utf8 ? widen(out, m_utf8, int(std::strlen(m_utf8))) : out;
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
    if (!format || count > 9)
        return false;
    const size_t length = std::strlen(format);
    if (length > size_t(INT_MAX / 2) || !isAscii(format, length))
        return false;
    const int size = int(length);
    Placeholder placeholders[maxPlaceholders];
    int found = 0;
    unsigned numbers = 0; // bit n set when %n occurs
    const char *end = format + size;
    for (auto *percent = static_cast<const char *>(std::memchr(format, '%', length)); percent;
         percent = static_cast<const char *>(std::memchr(percent + 1, '%', size_t(end - percent - 1)))) {
        // "%" before anything but a digit is text; Qt reads %0, %L1 and
        // numbers of two digits as placeholders too. The text ends in a
        // zero, so looking two characters ahead stays inside it.
        const char next = percent[1];
        if (next == '0' || next == 'L')
            return false;
        if (next < '1' || next > '9')
            continue;
        const char after = percent[2];
        if ((after >= '0' && after <= '9') || found == maxPlaceholders)
            return false;
        placeholders[found++] = Placeholder { int(percent - format), next - '0' };
        numbers |= 1u << (next - '0');
        ++percent;
    }

    // As QString::arg: the lowest number takes the first argument, the next
    // lowest the second; numbers beyond the arguments stay as they are.
    int argumentOf[10];
    int rank = 0;
    for (int number = 1; numbers >> number; ++number)
        argumentOf[number] = (numbers & (1u << number)) && rank < count ? rank++ : -1;
    if (rank < count)
        return false;

    int lengths[9];
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

    // Written in place: a string the caller keeps is not allocated again.
    out.resize(int(total));
    QChar *write = out.data();
    int copied = 0;
    for (int i = 0; i < found; ++i) {
        const Placeholder &placeholder = placeholders[i];
        const int argument = argumentOf[placeholder.number];
        if (argument < 0)
            continue;
        write = widen(write, format + copied, placeholder.position - copied);
        write = args[argument].write(write);
        copied = placeholder.position + 2;
    }
    widen(write, format + copied, size - copied);
    return true;
}

QString MessageArgument::text() const
{
    switch (m_kind) {
    case String:
        return *m_string;
    case Utf8:
        return QString::fromUtf8(m_utf8);
    case Signed:
        return QString::number(qlonglong(m_integer));
    case Unsigned:
        return QString::number(m_integer);
    }
    return QString();
}

QString MessageArgument::arg(const char *format, const MessageArgument *args, int count)
{
    const QString text = QString::fromUtf8(format);
    QString a[9];
    for (int i = 0; i < count && i < 9; ++i)
        a[i] = args[i].text();
    // All at once, as one call of QString::arg: an argument that holds %2 is
    // not substituted again.
    switch (count) {
    case 0:
        return text;
    case 1:
        return text.arg(a[0]);
    case 2:
        return text.arg(a[0], a[1]);
    case 3:
        return text.arg(a[0], a[1], a[2]);
    case 4:
        return text.arg(a[0], a[1], a[2], a[3]);
    case 5:
        return text.arg(a[0], a[1], a[2], a[3], a[4]);
    case 6:
        return text.arg(a[0], a[1], a[2], a[3], a[4], a[5]);
    case 7:
        return text.arg(a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
    case 8:
        return text.arg(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
    default:
        return text.arg(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8]);
    }
}

} // namespace LogEngine
