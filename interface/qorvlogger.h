#ifndef QORVLOGGER_H
#define QORVLOGGER_H

#include "qorvlog_export.h"

#include <QChar>
#include <QLatin1String>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <atomic>
#include <type_traits>

/*
 * The levels of the logging macros, in the order of severity. Requests below
 * QORVLOG_ACTIVE_LEVEL are removed at compile time: define it before the
 * first include of this header, e.g.
 *
 *     #define QORVLOG_ACTIVE_LEVEL QORVLOG_LEVEL_WARN
 *     #include <qorvlogger.h>
 */
#define QORVLOG_LEVEL_TRACE 0
#define QORVLOG_LEVEL_DEBUG 1
#define QORVLOG_LEVEL_INFO 2
#define QORVLOG_LEVEL_WARN 3
#define QORVLOG_LEVEL_ERROR 4
#define QORVLOG_LEVEL_FATAL 5
#define QORVLOG_LEVEL_OFF 6

#ifndef QORVLOG_ACTIVE_LEVEL
#define QORVLOG_ACTIVE_LEVEL QORVLOG_LEVEL_TRACE
#endif

/*!
 * A handle on the library's logger of a name, for the QORVLOG_* macros:
 *
 *     static const QORVLogger log("app::net");
 *     QORVLOG_INFO(log, "Connected to %1 in %2 ms", host, elapsed);
 *
 * Loggers form a tree by their "::"-separated names. A logger without a
 * level of its own takes its parent's, and its events go to its own
 * appenders and, while additivity holds (the default), to its ancestors':
 * a logger that no configuration names logs like its nearest configured
 * ancestor, and in the end like the root logger (the empty name).
 *
 * This differs from QORVLogManager, which gives each logger it reaches
 * first its own level table's level and additivity false.
 *
 * The handle is small and cheap to copy; every handle on a name shares one
 * logger, which lives as long as the process. Making a handle looks the
 * name up, so keep one (a static or a member) rather than make one per
 * request. Thread-safe: any thread may log through any handle.
 *
 * The macros test the level first: when it is disabled they evaluate none of
 * their arguments and cost about as much as two memory reads. When it is
 * enabled they take the file, line and function of the request along, which
 * the layout's %F, %L, %M, %l and %C print.
 */
class QORVLOG_EXPORT QORVLogger
{
public:
    enum Level {
        TraceLevel = QORVLOG_LEVEL_TRACE,
        DebugLevel = QORVLOG_LEVEL_DEBUG,
        InfoLevel = QORVLOG_LEVEL_INFO,
        WarnLevel = QORVLOG_LEVEL_WARN,
        ErrorLevel = QORVLOG_LEVEL_ERROR,
        FatalLevel = QORVLOG_LEVEL_FATAL
    };

    /*! The root logger. */
    QORVLogger();
    /*! The logger of `name` (UTF-8), made with its missing ancestors if need be. */
    explicit QORVLogger(const char *name);
    explicit QORVLogger(const QString &name);

    QString name() const;

    /*! Whether a request at `level` passes the logger's level and the library's threshold. */
    bool isEnabled(Level level) const
    {
        // The answer is kept per logger with the count of level changes it
        // was made at, and holds while that count stands.
        const quint64 cached = m_enabledCache->load(std::memory_order_relaxed);
        if (Q_LIKELY(cached >> 8 == m_levelChanges->load(std::memory_order_relaxed)))
            return int(level) >= int(cached & 0xff);
        return refreshEnabled(level);
    }
    bool isTraceEnabled() const { return isEnabled(TraceLevel); }
    bool isDebugEnabled() const { return isEnabled(DebugLevel); }
    bool isInfoEnabled() const { return isEnabled(InfoLevel); }
    bool isWarnEnabled() const { return isEnabled(WarnLevel); }
    bool isErrorEnabled() const { return isEnabled(ErrorLevel); }
    bool isFatalEnabled() const { return isEnabled(FatalLevel); }

    /*!
     * One argument of a request, seen without a copy. Made by the macros
     * from what `QString::arg` takes, plus UTF-8 C strings.
     */
    class Argument
    {
    public:
        enum Kind { String, Utf8, Signed, Unsigned, Double, Character, Latin1, Utf16 };

        Argument(const QString &text)
            : m_kind(String)
            , m_string(&text)
        {
        }
        Argument(const char *text)
            : m_kind(Utf8)
            , m_utf8(text)
        {
        }
        Argument(QLatin1String text)
            : m_kind(Latin1)
            , m_view { text.data(), text.size() }
        {
        }
        Argument(QStringView text)
            : m_kind(Utf16)
            , m_view { text.data(), text.size() }
        {
        }
        Argument(QChar character)
            : m_kind(Character)
            , m_character(character.unicode())
        {
        }
        // As QString::arg takes them: char is a Latin-1 character, other
        // integers (bool and unscoped enumerations too) are promoted numbers.
        template <typename T, typename = std::enable_if_t<std::is_arithmetic_v<T> || std::is_enum_v<T>>>
        Argument(T value)
        {
            if constexpr (std::is_same_v<T, char>) {
                m_kind = Character;
                m_character = char16_t(uchar(value));
            } else if constexpr (std::is_floating_point_v<T>) {
                m_kind = Double;
                m_double = double(value);
            } else if constexpr (std::is_signed_v<decltype(+value)>) {
                m_kind = Signed;
                m_signed = qlonglong(+value);
            } else {
                m_kind = Unsigned;
                m_unsigned = qulonglong(+value);
            }
        }

