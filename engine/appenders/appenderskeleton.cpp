#include "engine/appenders/appenderskeleton.h"
#include "engine/detail/scopedlock.h"

#include "engine/logger.h"
#include "engine/loggingevent.h"

namespace LogEngine
{

AppenderSkeleton::AppenderSkeleton(QObject *parent)
    : AppenderSkeleton(true, parent)
{
}

AppenderSkeleton::AppenderSkeleton(bool isActive, QObject *parent)
    : Appender(parent)
    , m_isActive(isActive)
{
}

AppenderSkeleton::~AppenderSkeleton()
{
    m_tailFilter = nullptr;
    m_headFilter = nullptr;
    m_layout = nullptr;
}

Filter *AppenderSkeleton::filter() const
{
    ScopedLock locker(&m_objectGuard);
    return m_headFilter.data();
}

QString AppenderSkeleton::name() const
{
    ScopedLock locker(&m_objectGuard);
    return objectName();
}

Layout *AppenderSkeleton::layout() const
{
    ScopedLock locker(&m_objectGuard);
    return m_layout.data();
}

void AppenderSkeleton::setLayout(Layout *layout)
{
    ScopedLock locker(&m_objectGuard);
    m_layout = layout;
}

void AppenderSkeleton::setName(const QString &name)
{
    ScopedLock locker(&m_objectGuard);
    setObjectName(name);
}

namespace
{

// Whether linking `filter` behind `tail` would close a loop: `tail` can be
// reached from `filter`, or the links from `filter` already run in a circle
// (made by hand with setNext). Both would make the walk in handleEvent
// endless and keep the filters alive for ever.
bool closesLoop(const Filter *filter, const Filter *tail)
{
    const Filter *slow = filter;
    for (const Filter *fast = filter; fast;) {
        if (fast == tail)
            return true;
        fast = fast->next();
        if (!fast)
            break;
        if (fast == tail)
            return true;
        fast = fast->next();
        slow = slow->next();
        if (fast == slow)
            return true;
    }
    return false;
}

} // namespace

void AppenderSkeleton::addFilter(Filter *filter)
{
    if (!filter) {
        logger()->warn("Adding null Filter to Appender '%1'", name());
        return;
    }
    {
        ScopedLock locker(&m_objectGuard);
        if (!closesLoop(filter, m_tailFilter.data())) {
            if (!m_headFilter)
                m_headFilter = filter;
            else
                m_tailFilter->setNext(filter);
            m_tailFilter = filter;
            m_hasFilters.store(true, std::memory_order_relaxed);
            return;
        }
    }
    logger()->warn("Adding of duplicate filter to Appender '%1'", name());
}

void AppenderSkeleton::clearFilters()
{
    ScopedLock locker(&m_objectGuard);
    m_tailFilter = nullptr;
    m_headFilter = nullptr;
    m_hasFilters.store(false, std::memory_order_relaxed);
}

void AppenderSkeleton::activate()
{
    ScopedLock locker(&reportingGuard());
    if (requiresLayout() && !m_layout) {
        reportError("Activation of appender '%1' that requires layout and has no layout set",
            LOGENGINE_APPENDER_ERROR(APPENDER_ACTIVATE_MISSING_LAYOUT_ERROR));
        return;
    }
    m_isActive.store(true, std::memory_order_relaxed);
}

void AppenderSkeleton::close()
{
    ScopedLock locker(&m_objectGuard);
    m_isClosed.store(true, std::memory_order_relaxed);
    m_isActive.store(false, std::memory_order_relaxed);
}

bool AppenderSkeleton::retire(std::chrono::steady_clock::time_point deadline)
{
    if (deadline == std::chrono::steady_clock::time_point::max())
        m_objectGuard.lock();
    else if (!m_objectGuard.tryLockUntil(deadline))
        return false;
    m_retired = true;
    close();
    m_objectGuard.unlock();
    return true;
}

namespace
{

struct RecursionGuard {
    bool &flag;
    explicit RecursionGuard(bool &f)
        : flag(f)
    {
        flag = true;
    }
    ~RecursionGuard() { flag = false; }
};

} // namespace

void AppenderSkeleton::handleEvent(const LoggingEvent &event)
{
    ScopedLock locker(&reportingGuard());
    // Only the thread holding the lock can find the guard set: its layout or
    // destination logged through a logger that leads back here.
    if (m_appendRecursionGuard || m_retired)
        return;
    RecursionGuard guard(m_appendRecursionGuard);
    if (accepts(event))
        append(event);
}

bool AppenderSkeleton::admit(const LoggingEvent &event)
{
    ScopedLock locker(&reportingGuard());
    if (m_appendRecursionGuard || m_retired)
        return false;
    RecursionGuard guard(m_appendRecursionGuard);
    return accepts(event);
}

bool AppenderSkeleton::accepts(const LoggingEvent &event) const
{
    if (!canAppend())
        return false;
    if (m_threshold.load(std::memory_order_relaxed) > event.level().toInt())
        return false;
    for (const Filter *filter = m_headFilter.data(); filter; filter = filter->next()) {
        const Filter::Decision decision = filter->decide(event);
        if (decision == Filter::DENY)
            return false;
        if (decision == Filter::ACCEPT)
            break;
    }
    return true;
}

bool AppenderSkeleton::canAppend() const
{
    if (!isActive()) {
        reportError("Use of non activated appender '%1'", LOGENGINE_APPENDER_ERROR(APPENDER_NOT_ACTIVATED_ERROR));
        return false;
    }
    if (isClosed()) {
        reportError("Use of closed appender '%1'", LOGENGINE_APPENDER_ERROR(APPENDER_CLOSED_ERROR));
        return false;
    }
    if (requiresLayout() && !m_layout) {
        reportError("Use of appender '%1' that requires layout and has no layout set",
            LOGENGINE_APPENDER_ERROR(APPENDER_USE_MISSING_LAYOUT_ERROR));
        return false;
    }
    return true;
}

void AppenderSkeleton::reportError(const char *message, LogError::ErrorCode code, const char *symbol,
    const QList<QVariant> &extraArgs, const LogError &cause) const
{
    Logger *log = logger();
    if (!log->isErrorEnabled())
        return;
    LogError error(message, code, symbol, metaObject()->className());
    error << name();
    for (const QVariant &arg : extraArgs)
        error.addArg(arg);
    if (cause.code() != 0 || !cause.message().isEmpty())
        error.addCausingError(cause);
    log->error(error);
}

void AppenderSkeleton::debugName(QDebug &debug) const
{
    debug << "name:" << name();
}

void AppenderSkeleton::debugFilter(QDebug &debug) const
{
    debug << "filter:" << static_cast<const void *>(filter());
}

void AppenderSkeleton::debugFlags(QDebug &debug, const char *separator) const
{
    debug << "isactive:" << isActive() << separator << "isclosed:" << isClosed();
}

void AppenderSkeleton::debugLayout(QDebug &debug) const
{
    const Layout *current = layout();
    debug << "layout:" << (current ? current->name() : QString());
}

void AppenderSkeleton::debugThreshold(QDebug &debug) const
{
    debug << "threshold:" << threshold().toString();
}

} // namespace LogEngine
