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
 * or writing, as often as it likes.
 *
 * It exists because every delivered event takes one read lock per logger it
 * passes: Qt's recursive QReadWriteLock serialises its readers on an inner
 * mutex and records each in a hash, which costs more than formatting the
 * line. Here a thread's re-entries are counted in its own thread-local table
 * and never touch shared memory; only its first acquisition takes the
 * underlying POSIX lock, a single atomic operation when uncontended.
 *
 * Writers wait for the readers in progress and take precedence over readers
 * that arrive after them, but only over readers that hold no other engine
 * lock (no read-write lock and no appender mutex). A thread already inside
 * a delivery takes its further read locks in whatever order reporting leads
 * it (an appender of "LogEngine" reporting on "LogEngine::X" takes the child
 * after the parent); were it to queue behind a waiting writer, two such
 * threads and two writers could wait for one another in a circle. So a
 * reader holding engine locks waits only while a writer actually holds the
 * lock; a writer inside a logger's lock waits for nothing, and the
 * repository's lock, whose writer does wait for loggers, is never asked for
 * by a thread holding a logger's lock. This relies on glibc's lock kind that
 * lets readers pass waiting writers; elsewhere the platform's default holds.
 *
 * A thread that holds the write lock may also take read locks (counted as
 * re-entries of its write lock). A thread that holds only a read lock must
 * not ask for the write lock: that would wait for itself. Callers check
 * `heldForReadingOnly` first and refuse.
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
    /*! Whether the calling thread holds a read lock of this lock but not its write lock. */
    bool heldForReadingOnly() const;

private:
    static const void *currentThread();
    void waitWhileWritersWait();

    pthread_rwlock_t m_lock;
    // Writers waiting for `m_lock`. Readers that hold no other engine lock
    // wait on `m_writersGone` while it is not zero.
    std::atomic<int> m_writersWaiting { 0 };
    pthread_mutex_t m_gate;
    pthread_cond_t m_writersGone;
    // The thread holding the write lock, or null. Other threads only compare
    // it with themselves, so no ordering is needed beyond atomicity.
    std::atomic<const void *> m_writer { nullptr };
    int m_writeDepth = 0; // touched by the writer only

    Q_DISABLE_COPY(RecursiveReadWriteLock)
};

} // namespace LogEngine

#endif
