#include "engine/detail/recursivemutex.h"

#include <thread>

namespace LogEngine
{

namespace
{

thread_local char t_threadIdentity;

} // namespace

RecursiveMutex::RecursiveMutex()
{
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
#ifdef __GLIBC__
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_ADAPTIVE_NP);
#endif
    pthread_mutex_init(&m_mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

RecursiveMutex::~RecursiveMutex()
{
    pthread_mutex_destroy(&m_mutex);
}

const void *RecursiveMutex::currentThread()
{
    return &t_threadIdentity;
}

bool RecursiveMutex::lockedAgain()
{
    if (m_owner.load(std::memory_order_relaxed) != currentThread())
        return false;
    ++m_depth;
    return true;
}

void RecursiveMutex::locked()
{
    m_owner.store(currentThread(), std::memory_order_relaxed);
    m_depth = 1;
}

void RecursiveMutex::lock()
{
    if (lockedAgain())
        return;
    pthread_mutex_lock(&m_mutex);
    locked();
}

bool RecursiveMutex::tryLockUntil(std::chrono::steady_clock::time_point deadline)
{
    if (lockedAgain())
        return true;
    // Asked for at process exit only, so polling is cheap enough, and it
    // needs no timed lock that every platform and sanitizer knows.
    while (pthread_mutex_trylock(&m_mutex) != 0) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    locked();
    return true;
}

void RecursiveMutex::unlock()
{
    Q_ASSERT_X(m_owner.load(std::memory_order_relaxed) == currentThread(), "RecursiveMutex::unlock",
        "mutex not held by this thread");
    if (--m_depth > 0)
        return;
    m_owner.store(nullptr, std::memory_order_relaxed);
    pthread_mutex_unlock(&m_mutex);
}

} // namespace LogEngine
