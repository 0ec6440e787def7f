#ifndef LOGENGINE_SCOPEDLOCK_H
#define LOGENGINE_SCOPEDLOCK_H

#include <QMutex>
#include <QReadWriteLock>
#include <QRecursiveMutex>

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
 * Holds one of Qt's locks for a scope. Qt's locks wait in a library that the
 * thread sanitizer does not instrument, so in such a build each acquisition
 * and release is announced to it; otherwise this is a plain Qt locker.
 */
class ScopedLock
{
public:
    enum Mode { Read, Write };

    ScopedLock(QReadWriteLock *lock, Mode mode)
        : m_lock(lock)
        , m_kind(mode == Read ? ReadKind : WriteKind)
    {
        if (mode == Read)
            lock->lockForRead();
        else
            lock->lockForWrite();
        acquired();
    }
    explicit ScopedLock(QRecursiveMutex *mutex)
        : m_lock(mutex)
        , m_kind(RecursiveKind)
    {
        mutex->lock();
        acquired();
    }
    explicit ScopedLock(QMutex *mutex)
        : m_lock(mutex)
        , m_kind(MutexKind)
    {
        mutex->lock();
        acquired();
    }
    ~ScopedLock()
    {
#ifdef LOGENGINE_TSAN
        __tsan_release(m_lock);
#endif
        switch (m_kind) {
        case ReadKind:
        case WriteKind:
            static_cast<QReadWriteLock *>(m_lock)->unlock();
            break;
        case RecursiveKind:
            static_cast<QRecursiveMutex *>(m_lock)->unlock();
            break;
        case MutexKind:
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
    enum Kind { ReadKind, WriteKind, RecursiveKind, MutexKind };

    void acquired()
    {
        acquired(m_lock);
    }

    void *m_lock;
    Kind m_kind;

    Q_DISABLE_COPY(ScopedLock)
};

} // namespace LogEngine

#endif
