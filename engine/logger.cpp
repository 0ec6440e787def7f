#include "engine/logger.h"
#include "engine/classlogger.h"
#include "engine/detail/qtcompat.h"
#include "engine/scopedlock.h"

#include "engine/appenders/appender.h"
#include "engine/appenders/listappender.h"
#include "engine/loggingevent.h"
#include "engine/logmanager.h"

#include <QDebug>

namespace LogEngine
{

namespace
{

// Resolved before any lock is taken: resolving takes the repository's lock,
// which ranks before every logger lock.
const ClassLogger classLogger("LogEngine::Logger");

bool isConfiguratorList(Appender *appender)
{
    const auto *list = qobject_cast<ListAppender *>(appender);
    return list && list->configuratorList();
}

// The read lock of a logger is held while its appenders deliver; a thread
// holding it that waited for the write lock would wait for itself.
bool refuseChangeDuringDelivery(const RecursiveReadWriteLock &guard, Logger *log, const QString &name)
{
    if (!guard.heldForReadingOnly())
        return false;
    LogError error("Cannot change the appenders of Logger '%1' while this thread delivers an event through it", 0,
        nullptr, "LogEngine::Logger");
    error << name;
    log->error(error);
    return true;
}

} // namespace

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
}

void Logger::setLevel(const Level &level)
{
    if (!m_parent && level == Level(Level::NULL_INT)) {
        classLogger()->warn("Invalid root logger level NULL_INT. Using DEBUG_INT instead");
        m_level.store(Level::DEBUG_INT, std::memory_order_relaxed);
        return;
    }
    m_level.store(level.toInt(), std::memory_order_relaxed);
}

void Logger::logUnchecked(const Level &level, const QString &message) const
{
    // The event needs no lock of its own; deliverToAppenders takes this
    // logger's read lock, so one acquisition per logger suffices.
    deliverToAppenders(LoggingEvent(this, level, message));
}

