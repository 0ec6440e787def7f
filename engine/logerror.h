#ifndef LOGENGINE_LOGERROR_H
#define LOGENGINE_LOGERROR_H

#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>

class QDataStream;
class QDebug;

namespace LogEngine
{

/*!
 * The record by which the engine describes a failure. It is never thrown:
 * the raiser fills one in and logs it at ERROR on its class logger. The codes
 * are stable numbers that appear in logged text and in the stream form.
 */
class LogError
{
public:
    enum ErrorCode {
        OK = 0,
        APPENDER_ACTIVATE_MISSING_LAYOUT_ERROR = 1,
        APPENDER_ACTIVATE_MISSING_WRITER_ERROR = 2,
        APPENDER_ACTIVATE_MISSING_FILE_ERROR = 3,
        APPENDER_CLOSED_ERROR = 4,
        APPENDER_INVALID_PATTERN_ERROR = 5,
        APPENDER_NO_OPEN_FILE_ERROR = 6,
        APPENDER_NOT_ACTIVATED_ERROR = 7,
        APPENDER_OPENING_FILE_ERROR = 8,
        APPENDER_RENAMING_FILE_ERROR = 9,
        APPENDER_REMOVE_FILE_ERROR = 10,
        APPENDER_USE_INVALID_PATTERN_ERROR = 11,
        APPENDER_USE_MISSING_LAYOUT_ERROR = 12,
        APPENDER_USE_MISSING_WRITER_ERROR = 13,
        APPENDER_WRITING_FILE_ERROR = 14,
        LAYOUT_EXPECTED_DIGIT_ERROR = 16,
        LAYOUT_OPTION_IS_NOT_INTEGER_ERROR = 17,
        LAYOUT_INTEGER_IS_NOT_POSITIVE_ERROR = 18,
        CONFIGURATOR_OPENING_FILE_ERROR = 20,
        CONFIGURATOR_READING_FILE_ERROR = 21,
        CONFIGURATOR_INVALID_SUBSTITUTION_ERROR = 22,
        CONFIGURATOR_INVALID_OPTION_ERROR = 23,
        CONFIGURATOR_MISSING_APPENDER_ERROR = 24,
        CONFIGURATOR_UNKNOWN_APPENDER_CLASS_ERROR = 25,
        CONFIGURATOR_MISSING_LAYOUT_ERROR = 26,
        CONFIGURATOR_UNKNOWN_LAYOUT_CLASS_ERROR = 27,
        CONFIGURATOR_PROPERTY_ERROR = 28,
        CONFIGURATOR_UNKNOWN_TYPE_ERROR = 29
    };

    /*! How a narrow message text is decoded; unknown values decode as Latin-1. */
    enum Encoding { LATIN1_ENCODING = 0, LOCALE_ENCODING = 1, UTF8_ENCODING = 2 };

    LogError();
    LogError(const QString &message, int code, const QString &symbol, const QString &context);
    explicit LogError(const char *message, int code = 0, const char *symbol = nullptr, const char *context = nullptr,
        Encoding encoding = LATIN1_ENCODING);

    int code() const { return m_code; }
    QString context() const { return m_context; }
    QString message() const { return m_message; }
    QString symbol() const { return m_symbol; }
    QList<QVariant> args() const { return m_args; }
    QList<LogError> causingErrors() const { return m_causingErrors; }

    void setCode(int code) { m_code = code; }
    void setContext(const QString &context) { m_context = context; }
    void setMessage(const QString &message) { m_message = message; }
    void setSymbol(const QString &symbol) { m_symbol = symbol; }

    void addArg(const QVariant &arg) { m_args.append(arg); }
    template <typename T> LogError &operator<<(const T &value)
    {
        addArg(QVariant::fromValue(value));
        return *this;
    }
    LogError &operator<<(const char *value)
    {
        addArg(QString::fromUtf8(value));
        return *this;
    }
    void addCausingError(const LogError &error) { m_causingErrors.append(error); }

    QString messageWithArgs() const;
    QString toString() const;

    /*!
     * Outside text as a message quotes it: its first 256 characters and, if
     * there is more, how long it is. A value of megabytes quoted whole would
     * fill the console with every error about it.
     */
    static QString excerpt(const QString &text);

    bool operator==(const LogError &other) const;
    bool operator!=(const LogError &other) const { return !(*this == other); }

private:
    friend QDataStream &operator<<(QDataStream &out, const LogError &error);
    friend QDataStream &operator>>(QDataStream &in, LogError &error);
    friend bool readLogError(QDataStream &in, LogError &error);

    qint32 m_code;
    QString m_context;
    QString m_message;
    QString m_symbol;
    QList<QVariant> m_args;
    QList<LogError> m_causingErrors;
};

QDataStream &operator<<(QDataStream &out, const LogError &error);
QDataStream &operator>>(QDataStream &in, LogError &error);
QDebug operator<<(QDebug debug, const LogError &error);

} // namespace LogEngine

Q_DECLARE_METATYPE(LogEngine::LogError)

#endif
