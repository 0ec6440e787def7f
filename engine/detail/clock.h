#ifndef LOGENGINE_CLOCK_H
#define LOGENGINE_CLOCK_H

#include <QtGlobal>

namespace LogEngine
{

/*!
 * Where the rolling file appenders read the current time. The system clock
 * serves unless an appender is handed another one, which is how the tests
 * walk across midnight, month ends and daylight-saving changes without
 * waiting for them. Implementations are read under the appender's lock and
 * must be safe to read from any thread.
 */
class Clock
{
public:
    virtual ~Clock();

    /*! Milliseconds since the Unix epoch. */
    virtual qint64 currentMSecsSinceEpoch() const = 0;

    /*! The system clock; it lives as long as the process. */
    static const Clock *system();
};

} // namespace LogEngine

#endif
