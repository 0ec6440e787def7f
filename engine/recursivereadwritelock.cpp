#include "engine/recursivereadwritelock.h"

#include <QVarLengthArray>

#include <algorithm>

namespace LogEngine
{

namespace
{

struct ReadHold {
    const RecursiveReadWriteLock *lock;
    int depth;
};

// The read locks this thread holds. Delivery nests one per logger of the
// chain, so the table stays short and a linear search is the fastest.
thread_local QVarLengthArray<ReadHold, 16> t_readHolds;
thread_local char t_threadIdentity;

ReadHold *findHold(const RecursiveReadWriteLock *lock)
{
    auto found = std::find_if(
        t_readHolds.begin(), t_readHolds.end(), [lock](const ReadHold &hold) { return hold.lock == lock; });
    return found == t_readHolds.end() ? nullptr : found;
}

} // namespace

RecursiveReadWriteLock::RecursiveReadWriteLock()
{
    pthread_rwlockattr_t attributes;
    pthread_rwlockattr_init(&attributes);
#ifdef __GLIBC__
    // glibc lets arriving readers overtake a waiting writer by default; a
    // reset waiting for a busy logger would then wait for ever.
    pthread_rwlockattr_setkind_np(&attributes, PTHREAD_RWLOCK_PREFER_WRITER_NONRECURSIVE_NP);
#endif
    pthread_rwlock_init(&m_lock, &attributes);
    pthread_rwlockattr_destroy(&attributes);
}

RecursiveReadWriteLock::~RecursiveReadWriteLock()
{
    pthread_rwlock_destroy(&m_lock);
}

const void *RecursiveReadWriteLock::currentThread()
{
    return &t_threadIdentity;
}

void RecursiveReadWriteLock::lockForRead()
{
    if (m_writer.load(std::memory_order_relaxed) == currentThread()) {
        ++m_writeDepth;
        return;
    }
    if (ReadHold *hold = findHold(this)) {
        ++hold->depth;
        return;
    }
    pthread_rwlock_rdlock(&m_lock);
    t_readHolds.append(ReadHold { this, 1 });
}

void RecursiveReadWriteLock::lockForWrite()
{
    if (m_writer.load(std::memory_order_relaxed) == currentThread()) {
        ++m_writeDepth;
        return;
    }
    Q_ASSERT_X(!findHold(this), "RecursiveReadWriteLock::lockForWrite", "write lock asked while holding a read lock");
    pthread_rwlock_wrlock(&m_lock);
    m_writer.store(currentThread(), std::memory_order_relaxed);
    m_writeDepth = 1;
}

void RecursiveReadWriteLock::unlock()
{
    if (m_writer.load(std::memory_order_relaxed) == currentThread()) {
        if (--m_writeDepth == 0) {
            m_writer.store(nullptr, std::memory_order_relaxed);
            pthread_rwlock_unlock(&m_lock);
        }
        return;
    }
    ReadHold *hold = findHold(this);
    Q_ASSERT_X(hold, "RecursiveReadWriteLock::unlock", "lock not held by this thread");
    if (!hold || --hold->depth > 0)
        return;
    // Holds are released innermost first, so this is nearly always the last.
    *hold = t_readHolds.last();
    t_readHolds.removeLast();
    pthread_rwlock_unlock(&m_lock);
}

} // namespace LogEngine
