#ifndef LOGENGINE_SCOPEDLOCK_H
#define LOGENGINE_SCOPEDLOCK_H

#include "engine/detail/recursivemutex.h"

#include <QMutex>

#if defined(__SANITIZE_THREAD__)
#define LOGENGINE_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define LOGENGINE_TSAN 1
#endif
#endif

#ifdef LOGENGINE_TSAN
extern "C" void __tsan_acquire(void *address);
extern "C" void __tsan_release(void *address);
#endif

namespace LogEngine
{

/*!
 * \internal
 * Holds a lock for a scope. Qt's mutexes wait in a library that the thread
 * sanitizer does not instrument, so in such a build each of their
 * acquisitions and releases is announced to it. The appenders' mutex rests
 * on a POSIX mutex, which the sanitizer sees by itself.
 */
class ScopedLock
{
public:
    explicit ScopedLock(RecursiveMutex *mutex)
        : m_lock(mutex)
        , m_kind(RecursiveKind)
    {
        mutex->lock();
    }
    explicit ScopedLock(QMutex *mutex)
        : m_lock(mutex)
        , m_kind(MutexKind)
    {
        mutex->lock();
        acquired(m_lock);
    }
    ~ScopedLock()
    {
        switch (m_kind) {
        case RecursiveKind:
            static_cast<RecursiveMutex *>(m_lock)->unlock();
            break;
        case MutexKind:
            releasing(m_lock);
            static_cast<QMutex *>(m_lock)->unlock();
            break;
        }
    }

    /*! For locks taken by other means (a try-lock): announce them the same way. */
    static void acquired(void *lock)
    {
#ifdef LOGENGINE_TSAN
        __tsan_acquire(lock);
#else
        Q_UNUSED(lock)
#endif
    }
    static void releasing(void *lock)
    {
#ifdef LOGENGINE_TSAN
        __tsan_release(lock);
#else
        Q_UNUSED(lock)
#endif
    }

private:
    enum Kind { RecursiveKind, MutexKind };

    void *m_lock;
    Kind m_kind;

    Q_DISABLE_COPY(ScopedLock)
};

} // namespace LogEngine

#endif