namespace
{

// The message of the thread's last request, whose room the next one reuses
// when the event made of it is gone. An event that outlives its request (an
// appender that keeps it, a request made while one is delivered) shares the
// text, so the next message is written into a new string instead. The flag
// outlives the string: code logging from another thread-local object's
// destructor at thread exit must not touch the string once it is gone.
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

bool Logger::logSubstituted(const Level &level, const char *message, const MessageArgument *arguments, int count) const
{
    QString fresh;
    QString &text = Q_UNLIKELY(t_messageTextGone) ? fresh : t_messageText.text;
    if (!MessageArgument::substitute(message, arguments, count, text))
        return false;
    // The event shares the text; nothing below reads `text` again, which a
    // request made during delivery may replace.
    logUnchecked(level, text);
    // Kept only if this thread alone holds it now. The count is read with
    // acquire order: threads that held the text released it after their
    // last read, and those reads must come before this thread writes the
    // next message into it (Qt's own test of the count is relaxed).
    if (QtCompat::shareCountAcquire(text) != 1 || text.capacity() > maxKeptMessage)
        text = QString();
    return true;
}

void Logger::deliverToAppenders(const LoggingEvent &event) const
{
    const Logger *logger = this;
    while (logger->m_appenderCount.load(std::memory_order_acquire) == 0) {
        if (!logger->m_parent || !logger->additivity())
            return;
        logger = logger->m_parent;
    }
    logger->deliverLocked(event);
}

void Logger::deliverLocked(const LoggingEvent &event) const
{
    ScopedLock locker(&m_appenderGuard, ScopedLock::Read);
    for (const LogObjectPtr<Appender> &appender : m_appenders)
        appender->handleEvent(event);
    if (m_parent && additivity())
        m_parent->deliverToAppenders(event);
}

void Logger::addAppender(Appender *appender)
{
    const LogObjectPtr<Appender> hold(appender);
    Logger *log = classLogger();
    // Refused before anything else: the thread may hold an appender's lock,
    // inside which the class logger below must not be resolved.
    if (appender && refuseChangeDuringDelivery(m_appenderGuard, log, m_name))
        return;
    // An appender that reports trouble while it delivers must not resolve its
    // class logger then: that would take the repository's lock inside ours.
    if (appender)
        appender->logger();
    {
        ScopedLock locker(&m_appenderGuard, ScopedLock::Read);
        if (!appender) {
            log->warn("Adding null Appender to Logger '%1'", m_name);
            return;
        }
        if (m_appenderSet.contains(appender)) {
            log->warn("Adding of duplicate appender '%2' to logger '%1'", m_name, appender->name());
            return;
        }
    }
    ScopedLock locker(&m_appenderGuard, ScopedLock::Write);
    if (m_appenderSet.contains(appender))
        return;
    m_appenders.append(hold);
    m_appenderSet.insert(appender);
    appendersChanged();
}

void Logger::removeAppender(Appender *appender)
{
    const LogObjectPtr<Appender> hold(appender);
    Logger *log = classLogger();
    if (!appender) {
        log->warn("Request to remove null Appender from Logger '%1'", m_name);
        return;
    }
    if (refuseChangeDuringDelivery(m_appenderGuard, log, m_name))
        return;
    int removed = 0;
    {
        ScopedLock locker(&m_appenderGuard, ScopedLock::Write);
        for (int i = m_appenders.size() - 1; i >= 0; --i) {
            if (m_appenders.at(i).data() == appender) {
                m_appenders.removeAt(i);
                ++removed;
            }
        }
        m_appenderSet.remove(appender);
        appendersChanged();
    }
    if (!removed)
        log->warn(
            "Request to remove Appender '%2', which is not part of Logger '%1' appenders", m_name, appender->name());
    // `hold` may destroy the appender here, after the write lock is gone.
}

void Logger::removeAppender(const QString &name)
{
    // The reference is taken under the lock: once it is released, another
    // thread may remove the appender and drop what would be the last one.
    LogObjectPtr<Appender> found;
    {
        ScopedLock locker(&m_appenderGuard, ScopedLock::Read);
        for (const LogObjectPtr<Appender> &appender : qAsConst(m_appenders)) {
            if (appender->name() == name) {
                found = appender;
                break;
            }
        }
    }
    if (found)
        removeAppender(found.data());
}

void Logger::removeAllAppenders()
{
    Logger *log = classLogger();
    log->trace("Removing all appenders from logger '%1'", m_name);
    if (refuseChangeDuringDelivery(m_appenderGuard, log, m_name))
        return;
    QList<LogObjectPtr<Appender>> released;
    {
        ScopedLock locker(&m_appenderGuard, ScopedLock::Write);
        QList<LogObjectPtr<Appender>> kept;
        for (const LogObjectPtr<Appender> &appender : qAsConst(m_appenders)) {
            // The configurator's own list collects messages across a reset.
            if (isConfiguratorList(appender))
                kept.append(appender);
            else
                released.append(appender);
        }
        m_appenders = kept;
        m_appenderSet.clear();
        for (const LogObjectPtr<Appender> &appender : qAsConst(kept))
            m_appenderSet.insert(appender.data());
        appendersChanged();
    }
    released.clear();
}

Appender *Logger::appender(const QString &name) const
{
    ScopedLock locker(&m_appenderGuard, ScopedLock::Read);
    for (const LogObjectPtr<Appender> &appender : m_appenders) {
        if (appender->name() == name)
            return appender.data();
    }
    return nullptr;
}

QList<Appender *> Logger::appenders() const
{
    ScopedLock locker(&m_appenderGuard, ScopedLock::Read);
    QList<Appender *> result;
    result.reserve(m_appenders.size());
    for (const LogObjectPtr<Appender> &appender : m_appenders)
        result.append(appender.data());
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
    ScopedLock locker(&m_appenderGuard, ScopedLock::Read);
    QDebugStateSaver saver(debug);
    debug.nospace() << "Logger("
                    << "name:" << m_name << " appenders:" << m_appenders.size() << " additivity:" << additivity() << " "
                    << level() << " parentLogger:" << (m_parent ? m_parent->name() : QString()) << ")";
    return debug;
}

QDebug operator<<(QDebug debug, const Logger &logger)
{
    return logger.debug(debug);
}

} // namespace LogEngine
