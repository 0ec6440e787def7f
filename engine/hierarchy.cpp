#include "engine/hierarchy.h"
#include "engine/detail/classlogger.h"

#include "engine/appenders/appenderskeleton.h"
#include "engine/appenders/asyncappender.h"
#include "engine/appenders/listappender.h"
#include "engine/logger.h"

#include <QDebug>
#include <QSet>
#include <QVector>

#include <algorithm>

namespace LogEngine
{

namespace
{

const ClassLogger repositoryLogger("LogEngine::LoggerRepository");

void resetLogger(Logger *logger, const Level &level)
{
    logger->removeAllAppenders();
    logger->setAdditivity(true);
    logger->setLevel(level);
}

} // namespace

Hierarchy::Hierarchy()
{
    const std::unique_lock<std::shared_mutex> locker(m_objectGuard);
    m_rootLogger = createLogger(QString());
}

Hierarchy::~Hierarchy()
{
    repositoryLogger()->warn("Unexpected destruction of Hierarchy");
}

bool Hierarchy::exists(const QString &name) const
{
    const std::shared_lock<std::shared_mutex> locker(m_objectGuard);
    return m_loggers.contains(name);
}

// A read lock only: the way of a request that finds its logger made, where
// `logger`, which may create, would serialise every logging thread.
Logger *Hierarchy::existingLogger(const QString &name) const
{
    const std::shared_lock<std::shared_mutex> locker(m_objectGuard);
    return m_loggers.value(name);
}

// Looked up under the read lock first: nearly every call finds its logger,
// and the write lock would serialise those calls. createLogger looks again,
// since another thread may make the logger in between.
Logger *Hierarchy::logger(const QString &name)
{
    if (Logger *existing = existingLogger(name))
        return existing;
    const std::unique_lock<std::shared_mutex> locker(m_objectGuard);
    return createLogger(name);
}

// The caller holds the object guard for writing, so a chain of new ancestors
// appears in the table all at once. The missing ancestors are found walking
// up and made walking down: a name of thousands of segments must not cost a
// stack frame each.
Logger *Hierarchy::createLogger(const QString &name)
{
    if (Logger *existing = m_loggers.value(name))
        return existing;
    if (name.isEmpty()) {
        Logger *root = new Logger(this, Level::DEBUG_INT, QStringLiteral("root"), nullptr);
        m_loggers.insert(name, root);
        return root;
    }
    // The lengths of the missing names, longest first, up to the first
    // ancestor that exists (the root, stored under the empty name, at the
    // latest).
    QVector<int> missing { int(name.size()) };
    Logger *parent;
    for (;;) {
        // The last "::" lying wholly inside the name of that length.
        const int length = missing.last();
        const int separator = length < 2 ? -1 : name.lastIndexOf(QLatin1String("::"), length - 2);
        parent = m_loggers.value(separator < 0 ? QString() : name.left(separator));
        if (parent)
            break;
        missing.append(separator);
    }
    for (auto length = missing.crbegin(); length != missing.crend(); ++length) {
        const QString loggerName = name.left(*length);
        parent = new Logger(this, Level::NULL_INT, loggerName, parent);
        m_loggers.insert(loggerName, parent);
    }
    return parent;
}

QList<Logger *> Hierarchy::loggers() const
{
    const std::shared_lock<std::shared_mutex> locker(m_objectGuard);
    return m_loggers.values();
}

void Hierarchy::setThreshold(const QString &threshold)
{
    setThreshold(Level::fromString(threshold));
}

// Resetting a logger releases appenders, whose close may log or run an
// application's code: the table's lock is let go first. A logger made
// meanwhile starts reset anyway.
void Hierarchy::resetConfiguration()
{
    Logger *internal = logger(QStringLiteral("LogEngine"));
    Logger *qt = logger(QStringLiteral("Qt"));
    const QList<Logger *> all = loggers();
    for (Logger *logger : all) {
        if (logger != internal && logger != qt && logger != m_rootLogger)
            resetLogger(logger, Level::NULL_INT);
    }
    // The engine's own loggers go last, so that the others can still report
    // on the way.
    resetLogger(qt, Level::NULL_INT);
    resetLogger(internal, Level::NULL_INT);
    resetLogger(m_rootLogger, Level::DEBUG_INT);
}

// A reset alone would leave the appenders to the last delivery still
// walking them: at exit, a thread that logs on while main returns would be
// left to close them, and the process may end first, taking buffered lines
// with it. So shutdown closes every attached appender first, each after
// the line it writes, those of the internal logger last, so that what goes
// wrong on the way can still be reported. It waits for busy appenders
// `shutdownWait` in all: one that a write holds longer (a full pipe, a hung
// network file system) is left open, and reported, so that exit cannot hang.
void Hierarchy::shutdown()
{
    Logger *log = repositoryLogger();
    log->debug("Shutting down Hierarchy");
    Logger *internal = logger(QStringLiteral("LogEngine"));
    QList<Logger *> all = loggers();
    all.removeOne(internal);
    all.append(internal);
    QList<LogObjectPtr<Appender>> attached;
    QSet<const Appender *> seen;
    for (const Logger *logger : std::as_const(all)) {
        for (const LogObjectPtr<Appender> &appender : logger->sharedAppenders()) {
            const auto *list = qobject_cast<ListAppender *>(appender.data());
            if (!(list && list->configuratorList()) && !seen.contains(appender.data())) {
                seen.insert(appender.data());
                attached.append(appender);
            }
        }
    }
    // An asynchronous appender first: what it still holds goes to its own
    // appenders, which may be attached to loggers as well.
    std::stable_partition(attached.begin(), attached.end(),
        [](const LogObjectPtr<Appender> &appender) { return qobject_cast<AsyncAppender *>(appender.data()); });
    const auto deadline = std::chrono::steady_clock::now() + shutdownWait;
    for (const LogObjectPtr<Appender> &appender : std::as_const(attached)) {
        auto *skeleton = qobject_cast<AppenderSkeleton *>(appender.data());
        if (!skeleton) {
            appender->close();
        } else if (!skeleton->retire(deadline)) {
            // Kept for good: a last release would close it, and wait.
            skeleton->retain();
            // The name is read without the lock that the write holds.
            log->error("Shutdown goes on without closing appender '%1', still writing after %2 s",
                skeleton->objectName(), int(shutdownWait.count()));
        }
    }
    resetConfiguration();
}

QDebug Hierarchy::debug(QDebug &debug) const
{
    QDebugStateSaver saver(debug);
    int count;
    {
        const std::shared_lock<std::shared_mutex> locker(m_objectGuard);
        count = m_loggers.size();
    }
    debug.nospace() << "Hierarchy("
                    << "loggers:" << count << " threshold:" << threshold().toString()
                    << " root-level:" << m_rootLogger->level().toString()
                    << " root-appenders:" << m_rootLogger->appenders().size() << ")";
    return debug;
}

} // namespace LogEngine
