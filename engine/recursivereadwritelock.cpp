#include "engine/recursivereadwritelock.h"

#include <algorithm>
#include <cstdlib>

namespace LogEngine
{

namespace
{

struct ReadHold {
    const RecursiveReadWriteLock *lock;
    int depth;
};

/*
 * The read locks this thread holds. Delivery nests one per logger of the
 * chain, so the table stays short and a linear search is the fastest.
 *
 * The table is trivially destructible so that code logging from another
 * thread-local object's destructor at thread exit still finds it intact.
 * A thread nesting more locks than fit inline moves to the heap; that
 * block is given back by a guard created only then.
 */
struct ReadHolds {
    static constexpr int inlineCapacity = 16;

    ReadHold inlineHolds[inlineCapacity] {};
    ReadHold *heap = nullptr;
    int count = 0;
    int capacity = inlineCapacity;

    ReadHold *begin() { return heap ? heap : inlineHolds; }
    ReadHold *end() { return begin() + count; }
    void append(const ReadHold &hold);
    void remove(ReadHold *hold)
    {
        // Holds are released innermost first, so this is nearly always the last.
        *hold = begin()[--count];
    }
};

thread_local ReadHolds t_readHolds;
thread_local char t_threadIdentity;

struct HeapReclaimer {
    ~HeapReclaimer()
    {
        ReadHolds &holds = t_readHolds;
        // Still nested deeper than the inline table: keep the block rather
        // than forget a lock this thread holds. The thread is ending anyway.
        if (holds.count > ReadHolds::inlineCapacity)
            return;
        std::copy(holds.heap, holds.heap + holds.count, holds.inlineHolds);
        std::free(holds.heap);
        holds.heap = nullptr;
        holds.capacity = ReadHolds::inlineCapacity;
    }
};

void ReadHolds::append(const ReadHold &hold)
{
    if (count == capacity) {
        const int grown = capacity * 2;
        auto *moved = static_cast<ReadHold *>(std::malloc(sizeof(ReadHold) * size_t(grown)));
        if (!moved)
            qFatal("Out of memory for read locks");
        std::copy(begin(), end(), moved);
        if (!heap) {
            thread_local HeapReclaimer reclaimer;
            (void)reclaimer;
        }
        std::free(heap);
        heap = moved;
        capacity = grown;
    }
    begin()[count++] = hold;
}

ReadHold *findHold(const RecursiveReadWriteLock *lock)
{
    ReadHold *found = std::find_if(
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

bool RecursiveReadWriteLock::threadHoldsReadLocks()
{
    return t_readHolds.count > 0;
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
    t_readHolds.remove(hold);
    pthread_rwlock_unlock(&m_lock);
}

} // namespace LogEngine
