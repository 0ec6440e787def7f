#include "engine/recursivereadwritelock.h"

#include "engine/recursivemutex.h"

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
thread_local int t_writeHolds = 0; // write locks this thread holds, of any lock

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

// A thread holding no engine lock holds nobody up while it waits.
bool holdsEngineLock()
{
    return t_readHolds.count > 0 || t_writeHolds > 0 || RecursiveMutex::anyHeldByCurrentThread();
}

} // namespace

RecursiveReadWriteLock::RecursiveReadWriteLock()
{
    pthread_rwlockattr_t attributes;
    pthread_rwlockattr_init(&attributes);
#ifdef __GLIBC__
    // Readers inside a delivery must pass a waiting writer (see the class
    // comment); the gate holds back the others, so that a reset waiting for
    // a busy logger is not overtaken for ever.
    pthread_rwlockattr_setkind_np(&attributes, PTHREAD_RWLOCK_PREFER_READER_NP);
#endif
    pthread_rwlock_init(&m_lock, &attributes);
    pthread_rwlockattr_destroy(&attributes);
    pthread_mutex_init(&m_gate, nullptr);
    pthread_cond_init(&m_writersGone, nullptr);
}

RecursiveReadWriteLock::~RecursiveReadWriteLock()
{
    pthread_cond_destroy(&m_writersGone);
    pthread_mutex_destroy(&m_gate);
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
    if (!holdsEngineLock()) {
        waitWhileWritersWait();
        pthread_rwlock_rdlock(&m_lock);
    } else if (pthread_rwlock_tryrdlock(&m_lock) != 0) {
        // The lock prefers readers, so only a writer inside it refuses the
        // try, and such a writer waits for nothing this thread holds (see
        // the class comment). Taken by the try, the lock adds no order edge
        // to the thread sanitizer's deadlock detector: reporting takes
        // loggers in any order, safely so, since such a reader never queues
        // behind a waiting writer.
        pthread_rwlock_rdlock(&m_lock);
    }
    t_readHolds.append(ReadHold { this, 1 });
}

void RecursiveReadWriteLock::waitWhileWritersWait()
{
    if (m_writersWaiting.load(std::memory_order_acquire) == 0)
        return;
    pthread_mutex_lock(&m_gate);
    while (m_writersWaiting.load(std::memory_order_acquire) > 0)
        pthread_cond_wait(&m_writersGone, &m_gate);
    pthread_mutex_unlock(&m_gate);
}

void RecursiveReadWriteLock::lockForWrite()
{
    if (m_writer.load(std::memory_order_relaxed) == currentThread()) {
        ++m_writeDepth;
        return;
    }
    Q_ASSERT_X(!findHold(this), "RecursiveReadWriteLock::lockForWrite", "write lock asked while holding a read lock");
    m_writersWaiting.fetch_add(1, std::memory_order_acq_rel);
    pthread_rwlock_wrlock(&m_lock);
    // Under the gate's mutex, so that no reader misses the wake-up between
    // its test and its wait.
    pthread_mutex_lock(&m_gate);
    if (m_writersWaiting.fetch_sub(1, std::memory_order_acq_rel) == 1)
        pthread_cond_broadcast(&m_writersGone);
    pthread_mutex_unlock(&m_gate);
    m_writer.store(currentThread(), std::memory_order_relaxed);
    m_writeDepth = 1;
    ++t_writeHolds;
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
            --t_writeHolds;
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

bool RecursiveReadWriteLock::heldForReadingOnly() const
{
    return m_writer.load(std::memory_order_relaxed) != currentThread() && findHold(this);
}

} // namespace LogEngine
