#include "engine/recursivemutex.h"

namespace LogEngine
{

namespace
{

thread_local char t_threadIdentity;
// How many mutexes of this kind the thread holds; read by the read-write
// lock to tell a thread that may hold others up from one that cannot.
thread_local int t_heldCount = 0;

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

void RecursiveMutex::lock()
{
    const void *self = currentThread();
    if (m_owner.load(std::memory_order_relaxed) == self) {
        ++m_depth;
        return;
    }
    pthread_mutex_lock(&m_mutex);
    m_owner.store(self, std::memory_order_relaxed);
    m_depth = 1;
    ++t_heldCount;
}

void RecursiveMutex::unlock()
{
    Q_ASSERT_X(m_owner.load(std::memory_order_relaxed) == currentThread(), "RecursiveMutex::unlock",
        "mutex not held by this thread");
    if (--m_depth > 0)
        return;
    m_owner.store(nullptr, std::memory_order_relaxed);
    --t_heldCount;
    pthread_mutex_unlock(&m_mutex);
}

bool RecursiveMutex::anyHeldByCurrentThread()
{
    return t_heldCount > 0;
}

} // namespace LogEngine
