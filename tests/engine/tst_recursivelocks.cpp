#include "engine/recursivemutex.h"
#include "engine/recursivereadwritelock.h"
#include "engine/scopedlock.h"

#include <QFile>
#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>
#include <vector>

#include <sys/syscall.h>
#include <unistd.h>

using LogEngine::RecursiveMutex;
using LogEngine::RecursiveReadWriteLock;
using LogEngine::ScopedLock;

namespace
{

// Whether thread `tid` of this process sleeps in the futex call, which a
// thread that only takes a lock does once it waits for it.
bool waitsOnFutex(pid_t tid)
{
    QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(tid));
    QFile call(QStringLiteral("/proc/self/task/%1/syscall").arg(tid));
    if (!stat.open(QIODevice::ReadOnly) || !call.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    // The state follows the parenthesised command name, which may hold spaces.
    const int end = text.lastIndexOf(')');
    return end >= 0 && text.mid(end + 2, 1) == "S"
        && call.readAll().startsWith(QByteArray(QByteArray::number(SYS_futex) + ' '));
}

} // namespace

// A broken lock shows up here as a hang (caught by the test timeout) or as
// a lost update; under the thread sanitizer also as a reported race.
class tst_RecursiveLocks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readReentryPassesWaitingWriter();
    void writerReentryAndReadInsideWrite();
    void writersExcludeReadersAndWriters();
    void nestedReadsOfDifferentLocksReleaseIndependently();
    void deepNestingOutgrowsInlineTable();
    void mutexReentryAndExclusion();
};

void tst_RecursiveLocks::readReentryPassesWaitingWriter()
{
    RecursiveReadWriteLock lock;
    std::atomic<pid_t> writerId { 0 };
    std::atomic<bool> readerDone { false };
    bool writerSawReaderDone = false;

    lock.lockForRead();
    std::thread writer([&] {
        writerId = static_cast<pid_t>(syscall(SYS_gettid));
        ScopedLock locker(&lock, ScopedLock::Write);
        writerSawReaderDone = readerDone.load();
    });
    // Once the writer waits, a lock that lets a waiting writer block
    // re-entry would deadlock this thread below.
    while (!writerId || !waitsOnFutex(writerId))
        QThread::yieldCurrentThread();
    lock.lockForRead();
    lock.lockForRead();
    lock.unlock();
    lock.unlock();
    readerDone = true;
    lock.unlock();
    writer.join();
    QVERIFY(writerSawReaderDone);
}

void tst_RecursiveLocks::writerReentryAndReadInsideWrite()
{
    RecursiveReadWriteLock lock;
    int value = 0;
    {
        ScopedLock outer(&lock, ScopedLock::Write);
        ScopedLock inner(&lock, ScopedLock::Write);
        ScopedLock read(&lock, ScopedLock::Read);
        value = 1;
    }
    // Fully released: another thread gets both kinds.
    std::thread other([&] {
        {
            ScopedLock locker(&lock, ScopedLock::Write);
            ++value;
        }
        ScopedLock locker(&lock, ScopedLock::Read);
        ++value;
    });
    other.join();
    QCOMPARE(value, 3);
}

void tst_RecursiveLocks::writersExcludeReadersAndWriters()
{
    RecursiveReadWriteLock lock;
    // Two fields a writer keeps equal; a reader that sees them differ has
    // overlapped a writer.
    qint64 first = 0;
    qint64 second = 0;
    std::atomic<int> tornReads { 0 };
    constexpr int rounds = 20000;
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < rounds; ++i) {
                ScopedLock locker(&lock, ScopedLock::Write);
                ++first;
                ScopedLock again(&lock, ScopedLock::Read);
                ++second;
            }
        });
        threads.emplace_back([&] {
            for (int i = 0; i < rounds; ++i) {
                ScopedLock locker(&lock, ScopedLock::Read);
                ScopedLock again(&lock, ScopedLock::Read);
                if (first != second)
                    ++tornReads;
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    QCOMPARE(tornReads.load(), 0);
    QCOMPARE(first, qint64(2 * rounds));
    QCOMPARE(second, qint64(2 * rounds));
}

void tst_RecursiveLocks::nestedReadsOfDifferentLocksReleaseIndependently()
{
    // Delivery holds one read lock per logger of the chain and releases
    // them innermost first; a release out of that order must not leave
    // another lock's hold behind.
    RecursiveReadWriteLock a, b, c;
    a.lockForRead();
    b.lockForRead();
    c.lockForRead();
    b.lockForRead();
    b.unlock();
    b.unlock(); // b released while c is still held
    int written = 0;
    std::thread writer([&] {
        ScopedLock locker(&b, ScopedLock::Write);
        ++written;
    });
    writer.join();
    QCOMPARE(written, 1);
    c.unlock();
    a.unlock();
    std::thread writers([&] {
        ScopedLock lockA(&a, ScopedLock::Write);
        ScopedLock lockC(&c, ScopedLock::Write);
        ++written;
    });
    writers.join();
    QCOMPARE(written, 2);
}

void tst_RecursiveLocks::deepNestingOutgrowsInlineTable()
{
    // A deep logger chain holds more read locks than the inline table has
    // room for; re-entry must still be found and every lock released.
    constexpr int depth = 40;
    std::vector<RecursiveReadWriteLock> locks(depth);
    int written = 0;
    std::thread reader([&] {
        for (RecursiveReadWriteLock &lock : locks)
            lock.lockForRead();
        for (RecursiveReadWriteLock &lock : locks) {
            lock.lockForRead();
            lock.unlock();
        }
        for (auto lock = locks.rbegin(); lock != locks.rend(); ++lock)
            lock->unlock();
    });
    reader.join();
    for (RecursiveReadWriteLock &lock : locks) {
        ScopedLock locker(&lock, ScopedLock::Write);
        ++written;
    }
    QCOMPARE(written, depth);
}

void tst_RecursiveLocks::mutexReentryAndExclusion()
{
    RecursiveMutex mutex;
    qint64 counter = 0;
    constexpr int rounds = 20000;
    auto work = [&] {
        for (int i = 0; i < rounds; ++i) {
            ScopedLock outer(&mutex);
            ScopedLock inner(&mutex);
            ++counter;
        }
    };
    std::thread one(work);
    std::thread two(work);
    one.join();
    two.join();
    QCOMPARE(counter, qint64(2 * rounds));
}

QObject *newRecursiveLocksTest()
{
    return new tst_RecursiveLocks;
}

#include "tst_recursivelocks.moc"
