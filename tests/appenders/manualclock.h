#ifndef QORVLOG_TESTS_MANUALCLOCK_H
#define QORVLOG_TESTS_MANUALCLOCK_H

#include "engine/detail/clock.h"

#include <QDateTime>

#include <atomic>

// A clock the test sets: time stands still between the steps it takes.
class ManualClock : public LogEngine::Clock
{
public:
    qint64 currentMSecsSinceEpoch() const override { return m_now.load(); }

    void set(qint64 milliSeconds) { m_now.store(milliSeconds); }
    // An ISO 8601 text; give the offset ("+01:00") for a local time shown twice.
    void set(const QString &text) { set(QDateTime::fromString(text, Qt::ISODateWithMs).toMSecsSinceEpoch()); }
    void advance(qint64 milliSeconds) { m_now.fetch_add(milliSeconds); }

private:
    std::atomic<qint64> m_now { 0 };
};

#endif
