#include "engine/detail/appenderarray.h"

#include "engine/appenders/appender.h"

#include <mutex>

namespace LogEngine
{

namespace
{

// Arrays no longer in use. Both are constant-initialised and trivially
// destructible, so arrays may come and go until the process has ended.
std::mutex s_freeGuard;
AppenderArray *s_free = nullptr;

} // namespace

AppenderArray *AppenderArray::create(const Appenders &appenders)
{
    if (appenders.isEmpty())
        return nullptr;
    AppenderArray *array;
    {
        const std::lock_guard<std::mutex> locker(s_freeGuard);
        array = s_free;
        if (array)
            s_free = array->m_nextFree;
    }
    if (!array)
        array = new AppenderArray;
    array->m_nextFree = nullptr;
    array->m_appenders = appenders;
    // Published by the store that installs the array, after this.
    array->m_count.store(1);
    return array;
}

AppenderArray *AppenderArray::acquireHeld(const std::atomic<AppenderArray *> &slot)
{
    for (;;) {
        AppenderArray *array = slot.load();
        if (!array)
            return nullptr;
        int count = array->m_count.load();
        while (count > 0 && !array->m_count.compare_exchange_weak(count, count + 1)) { }
        // At zero the array is on its way out and the slot holds another.
        if (count == 0)
            continue;
        if (slot.load() == array)
            return array;
        release(array);
    }
}

void AppenderArray::releaseCount()
{
    if (m_count.fetch_sub(1) != 1)
        return;
    // The appenders go first, outside the pool's lock: destroying one runs
    // its close, which may log.
    m_appenders = Appenders();
    const std::lock_guard<std::mutex> locker(s_freeGuard);
    m_nextFree = s_free;
    s_free = this;
}

} // namespace LogEngine
