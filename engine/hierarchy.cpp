#include "engine/hierarchy.h"
#include "engine/classlogger.h"
#include "engine/scopedlock.h"

#include "engine/logger.h"

#include <QDebug>
#include <QVector>

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
    ScopedLock locker(&m_objectGuard, ScopedLock::Write);
    m_rootLogger = createLogger(QString());
}

Hierarchy::~Hierarchy()
{
    repositoryLogger()->warn("Unexpected destruction of Hierarchy");
}

bool Hierarchy::exists(const QString &name) const
{
    ScopedLock locker(&m_objectGuard, ScopedLock::Read);
    return m_loggers.contains(name);
}

// A read lock only: the way of a request that finds its logger made, where
// `logger`, which may create, would serialise every logging thread.
Logger *Hierarchy::existingLogger(const QString &name) const
{
    ScopedLock locker(&m_objectGuard, ScopedLock::Read);
    return m_loggers.value(name);
}

// Looked up under the read lock first: nearly every call finds its logger,
// and the write lock would serialise those calls. createLogger looks again,
// since another thread may make the logger in between.
Logger *Hierarchy::logger(const QString &name)
{
    if (Logger *existing = existingLogger(name))
        return existing;
    ScopedLock locker(&m_objectGuard, ScopedLock::Write);
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
    ScopedLock locker(&m_objectGuard, ScopedLock::Read);
    return m_loggers.values();
}

void Hierarchy::setThreshold(const QString &threshold)
{
    setThreshold(Level::fromString(threshold));
}

void Hierarchy::resetConfiguration()
{
    ScopedLock locker(&m_objectGuard, ScopedLock::Write);
    Logger *internal = logger(QStringLiteral("LogEngine"));
    Logger *qt = logger(QStringLiteral("Qt"));
    const QList<Logger *> all = m_loggers.values();
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

void Hierarchy::shutdown()
{
    repositoryLogger()->debug("Shutting down Hierarchy");
    resetConfiguration();
}

QDebug Hierarchy::debug(QDebug &debug) const
{
    QDebugStateSaver saver(debug);
    int count;
    {
        ScopedLock locker(&m_objectGuard, ScopedLock::Read);
        count = m_loggers.size();
    }
    debug.nospace() << "Hierarchy("
                    << "loggers:" << count << " threshold:" << threshold().toString()
                    << " root-level:" << m_rootLogger->level().toString()
                    << " root-appenders:" << m_rootLogger->appenders().size() << ")";
    return debug;
}

} // namespace LogEngine
