#ifndef LOGENGINE_RECURSIVEMUTEX_H
#define LOGENGINE_RECURSIVEMUTEX_H

#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <pthread.h>

namespace LogEngine
{

/*!
 * \internal
 * A mutex that its owner may lock again: an appender's operations call one
 * another under its lock. An appender holds it while it formats and writes
 * one line, a fraction of a microsecond, so a thread that finds it taken
 * spins briefly before it sleeps: handing the lock over through the kernel
 * would cost several times the line itself.
 */
class RecursiveMutex
{
public:
    RecursiveMutex();
    ~RecursiveMutex();

    void lock();
    /*! Locks unless another thread holds it until `deadline`; true when locked. */
    bool tryLockUntil(std::chrono::steady_clock::time_point deadline);
    void unlock();

private:
    static const void *currentThread();
    bool lockedAgain();
    void locked();

    pthread_mutex_t m_mutex;
    // Compared by other threads with themselves only, so relaxed suffices.
    std::atomic<const void *> m_owner { nullptr };
    int m_depth = 0; // touched by the owner only

    Q_DISABLE_COPY(RecursiveMutex)
};

} // namespace LogEngine

#endif
