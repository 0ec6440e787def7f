#ifndef LOGENGINE_RECURSIVEREADWRITELOCK_H
#define LOGENGINE_RECURSIVEREADWRITELOCK_H

#include <QtGlobal>

#include <atomic>
#include <pthread.h>

namespace LogEngine
{

/*!
 * \internal
 * A read-write lock that the thread holding it may take again, for reading
 * or writing, as often as it likes; writers wait for the readers in progress
 * and take precedence over readers that arrive after them.
 *
 * It exists because every delivered event takes one read lock per logger it
 * passes: Qt's recursive QReadWriteLock serialises its readers on an inner
 * mutex and records each in a hash, which costs more than formatting the
 * line. Here a thread's re-entries are counted in its own thread-local table
 * and never touch shared memory; only its first acquisition takes the
 * underlying POSIX lock, a single atomic operation when uncontended. Since
 * re-entry never waits, a writer queued between a thread's outer and inner
 * read lock cannot deadlock it, which makes writer preference safe.
 *
 * A thread that holds the write lock may also take read locks (counted as
 * re-entries of its write lock). A thread that holds only a read lock must
 * not ask for the write lock: that would wait for itself.
 */
class RecursiveReadWriteLock
{
public:
    RecursiveReadWriteLock();
    ~RecursiveReadWriteLock();

    void lockForRead();
    void lockForWrite();
    /*! Releases the innermost acquisition of the calling thread. */
    void unlock();

    /*! Whether the calling thread holds a read lock of any of these locks. */
    static bool threadHoldsReadLocks();

private:
    static const void *currentThread();

    pthread_rwlock_t m_lock;
    // The thread holding the write lock, or null. Other threads only compare
    // it with themselves, so no ordering is needed beyond atomicity.
    std::atomic<const void *> m_writer { nullptr };
    int m_writeDepth = 0; // touched by the writer only

    Q_DISABLE_COPY(RecursiveReadWriteLock)
};

} // namespace LogEngine

#endif
