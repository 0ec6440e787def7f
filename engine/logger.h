#ifndef LOGENGINE_LOGGER_H
#define LOGENGINE_LOGGER_H

#include "engine/detail/messageargument.h"
#include "engine/level.h"
#include "engine/logerror.h"
#include "engine/logobjectptr.h"
#include "engine/sourcelocation.h"

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <mutex>

namespace LogEngine
{

class Appender;
class AppenderArray;
class LoggerRepository;
class LoggingEvent;

/*!
 * A named channel in the logger tree. Created only by the repository and
 * never destroyed while the process runs.
 *
 * Thread-safety: any thread may log, and any thread may change the
 * appenders at any time, also from inside a delivery. The appenders are an
 * immutable, counted array (AppenderArray) behind an atomic pointer:
 * delivery counts itself in on the array of each logger it passes and walks
 * it without any lock, and a change builds a new array and swaps it in
 * under `m_changeGuard`, a plain mutex held for nothing but that, never
 * across a call into an appender. A delivery in progress finishes on the
 * array it took; an appender removed meanwhile is released when the last
 * such delivery ends. Level and additivity are atomics read without a lock,
 * so the enabled test is a handful of relaxed loads.
 */
class Logger : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool additivity READ additivity WRITE setAdditivity)
    Q_PROPERTY(LogEngine::Level level READ level WRITE setLevel)
    Q_PROPERTY(LogEngine::LoggerRepository *loggerRepository READ loggerRepository)
    Q_PROPERTY(QString name READ name)
    Q_PROPERTY(LogEngine::Logger *parentLogger READ parentLogger)

public:
    Logger(LoggerRepository *repository, const Level &level, const QString &name, Logger *parent);
    ~Logger() override;

    virtual void setLevel(const Level &level);
    virtual QDebug debug(QDebug &debug) const;

    QString name() const { return m_name; }
    /*! The name without a copy: it never changes. */
    const QString &nameRef() const { return m_name; }
    Level level() const { return Level(m_level.load(std::memory_order_relaxed)); }
    bool additivity() const { return m_additivity.load(std::memory_order_relaxed); }
    void setAdditivity(bool additivity) { m_additivity.store(additivity, std::memory_order_relaxed); }
    Logger *parentLogger() const { return m_parent; }
    LoggerRepository *loggerRepository() const { return m_repository; }

    Level effectiveLevel() const
    {
        // The root's level is never NULL_INT, so the walk always ends.
        const Logger *logger = this;
        int value;
        while ((value = logger->m_level.load(std::memory_order_relaxed)) == Level::NULL_INT)
            logger = logger->m_parent;
        return Level(value);
    }

    inline bool isEnabledFor(Level level) const;

    bool isTraceEnabled() const { return isEnabledFor(Level::TRACE_INT); }
    bool isDebugEnabled() const { return isEnabledFor(Level::DEBUG_INT); }
    bool isInfoEnabled() const { return isEnabledFor(Level::INFO_INT); }
    bool isWarnEnabled() const { return isEnabledFor(Level::WARN_INT); }
    bool isErrorEnabled() const { return isEnabledFor(Level::ERROR_INT); }
    bool isFatalEnabled() const { return isEnabledFor(Level::FATAL_INT); }

    // The message forms of every severity: a QString, a UTF-8 text, a UTF-8
    // text with one to three arguments for %1..%3, or an error record. The
    // arguments are formatted only when the request is enabled.
    template <typename... Args> void log(const Level &level, const char *message, const Args &...args)
    {
        if (isEnabledFor(level))
            logFormatted(level, message, args...);
    }
    void log(const Level &level, const QString &message)
    {
        if (isEnabledFor(level))
            logUnchecked(level, message);
    }
    void log(const Level &level, const LogError &error)
    {
        if (isEnabledFor(level))
            logUnchecked(level, error.toString());
    }

#define LOGENGINE_SEVERITY_OPERATION(name, value)                                                                      \
    template <typename... Args> void name(const char *message, const Args &...args)                                    \
    {                                                                                                                  \
        /* Tested on the constant: the level of the call needs no place in memory until it is enabled. */              \
        if (isEnabledFor(Level::value))                                                                                \
            logFormatted(Level::value, message, args...);                                                              \
    }                                                                                                                  \
    void name(const QString &message)                                                                                  \
    {                                                                                                                  \
        log(Level::value, message);                                                                                    \
    }                                                                                                                  \
    void name(const LogError &error)                                                                                   \
    {                                                                                                                  \
        log(Level::value, error);                                                                                      \
    }

    LOGENGINE_SEVERITY_OPERATION(trace, TRACE_INT)
    LOGENGINE_SEVERITY_OPERATION(debug, DEBUG_INT)
    LOGENGINE_SEVERITY_OPERATION(info, INFO_INT)
    LOGENGINE_SEVERITY_OPERATION(warn, WARN_INT)
    LOGENGINE_SEVERITY_OPERATION(error, ERROR_INT)
    LOGENGINE_SEVERITY_OPERATION(fatal, FATAL_INT)