        Kind kind() const { return m_kind; }

    private:
        friend class QORVLogger;

        Kind m_kind;
        union {
            const QString *m_string;
            const char *m_utf8;
            qlonglong m_signed;
            qulonglong m_unsigned;
            double m_double;
            char16_t m_character;
            struct {
                const void *data;
                qsizetype size;
            } m_view;
        };
    };

    // For the macros: log `format` with `args` substituted for %1 to %9 as
    // QString::arg does, made at `file`, `line` and `function`, without a
    // level test.
    template <typename... Args>
    void logAt(
        Level level, const char *file, int line, const char *function, const char *format, const Args &...args) const
    {
        static_assert(sizeof...(Args) <= 9, "at most nine arguments, for %1 to %9");
        logArguments(level, file, line, function, format, prepared(args)...);
    }

private:
    struct Shared;

    template <typename T>
    static constexpr bool isArgument
        = std::is_same_v<T,
              QString> || std::is_same_v<T, const char *> || std::is_same_v<T, char *> || std::is_same_v<T, QLatin1String> || std::is_same_v<T, QStringView> || std::is_same_v<T, QChar> || std::is_arithmetic_v<T> || (std::is_enum_v<T> && std::is_convertible_v<T, int>);

    // Anything else that becomes a QString (a QStringBuilder expression, a
    // QLatin1Char) becomes one here, in a temporary that outlives the request.
    template <typename T> static decltype(auto) prepared(const T &value)
    {
        if constexpr (isArgument<std::decay_t<T>>) {
            return (value);
        } else {
            static_assert(
                std::is_constructible_v<QString, const T &>, "an argument must be something QString::arg takes");
            return QString(value);
        }
    }

    template <typename... Args>
    void logArguments(
        Level level, const char *file, int line, const char *function, const char *format, const Args &...args) const
    {
        if constexpr (sizeof...(Args) == 0) {
            log(level, file, line, function, format, nullptr, 0);
        } else {
            const Argument arguments[] = { Argument(args)... };
            log(level, file, line, function, format, arguments, int(sizeof...(Args)));
        }
    }

    void log(Level level, const char *file, int line, const char *function, const char *format,
        const Argument *arguments, int count) const;
    bool refreshEnabled(Level level) const;

    Shared *m_shared;
    // Inside *m_shared: the lowest enabled level in the low byte, and above
    // it the count of level changes at which it was found.
    std::atomic<quint64> *m_enabledCache;
    // The library's count of level changes.
    const std::atomic<quint64> *m_levelChanges;
};

// The request itself; `logger` is evaluated once, everything else only when
// the level is enabled.
#define QORVLOG_REQUEST_(level, logger, ...)                                                                           \
    do {                                                                                                               \
        const QORVLogger &qorvlogRequestLogger_ = (logger);                                                            \
        if (qorvlogRequestLogger_.isEnabled(level))                                                                    \
            qorvlogRequestLogger_.logAt(level, __FILE__, __LINE__, Q_FUNC_INFO, __VA_ARGS__);                          \
    } while (false)

#define QORVLOG_REMOVED_(...)                                                                                          \
    do {                                                                                                               \
    } while (false)

// QORVLOG_INFO(logger, format, args...): format is UTF-8 with %1 to %9.
#if QORVLOG_ACTIVE_LEVEL <= QORVLOG_LEVEL_TRACE
#define QORVLOG_TRACE(logger, ...) QORVLOG_REQUEST_(QORVLogger::TraceLevel, logger, __VA_ARGS__)
#else
#define QORVLOG_TRACE(logger, ...) QORVLOG_REMOVED_()
#endif
#if QORVLOG_ACTIVE_LEVEL <= QORVLOG_LEVEL_DEBUG
#define QORVLOG_DEBUG(logger, ...) QORVLOG_REQUEST_(QORVLogger::DebugLevel, logger, __VA_ARGS__)
#else
#define QORVLOG_DEBUG(logger, ...) QORVLOG_REMOVED_()
#endif
#if QORVLOG_ACTIVE_LEVEL <= QORVLOG_LEVEL_INFO
#define QORVLOG_INFO(logger, ...) QORVLOG_REQUEST_(QORVLogger::InfoLevel, logger, __VA_ARGS__)
#else
#define QORVLOG_INFO(logger, ...) QORVLOG_REMOVED_()
#endif
#if QORVLOG_ACTIVE_LEVEL <= QORVLOG_LEVEL_WARN
#define QORVLOG_WARN(logger, ...) QORVLOG_REQUEST_(QORVLogger::WarnLevel, logger, __VA_ARGS__)
#else
#define QORVLOG_WARN(logger, ...) QORVLOG_REMOVED_()
#endif
#if QORVLOG_ACTIVE_LEVEL <= QORVLOG_LEVEL_ERROR
#define QORVLOG_ERROR(logger, ...) QORVLOG_REQUEST_(QORVLogger::ErrorLevel, logger, __VA_ARGS__)
#else
#define QORVLOG_ERROR(logger, ...) QORVLOG_REMOVED_()
#endif
#if QORVLOG_ACTIVE_LEVEL <= QORVLOG_LEVEL_FATAL
#define QORVLOG_FATAL(logger, ...) QORVLOG_REQUEST_(QORVLogger::FatalLevel, logger, __VA_ARGS__)
#else
#define QORVLOG_FATAL(logger, ...) QORVLOG_REMOVED_()
#endif

#endif
