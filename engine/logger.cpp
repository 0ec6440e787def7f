#include "engine/logger.h"
#include "engine/detail/appenderarray.h"
#include "engine/detail/classlogger.h"

#include "engine/appenders/appender.h"
#include "engine/appenders/listappender.h"
#include "engine/detail/droppedevents.h"
#include "engine/detail/qtcompat.h"
#include "engine/loggingevent.h"
#include "engine/logmanager.h"

#include <QDebug>
#include <QSet>

#include <algorithm>

namespace LogEngine
{

namespace
{

const ClassLogger classLogger("LogEngine::Logger");

bool isConfiguratorList(Appender *appender)
{
    const auto *list = qobject_cast<ListAppender *>(appender);
    return list && list->configuratorList();
}

} // namespace

std::atomic<quint64> Logger::s_levelChanges { 0 };

Logger::Logger(LoggerRepository *repository, const Level &level, const QString &name, Logger *parent)
    : m_name(name)
    , m_repository(repository)
    , m_level(level.toInt())
    , m_parent(parent)
{
    setObjectName(name);
}

Logger::~Logger()
{
    classLogger()->warn("Unexpected destruction of Logger");
    AppenderArray::release(m_appenders.exchange(nullptr));
}

void Logger::setLevel(const Level &level)
{
    if (!m_parent && level == Level(Level::NULL_INT)) {
        classLogger()->warn("Invalid root logger level NULL_INT. Using DEBUG_INT instead");
        m_level.store(Level::DEBUG_INT, std::memory_order_relaxed);
        levelsChanged();
        return;
    }
    m_level.store(level.toInt(), std::memory_order_relaxed);
    levelsChanged();
}

void Logger::logUnchecked(const Level &level, const QString &message) const
{
    deliverToAppenders(LoggingEvent(this, level, message));
}

void Logger::logUnchecked(const Level &level, const QString &message, const SourceLocation &location) const
{
    deliverToAppenders(LoggingEvent(this, level, message, location));
}

void Logger::logUnchecked(const Level &level, const SourceLocation &location, const char *format,
    const MessageArgument *arguments, int count) const
{
    if (count == 0 || !logSubstituted(level, format, arguments, count, location))
        logUnchecked(level, MessageArgument::arg(format, arguments, count), location);
}

namespace
{

// The message of the thread's last request, whose room the next one reuses
// once the event made of it is gone: a heap allocation and its release per
// request are a fair share of formatting one. An event that outlives its
// request (an appender that keeps or queues it, a request made while one is
// delivered) shares the text, so the next message goes into a new string
// instead. The flag outlives the string: code logging from another
// thread-local object's destructor at thread exit must not touch the string
// once it is gone.
struct MessageText {
    QString text;
    ~MessageText();
};
thread_local bool t_messageTextGone = false;
thread_local MessageText t_messageText;

MessageText::~MessageText()
{
    t_messageTextGone = true;
}

// The room of a huge message is not worth keeping.
constexpr int maxKeptMessage = 4096;

} // namespace

// Written in one pass into a string of the message's own size.
bool Logger::logSubstituted(const Level &level, const char *message, const MessageArgument *arguments, int count,
    const SourceLocation &location) const
{
    QString fresh;
    QString &text = Q_UNLIKELY(t_messageTextGone) ? fresh : t_messageText.text;
    if (!MessageArgument::substitute(message, arguments, count, text))
        return false;
    // The event takes the text over, sparing the count of a shared copy,
    // and gives it back after delivery; a request made meanwhile on this
    // thread writes into a string of its own.
    {
        LoggingEvent event(this, level, std::move(text), location);
        deliverToAppenders(event);
        text = event.takeMessage();
    }
    // Kept only if this thread alone holds it now. Acquire order: threads
    // that held the text released it after their last read, and those reads
    // must come before this thread writes the next message into it.
    if (QtCompat::shareCountAcquire(text) != 1 || text.capacity() > maxKeptMessage)
        text = QString();
    return true;
}

void Logger::deliverToAppenders(const LoggingEvent &event) const
{
    bool delivered = false;
    for (const Logger *logger = this; logger; logger = logger->additivity() ? logger->m_parent : nullptr) {
        const AppenderArray::Hold array(AppenderArray::acquire(logger->m_appenders));
        if (!array.get())
            continue;
        for (const LogObjectPtr<Appender> &appender : array.get()->appenders()) {
            appender->handleEvent(event);
            delivered = true;
        }
    }
    // Said for the request's own logger only: delivery started elsewhere
    // (an appender handing a kept event on) is none of its business.
    if (!delivered && event.logger() == this)
        DroppedEvents::noAppender(this);
}

template <typename Make> bool Logger::change(Make make)
{
    AppenderArray *old;
    {
        const std::lock_guard<std::mutex> locker(m_changeGuard);
        // Under the guard the logger's own count keeps the array alive.
        old = m_appenders.load();
        AppenderArray::Appenders appenders;
        if (old)
            appenders = old->appenders();
        if (!make(appenders))
            return false;
        m_appenders.store(AppenderArray::create(appenders));
    }
    // Releasing may destroy appenders, whose close may log.
    AppenderArray::release(old);
    return true;
}

void Logger::addAppender(Appender *appender)
{
    const LogObjectPtr<Appender> hold(appender);
    if (!appender) {
        classLogger()->warn("Adding null Appender to Logger '%1'", m_name);
        return;
    }
    const bool added = change([appender](AppenderArray::Appenders &appenders) {
        for (const LogObjectPtr<Appender> &held : std::as_const(appenders)) {
            if (held.data() == appender)
                return false;
        }
        appenders.append(appender);
        return true;
    });
    if (!added)
        classLogger()->warn("Adding of duplicate appender '%2' to logger '%1'", m_name, appender->name());
}

void Logger::removeAppender(Appender *appender)
{
    const LogObjectPtr<Appender> hold(appender);
    if (!appender) {
        classLogger()->warn("Request to remove null Appender from Logger '%1'", m_name);
        return;
    }
    const bool removed = change([appender](AppenderArray::Appenders &appenders) {
        const int before = appenders.size();
        appenders.erase(std::remove_if(appenders.begin(), appenders.end(),
                            [appender](const LogObjectPtr<Appender> &held) { return held.data() == appender; }),
            appenders.end());
        return appenders.size() != before;
    });
    if (!removed)
        classLogger()->warn(
            "Request to remove Appender '%2', which is not part of Logger '%1' appenders", m_name, appender->name());
    // `hold` may destroy the appender here, outside every lock.
}

void Logger::removeAppender(const QString &name)
{
    // The names are read from a counted array outside the change guard:
    // reading one takes the appender's lock, which its own delivery may
    // hold while it changes this logger.
    LogObjectPtr<Appender> found;
    {
        const AppenderArray::Hold array(AppenderArray::acquire(m_appenders));
        if (array.get()) {
            for (const LogObjectPtr<Appender> &appender : array.get()->appenders()) {
                if (appender->name() == name) {
                    found = appender;
                    break;
                }
            }
        }
    }
    // Gone meanwhile (another thread removed it) is no error either.
    if (found)
        change([&found](AppenderArray::Appenders &appenders) {
            const int at = appenders.indexOf(found);
            if (at < 0)
                return false;
            appenders.remove(at);
            return true;
        });
}

void Logger::removeAllAppenders()
{
    classLogger()->trace("Removing all appenders from logger '%1'", m_name);
    setAppenders({});
}

void Logger::setAppenders(const QList<Appender *> &appenders)
{
    QList<Appender *> duplicates;
    change([&](AppenderArray::Appenders &current) {
        AppenderArray::Appenders kept;
        // A configuration may give one logger thousands of appenders: the
        // duplicate test must not walk the list each time.
        QSet<const Appender *> seen;
        // The configurator's own list collects messages across a reset.
        for (const LogObjectPtr<Appender> &held : std::as_const(current)) {
            if (isConfiguratorList(held)) {
                kept.append(held);
                seen.insert(held.data());
            }
        }
        for (Appender *appender : appenders) {
            if (!appender)
                continue;
            if (seen.contains(appender)) {
                duplicates.append(appender);
            } else {
                kept.append(appender);
                seen.insert(appender);
            }
        }
        if (kept == current)
            return false;
        current = kept;
        return true;
    });
    for (Appender *appender : std::as_const(duplicates))
        classLogger()->warn("Adding of duplicate appender '%2' to logger '%1'", m_name, appender->name());
}

bool Logger::replaceAppender(Appender *old, Appender *successor)
{
    const LogObjectPtr<Appender> hold(old);
    return change([old, successor](AppenderArray::Appenders &appenders) {
        const int at = appenders.indexOf(old);
        if (at < 0)
            return false;
        if (!successor || appenders.contains(successor))
            appenders.remove(at);
        else
            appenders[at] = successor;
        return true;
    });
}

Appender *Logger::appender(const QString &name) const
{
    const AppenderArray::Hold array(AppenderArray::acquire(m_appenders));
    if (array.get()) {
        for (const LogObjectPtr<Appender> &appender : array.get()->appenders()) {
            if (appender->name() == name)
                return appender.data();
        }
    }
    return nullptr;
}

QList<Appender *> Logger::appenders() const
{
    const AppenderArray::Hold array(AppenderArray::acquire(m_appenders));
    QList<Appender *> result;
    if (array.get()) {
        result.reserve(array.get()->appenders().size());
        for (const LogObjectPtr<Appender> &appender : array.get()->appenders())
            result.append(appender.data());
    }
    return result;
}

QList<LogObjectPtr<Appender>> Logger::sharedAppenders() const
{
    const AppenderArray::Hold array(AppenderArray::acquire(m_appenders));
    QList<LogObjectPtr<Appender>> result;
    if (array.get()) {
        for (const LogObjectPtr<Appender> &appender : array.get()->appenders())
            result.append(appender);
    }
    return result;
}

Logger *Logger::logger(const QString &name)
{
    return LogManager::logger(name);
}

Logger *Logger::logger(const char *name)
{
    return LogManager::logger(QString::fromLatin1(name));
}

QDebug Logger::debug(QDebug &debug) const
{
    const AppenderArray::Hold array(AppenderArray::acquire(m_appenders));
    QDebugStateSaver saver(debug);
    debug.nospace() << "Logger("
                    << "name:" << m_name << " appenders:" << (array.get() ? array.get()->appenders().size() : 0)
                    << " additivity:" << additivity() << " " << level()
                    << " parentLogger:" << (m_parent ? m_parent->name() : QString()) << ")";
    return debug;
}

QDebug operator<<(QDebug debug, const Logger &logger)
{
    return logger.debug(debug);
}

} // namespace LogEngine