#undef LOGENGINE_SEVERITY_OPERATION

    /*! Builds and delivers an event without any level test. */
    void logUnchecked(const Level &level, const QString &message) const;
    /*! The same, for a request made at `location`. */
    void logUnchecked(const Level &level, const QString &message, const SourceLocation &location) const;
    /*!
     * Builds the message from `format` and `count` arguments as `QString::arg`
     * does (in one pass where the engine's builder applies) and logs it at
     * `location`, without any level test.
     */
    void logUnchecked(const Level &level, const SourceLocation &location, const char *format,
        const MessageArgument *arguments, int count) const;
    void deliverToAppenders(const LoggingEvent &event) const;

    void addAppender(Appender *appender);
    void removeAppender(Appender *appender);
    void removeAppender(const QString &name);
    void removeAllAppenders();
    Appender *appender(const QString &name) const;
    QList<Appender *> appenders() const;
    /*! The appenders with a counted reference each, safe to use while another thread removes them. */
    QList<LogObjectPtr<Appender>> sharedAppenders() const;

    static Logger *logger(const QString &name);
    static Logger *logger(const char *name);

    /*!
     * A count that grows whenever a logger's level or the repository's
     * threshold changes, so that what a logger lets through may have
     * changed. A cache of `isEnabledFor` stays valid while the count is the
     * one it was made at. Raised after the change, with release order.
     */
    static const std::atomic<quint64> &levelChanges()
    {
        return s_levelChanges;
    }
    static void levelsChanged()
    {
        s_levelChanges.fetch_add(1, std::memory_order_release);
    }

    /*!
     * Replaces the appenders (configurator lists excepted, which stay in
     * front) by `appenders` in one change, duplicates and nulls left out.
     */
    void setAppenders(const QList<Appender *> &appenders);
    /*! Replaces `old` by `successor` (null: removes it) where it is attached; false when it is not. */
    bool replaceAppender(Appender *old, Appender *successor);

private:
    /*!
     * Installs the array `make` builds from the current appenders, unless it
     * returns false; under the change guard, so `make` must not call out.
     * The old array is let go after the guard. Returns what `make` did.
     */
    template <typename Make> bool change(Make make);

    static QString argText(const QString &value)
    {
        return value;
    }
    static QString argText(const char *value)
    {
        return QString::fromUtf8(value);
    }
    template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>> static QString argText(T value)
    {
        return QString::number(value);
    }
    static QString formatMessage(const char *message)
    {
        return QString::fromUtf8(message);
    }
    template <typename T>
    static constexpr bool isPlainArgument
        = std::is_same_v<T,
              QString> || std::is_integral_v<T> || std::is_same_v<std::decay_t<T>, const char *> || std::is_same_v<std::decay_t<T>, char *>;

    template <typename... Args> void logFormatted(const Level &level, const char *message, const Args &...args) const
    {
        static_assert(sizeof...(Args) <= 3, "at most three substitution arguments");
        // Strings, texts and numbers are substituted in one pass straight
        // into the message; whatever that declines, and arguments that must
        // be converted to strings first, go through QString::arg. Either way
        // an argument that contains %2 is not substituted again.
        if constexpr (sizeof...(Args) > 0 && (isPlainArgument<Args> && ...)) {
            const MessageArgument arguments[] = { MessageArgument(args)... };
            if (logSubstituted(level, message, arguments, int(sizeof...(Args))))
                return;
        }
        logUnchecked(level, formatMessage(message, args...));
    }
    /*!
     * Builds the message in one pass into a string of its size and logs it;
     * false, having done nothing, when the message is beyond
     * `MessageArgument::substitute`.
     */
    bool logSubstituted(const Level &level, const char *message, const MessageArgument *arguments, int count,
        const SourceLocation &location = SourceLocation()) const;
    template <typename... Args> static QString formatMessage(const char *message, const Args &...args)
    {
        return QString::fromUtf8(message).arg(argText(args)...);
    }

    std::mutex m_changeGuard;
    const QString m_name;
    LoggerRepository *const m_repository;
    std::atomic<bool> m_additivity { true };
    std::atomic<AppenderArray *> m_appenders { nullptr };
    std::atomic<int> m_level;
    Logger *const m_parent;

    static std::atomic<quint64> s_levelChanges;
};

QDebug operator<<(QDebug debug, const Logger &logger);

} // namespace LogEngine

#include "engine/loggerrepository.h"

inline bool LogEngine::Logger::isEnabledFor(Level level) const
{
    // Both tests only read, so the inline one goes first: a request below the
    // logger's level is refused without the repository's virtual call.
    return effectiveLevel() <= level && !m_repository->isDisabled(level);
}

#endif
