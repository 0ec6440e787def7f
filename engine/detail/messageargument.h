#ifndef LOGENGINE_MESSAGEARGUMENT_H
#define LOGENGINE_MESSAGEARGUMENT_H

#include <QString>

#include <type_traits>

namespace LogEngine
{

/*!
 * \internal
 * One substitution argument of a log request, seen without copying it: a
 * string, a UTF-8 text or an integer. `substitute` builds the message in one
 * pass into one string of the right size, with numbers written in place,
 * and gives the text that `QString::arg` gives for the same arguments.
 *
 * It handles what log requests use: ASCII texts whose placeholders are %1
 * to %9 standing alone, with up to nine arguments. Anything else (other characters, %0, %L1, %10, or
 * fewer placeholders than arguments, which Qt warns about) it declines, and
 * the caller lets `QString::arg` do the work.
 */
class MessageArgument
{
public:
    /*! Unset, for an array filled afterwards: requests are too cheap for a needless store. */
    MessageArgument() = default;
    MessageArgument(const QString &text)
        : m_kind(String)
        , m_string(&text)
    {
    }
    MessageArgument(const char *text)
        : m_kind(Utf8)
        , m_utf8(text)
    {
    }
    // As QString::number gives them: promoted, then signed or unsigned.
    template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
    MessageArgument(T value)
        : m_kind(std::is_signed_v<decltype(+value)> ? Signed : Unsigned)
        , m_integer(static_cast<qulonglong>(
              static_cast<std::conditional_t<std::is_signed_v<decltype(+value)>, qlonglong, qulonglong>>(+value)))
    {
    }

    /*!
     * Writes `format` with `args` substituted into `out`, replacing what it
     * held (keeping its room when `out` is not shared); false, leaving `out`
     * alone, for what it does not handle (see the class).
     */
    static bool substitute(const char *format, const MessageArgument *args, int count, QString &out);
    /*! What `QString::arg` gives for `format` and the texts of up to nine `args`. */
    static QString arg(const char *format, const MessageArgument *args, int count);

    /*! The argument as text. */
    QString text() const;

private:
    enum Kind { String, Utf8, Signed, Unsigned };

    int length() const;
    QChar *write(QChar *out) const;

    Kind m_kind;
    union {
        const QString *m_string;
        const char *m_utf8;
        qulonglong m_integer;
    };
};

} // namespace LogEngine

#endif
