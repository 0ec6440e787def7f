#include "engine/appenders/dailyrollingfileappender.h"
#include "engine/detail/scopedlock.h"

#include "engine/detail/clock.h"
#include "engine/layouts/datetime.h"
#include "engine/logger.h"

#include <QMetaEnum>

#include <algorithm>
#include <limits>

namespace LogEngine
{

namespace
{

constexpr qint64 noRollOverTime = std::numeric_limits<qint64>::max();
constexpr qint64 hour = 3600 * 1000;

qint64 localOffset(qint64 instant)
{
    return qint64(QDateTime::fromMSecsSinceEpoch(instant).offsetFromUtc()) * 1000;
}

// What the local clock shows at `instant`, held in a UTC date-time so that
// adding seconds, days and months to it is plain calendar arithmetic.
QDateTime wallClock(qint64 instant)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(instant);
    return QDateTime(local.date(), local.time(), Qt::UTC);
}

// The first instant, not before `notBefore`, at which the local clock shows
// `wall` or later. Qt has no answer for a time that the clock skips (it is
// invalid) and picks one of the two for a time it shows twice, so the offset
// change near `wall` is found here: before it the clock shows instant plus
// the old offset, from it on instant plus the new one. A time skipped gives
// the instant of the change; a time shown twice, its first showing not
// before `notBefore`. Offsets lie within -12 and +14 hours, and zones
// change them months apart, so the window holds at most one change.
qint64 firstInstantShowing(const QDateTime &wall, qint64 notBefore)
{
    const qint64 wallTime = wall.toMSecsSinceEpoch();
    qint64 before = wallTime - 15 * hour;
    qint64 after = wallTime + 13 * hour;
    const qint64 oldOffset = localOffset(before);
    const qint64 newOffset = localOffset(after);
    if (oldOffset == newOffset)
        return std::max(notBefore, wallTime - oldOffset);
    while (after - before > 1) {
        const qint64 middle = before + (after - before) / 2;
        (localOffset(middle) == oldOffset ? before : after) = middle;
    }
    const qint64 change = after;
    qint64 first = std::max({ change, notBefore, wallTime - newOffset });
    const qint64 early = std::max(notBefore, wallTime - oldOffset);
    if (early < change)
        first = std::min(first, early);
    return first;
}

QString isoText(qint64 instant)
{
    return QDateTime::fromMSecsSinceEpoch(instant).toString(Qt::ISODate);
}

} // namespace

DailyRollingFileAppender::DailyRollingFileAppender(QObject *parent)
    : FileAppender(parent)
    , m_datePattern(QStringLiteral("'.'yyyy-MM-dd"))
    , m_rollOverTime(noRollOverTime)
{
}

DailyRollingFileAppender::DailyRollingFileAppender(
    Layout *layout, const QString &fileName, const QString &datePattern, QObject *parent)
    : FileAppender(layout, fileName, parent)
    , m_datePattern(datePattern)
    , m_rollOverTime(noRollOverTime)
{
}

DailyRollingFileAppender::~DailyRollingFileAppender()
{
    // Closed here, while the messages still name this class.
    FileAppender::close();
}

QString DailyRollingFileAppender::datePattern() const
{
    ScopedLock locker(&objectGuard());
    return m_datePattern;
}

void DailyRollingFileAppender::setDatePattern(const QString &pattern)
{
    ScopedLock locker(&objectGuard());
    m_datePattern = pattern;
}

void DailyRollingFileAppender::activate()
{
    ScopedLock locker(&reportingGuard());
    computeFrequency();
    if (m_activeDatePattern.isEmpty())
        return;
    m_retry.reset();
    computeRollOverTime();
    FileAppender::activate();
}

bool DailyRollingFileAppender::canAppend() const
{
    if (m_activeDatePattern.isEmpty()) {
        reportError("Use of appender '%1' without having a valid date pattern set",
            LOGENGINE_APPENDER_ERROR(APPENDER_USE_INVALID_PATTERN_ERROR));
        return false;
    }
    return FileAppender::canAppend();
}

void DailyRollingFileAppender::append(const LoggingEvent &event)
{
    // The one test every event pays for: no local time, no system call.
    // A file that still holds refused bytes goes on until the system takes
    // them; the roll-over is tried again at the next event.
    if (clock()->currentMSecsSinceEpoch() >= m_rollOverTime && everythingWritten()) {
        rollOver();
        if (!writer())
            return; // the new file could not be opened, which was reported
    }
    FileAppender::append(event);
}

bool DailyRollingFileAppender::frequencyOf(const QString &pattern, DatePattern *frequency)
{
    const QDateTime reference(QDate(1999, 1, 1), QTime(0, 0), Qt::LocalTime);
    const QString referenceText = DateTime(reference).toString(pattern);
    const QDateTime steps[] = { reference.addSecs(60), reference.addSecs(3600), reference.addSecs(43200),
        reference.addDays(1), reference.addDays(7), reference.addMonths(1) };
    for (int step = MINUTELY_ROLLOVER; step <= MONTHLY_ROLLOVER; ++step) {
        if (DateTime(steps[step]).toString(pattern) != referenceText) {
            *frequency = DatePattern(step);
            return true;
        }
    }
    return false;
}

