#include "engine/detail/clock.h"

#include <QDateTime>

namespace LogEngine
{

namespace
{

class SystemClock final : public Clock
{
public:
    qint64 currentMSecsSinceEpoch() const override { return QDateTime::currentMSecsSinceEpoch(); }
};

} // namespace

Clock::~Clock() = default;

const Clock *Clock::system()
{
    // Never destroyed: appenders closed by exit handlers still read it.
    static const Clock *const clock = new SystemClock;
    return clock;
}

} // namespace LogEngine
