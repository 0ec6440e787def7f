#ifndef LOGENGINE_APPENDERARRAY_H
#define LOGENGINE_APPENDERARRAY_H

#include "engine/logobjectptr.h"

#include <QVector>

#include <atomic>

namespace LogEngine
{

class Appender;

/*!
 * \internal
 * The appenders of one logger, as one immutable array with a count of its
 * holders: the logger that has it installed, and each delivery walking it.
 * A change never edits an array: it builds a new one, installs it and lets
 * go of the old, whose appenders are released when the last delivery still
 * walking it ends. A logger without appenders installs none (null), so an
 * event passes it with one load.
 *
 * An array's memory is kept for reuse, never freed: `acquire` reads a
 * logger's pointer and only then counts itself in, so the array may have
 * been let go in between, and the count it touches must still be a count.
 * It counts itself in only while the count is above zero and then checks
 * that the logger still holds that array; were the memory reused meanwhile
 * for an array now installed there, that one is as good.
 */
class AppenderArray
{
public:
    using Appenders = QVector<LogObjectPtr<Appender>>;

    /*! A new array holding `appenders`, counted once (for the caller); null when empty. */
    static AppenderArray *create(const Appenders &appenders);
    /*! The array `slot` holds, counted once more for the caller, or null. Never waits. */
    static AppenderArray *acquire(const std::atomic<AppenderArray *> &slot)
    {
        // Inline for the loggers without appenders that most events pass.
        return slot.load() ? acquireHeld(slot) : nullptr;
    }
    /*! Drops one count; the last releases the appenders. Null is allowed. */
    static void release(AppenderArray *array)
    {
        if (array)
            array->releaseCount();
    }

    const Appenders &appenders() const { return m_appenders; }

    /*! Holds one count of an array for a scope. */
    class Hold
    {
    public:
        explicit Hold(AppenderArray *array)
            : m_array(array)
        {
        }
        ~Hold() { release(m_array); }
        AppenderArray *get() const { return m_array; }

    private:
        AppenderArray *m_array;
        Q_DISABLE_COPY(Hold)
    };

private:
    AppenderArray() = default;

    static AppenderArray *acquireHeld(const std::atomic<AppenderArray *> &slot);
    void releaseCount();

    std::atomic<int> m_count { 0 };
    Appenders m_appenders;
    AppenderArray *m_nextFree = nullptr;
};

} // namespace LogEngine

#endif
