#ifndef LOGENGINE_DAILYROLLINGFILEAPPENDER_H
#define LOGENGINE_DAILYROLLINGFILEAPPENDER_H

#include "engine/appenders/fileappender.h"

namespace LogEngine
{

/*!
 * A file appender that begins a new file with each period of the local
 * clock. The period (a minute, an hour, half a day, a day, a week from
 * Sunday, a month) is the finest one that `datePattern` prints; the first
 * event of a new period renames the file to its name followed by the start
 * of the period it was begun in, formatted by the pattern (the default
 * "'.'yyyy-MM-dd" turns app.log into app.log.2015-06-30), and begins a new
 * one. A changed pattern takes effect at the next `activate`.
 *
 * Periods follow the local clock across daylight-saving changes: a day may
 * last 23 or 25 hours, and a period ends when the clock first shows the
 * start of the next one. When the clock is set back, the hour it shows
 * again belongs to the period already running, so no file of the run is
 * named twice.
 *
 * Each event costs one reading of `clock` compared with the end of the
 * period in milliseconds; local time is worked out only at a roll-over.
 *
 * A roll-over that cannot remove or rename a file loses nothing: the error
 * is reported, the current file is continued (never truncated) and keeps
 * the name of the period it was begun in, and the roll-over is tried again
 * at a later event, 1 second later, then after twice as long each time up
 * to a minute.
 *
 * Thread-safe: everything runs under the appender's lock.
 */
class DailyRollingFileAppender : public FileAppender
{
    Q_OBJECT
    Q_PROPERTY(QString datePattern READ datePattern WRITE setDatePattern)

public:
    enum DatePattern {
        MINUTELY_ROLLOVER = 0,
        HOURLY_ROLLOVER,
        HALFDAILY_ROLLOVER,
        DAILY_ROLLOVER,
        WEEKLY_ROLLOVER,
        MONTHLY_ROLLOVER
    };
    Q_ENUM(DatePattern)

    explicit DailyRollingFileAppender(QObject *parent = nullptr);
    DailyRollingFileAppender(
        Layout *layout, const QString &fileName, const QString &datePattern, QObject *parent = nullptr);
    ~DailyRollingFileAppender() override;

    QString datePattern() const;
    void setDatePattern(const QString &pattern);

    /*!
     * The period `pattern` rolls over at, as `activate` deduces it; false
     * (and `frequency` untouched) when the pattern prints the same text
     * all month long.
     */
    static bool frequencyOf(const QString &pattern, DatePattern *frequency);

    void activate() override;

    QDebug debug(QDebug &debug) const override;

protected:
    void append(const LoggingEvent &event) override;
    bool canAppend() const override;

    // The caller holds the lock.
    /*! Deduces the frequency from the pattern; an empty active pattern means none. */
    void computeFrequency();
    /*! The period running now: its end and the suffix of its start. */
    void computeRollOverTime();
    /*! Renames the file after its period and begins a new one, if the period has changed. */
    void rollOver();

private:
    QString m_datePattern;
    DatePattern m_frequency = DAILY_ROLLOVER;
    QString m_activeDatePattern;
    // The end of the running period (or, after a failed roll-over, the time
    // of the next attempt) in milliseconds since the epoch.
    qint64 m_rollOverTime;
    QString m_rollOverSuffix;
    RetrySchedule m_retry;
};

} // namespace LogEngine

#endif