void DailyRollingFileAppender::computeFrequency()
{
    m_activeDatePattern.clear();
    if (frequencyOf(m_datePattern, &m_frequency)) {
        m_activeDatePattern = m_datePattern;
        logger()->trace("Frequency set to %2 using date pattern %1", m_activeDatePattern,
            QString::fromLatin1(QMetaEnum::fromType<DatePattern>().valueToKey(m_frequency)));
        return;
    }
    // The pattern comes first among the arguments, unlike the common errors.
    Logger *log = logger();
    if (!log->isErrorEnabled())
        return;
    LogError error("The pattern '%1' does not specify a frequency for appender '%2'",
        LOGENGINE_APPENDER_ERROR(APPENDER_INVALID_PATTERN_ERROR), metaObject()->className());
    error << m_datePattern << name();
    log->error(error);
}

void DailyRollingFileAppender::computeRollOverTime()
{
    const qint64 now = clock()->currentMSecsSinceEpoch();
    const QDateTime shown = wallClock(now);
    const QDate today = shown.date();
    const QTime time = shown.time();
    QDateTime start;
    QDateTime next;
    switch (m_frequency) {
    case MINUTELY_ROLLOVER:
        start = QDateTime(today, QTime(time.hour(), time.minute()), Qt::UTC);
        next = start.addSecs(60);
        break;
    case HOURLY_ROLLOVER:
        start = QDateTime(today, QTime(time.hour(), 0), Qt::UTC);
        next = start.addSecs(3600);
        break;
    case HALFDAILY_ROLLOVER:
        start = QDateTime(today, QTime(time.hour() < 12 ? 0 : 12, 0), Qt::UTC);
        next = start.addSecs(43200);
        break;
    case DAILY_ROLLOVER:
        start = QDateTime(today, QTime(0, 0), Qt::UTC);
        next = start.addDays(1);
        break;
    case WEEKLY_ROLLOVER:
        // From Sunday: Qt counts Monday 1 to Sunday 7.
        start = QDateTime(today.addDays(-(today.dayOfWeek() % 7)), QTime(0, 0), Qt::UTC);
        next = start.addDays(7);
        break;
    case MONTHLY_ROLLOVER:
        start = QDateTime(QDate(today.year(), today.month(), 1), QTime(0, 0), Qt::UTC);
        next = start.addMonths(1);
        break;
    }
    const qint64 startTime = firstInstantShowing(start, std::numeric_limits<qint64>::min());
    // Not before now: after the clock was set back the period running goes
    // on until the clock shows the next one, and no period comes twice.
    m_rollOverTime = firstInstantShowing(next, now + 1);
    m_rollOverSuffix = DateTime(QDateTime::fromMSecsSinceEpoch(startTime)).toString(m_activeDatePattern);
    logger()->trace("Computing roll over time from %1: The interval start time is %2. The roll over time is %3",
        isoText(now), isoText(startTime), isoText(m_rollOverTime));
}

void DailyRollingFileAppender::rollOver()
{
    const QString oldSuffix = m_rollOverSuffix;
    computeRollOverTime();
    if (m_rollOverSuffix == oldSuffix)
        return;
    closeFile();
    const QString fileName = file();
    const QString targetName = fileName + oldSuffix;
    QFile target(targetName);
    QFile current(fileName);
    if ((!target.exists() || removeFile(target)) && renameFile(current, targetName)) {
        m_retry.reset();
        openFile();
        return;
    }
    // The file could not be moved out of the way: it holds lines that are
    // nowhere else, so it is continued, never begun anew, and keeps the
    // name of the period it was begun in.
    m_rollOverSuffix = oldSuffix;
    m_rollOverTime = m_retry.failed(clock()->currentMSecsSinceEpoch());
    openFile(true);
}

QDebug DailyRollingFileAppender::debug(QDebug &debug) const
{
    ScopedLock locker(&objectGuard());
    debug.nospace() << "DailyRollingFileAppender(";
    debugName(debug);
    debug << " "
          << "activedatepattern:" << m_activeDatePattern << " "
          << "appendfile:" << appendFile() << " "
          << "bufferedio:" << bufferedIo() << " "
          << "datepattern:" << m_datePattern << " "
          << "encoding:" << QtCompat::codecName(encoding()) << " "
          << "frequency:" << QString::fromLatin1(QMetaEnum::fromType<DatePattern>().valueToKey(m_frequency)) << " "
          << "file:" << file() << " ";
    debugFilter(debug);
    debug << " "
          << "immediateflush:" << immediateFlush() << " ";
    debugFlags(debug, " ");
    debug << " ";
    debugLayout(debug);
    debug << " "
          << "referencecount:" << referenceCount() << " "
          << "rollovertime:"
          << (m_rollOverTime == noRollOverTime ? QDateTime() : QDateTime::fromMSecsSinceEpoch(m_rollOverTime));
    debugThreshold(debug);
    debug << "writer:" << static_cast<const void *>(writer()) << ")";
    return debug.space();
}

} // namespace LogEngine
