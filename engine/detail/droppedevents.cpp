#include "engine/detail/droppedevents.h"
#include "engine/detail/classlogger.h"

#include "engine/logger.h"

#include <QHash>

#include <atomic>
#include <cstdio>
#include <mutex>

namespace LogEngine
{

namespace
{

const ClassLogger droppedLogger("LogEngine::DroppedEvents");

std::atomic<bool> s_unconfigured { false };
std::atomic<bool> s_noticeGiven { false };
std::atomic<int> s_reportsPending { 0 };

// Made on first use and never destroyed: events may be dropped while the
// process exits.
std::mutex &reportGuard()
{
    static auto *const guard = new std::mutex;
    return *guard;
}

QHash<const Logger *, QString> &pendingReports()
{
    static auto *const reports = new QHash<const Logger *, QString>;
    return *reports;
}

} // namespace

const char *DroppedEvents::notice()
{
    return "LogEngine: log events are dropped: no configuration was found, so no appender receives them. "
           "Name a configuration file in LOGENGINE_CONFIGURATION, or put logengine.properties in the working "
           "directory. Set LOGENGINE_DEBUG=DEBUG to see how LogEngine starts. This notice is printed once.\n";
}

void DroppedEvents::noAppender(const Logger *logger)
{
    if (s_unconfigured.load(std::memory_order_relaxed) && !s_noticeGiven.exchange(true)) {
        // Straight to the stream: the internal logger shows no warning
        // unless asked to, and being unasked is the case here.
        std::fputs(notice(), stderr);
        std::fflush(stderr);
    }
    if (s_reportsPending.load(std::memory_order_relaxed) == 0)
        return;
    QString reason;
    {
        const std::lock_guard<std::mutex> locker(reportGuard());
        QHash<const Logger *, QString> &reports = pendingReports();
        const auto found = reports.find(logger);
        if (found == reports.end())
            return;
        reason = found.value();
        reports.erase(found);
        s_reportsPending.fetch_sub(1, std::memory_order_relaxed);
    }
    droppedLogger()->warn(reason);
}

void DroppedEvents::setUnconfigured(bool unconfigured)
{
    s_unconfigured.store(unconfigured, std::memory_order_relaxed);
}

void DroppedEvents::reportFirstDrop(const Logger *logger, const QString &reason)
{
    // Resolved now: the report may be made while the thread holds an
    // appender's lock, inside which the repository's must not be taken.
    droppedLogger();
    const std::lock_guard<std::mutex> locker(reportGuard());
    QHash<const Logger *, QString> &reports = pendingReports();
    if (!reports.contains(logger))
        s_reportsPending.fetch_add(1, std::memory_order_relaxed);
    reports.insert(logger, reason);
}

} // namespace LogEngine
