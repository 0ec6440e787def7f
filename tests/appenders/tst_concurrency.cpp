#include "engine/appenders/appenderskeleton.h"
#include "engine/appenders/fileappender.h"
#include "engine/appenders/listappender.h"
#include "engine/hierarchy.h"
#include "engine/layouts/patternlayout.h"
#include "engine/logger.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

using namespace LogEngine;

namespace
{

// Runs an action for each event, on the delivering thread.
class ActingAppender : public AppenderSkeleton
{
public:
    explicit ActingAppender(std::function<void()> action)
        : m_action(std::move(action))
    {
    }
    bool requiresLayout() const override { return false; }
    QDebug debug(QDebug &debug) const override { return debug << "ActingAppender()"; }

protected:
    void append(const LoggingEvent &) override { m_action(); }

private:
    std::function<void()> m_action;
};

} // namespace

class tst_Concurrency : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wholeLinesInOrder_data();
    void wholeLinesInOrder();
    void resetWhileAnAppenderLooksUpLoggers();
    void changesWaitForNoDelivery();
};

// An appender that looks a logger up from inside its delivery, while
// another thread resets the repository again and again: the reset must
// never hold the repository's lock while it waits for a delivery.
void tst_Concurrency::resetWhileAnAppenderLooksUpLoggers()
{
    constexpr int resets = 300;
    Hierarchy hierarchy;
    Logger *logger = hierarchy.logger(QStringLiteral("work::item"));
    std::atomic<int> lookups { 0 };
    LogObjectPtr<ActingAppender> lookingUp(new ActingAppender([&] {
        hierarchy.logger(QStringLiteral("work"));
        lookups.fetch_add(1);
    }));
    std::atomic<bool> done { false };
    std::thread worker([&] {
        while (!done.load())
            logger->info("looks up a logger");
    });
    for (int i = 0; i < resets; ++i) {
        logger->addAppender(lookingUp);
        // Each reset races a delivery in progress.
        const int before = lookups.load();
        while (lookups.load() == before)
            std::this_thread::yield();
        hierarchy.resetConfiguration();
    }
    done.store(true);
    worker.join();
    QVERIFY(logger->appenders().isEmpty());
}

// Sixteen threads log without pause, each through a logger with an
// appender of its own and on up to the root; meanwhile the root's
// appenders change, again and again. No change may wait for a moment
// without deliveries: the logging threads stop only once every change is
// done, so a change that waits for them never ends (and fails the test by
// its timeout).
void tst_Concurrency::changesWaitForNoDelivery()
{
    constexpr int threads = 16;
    constexpr int changes = 400;
    Hierarchy hierarchy;
    Logger *root = hierarchy.rootLogger();
    LogObjectPtr<ListAppender> kept(new ListAppender);
    kept->setMaxCount(1);
    root->addAppender(kept);
    std::atomic<bool> done { false };
    std::atomic<int> running { 0 };
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            Logger *logger = hierarchy.logger(QStringLiteral("busy::t%1").arg(t));
            LogObjectPtr<ListAppender> own(new ListAppender);
            own->setMaxCount(1);
            logger->addAppender(own);
            running.fetch_add(1);
            while (!done.load())
                logger->info("busy");
            logger->removeAllAppenders();
        });
    }
    while (running.load() < threads)
        std::this_thread::yield();
    for (int i = 0; i < changes / 2; ++i) {
        LogObjectPtr<ListAppender> passing(new ListAppender);
        root->addAppender(passing);
        root->removeAppender(passing.data());
    }
    done.store(true);
    for (std::thread &worker : workers)
        worker.join();
    QCOMPARE(root->appenders(), QList<Appender *> { kept.data() });
}

void tst_Concurrency::wholeLinesInOrder_data()
{
    QTest::addColumn<bool>("immediateFlush");
    QTest::addColumn<bool>("replaceLayout");
    QTest::newRow("flush after every line") << true << false;
    QTest::newRow("buffered") << false << false;
    // Once the new layout is set, no line in the old one follows.
    QTest::newRow("layout replaced meanwhile") << false << true;
}

// Eight threads log through one file appender: every line is in the file
// once and whole, and each thread's lines are in the order it logged them.
void tst_Concurrency::wholeLinesInOrder()
{
    QFETCH(bool, immediateFlush);
    QFETCH(bool, replaceLayout);
    constexpr int threads = 8;
    constexpr int perThread = 1500;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("app.log"));
    LogObjectPtr<FileAppender> file(new FileAppender(new PatternLayout(QStringLiteral("A %m%n")), path));
    file->setImmediateFlush(immediateFlush);
    file->activate();
    Hierarchy logging;
    Logger *target = logging.logger(QStringLiteral("work"));
    target->addAppender(file);
    // With a replacement, each thread's last line waits for it.
    std::atomic<int> logged { 0 };
    std::atomic<bool> replaced { !replaceLayout };
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([target, t, &logged, &replaced] {
            for (int i = 0; i < perThread; ++i) {
                if (i == perThread - 1) {
                    while (!replaced.load())
                        std::this_thread::yield();
                }
                target->info("thread %1 line %2 with some padding text", t, i);
                logged.fetch_add(1, std::memory_order_relaxed);
            }
        });
    }
    if (replaceLayout) {
        while (logged.load(std::memory_order_relaxed) < threads * perThread / 2)
            std::this_thread::yield();
        file->setLayout(new PatternLayout(QStringLiteral("B %m%n")));
        replaced.store(true);
    }
    for (std::thread &worker : workers)
        worker.join();
    file->close();

    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = written.readAll().split('\n');
    QCOMPARE(lines.size(), threads * perThread + 1);
    QCOMPARE(lines.last(), QByteArray());
    const QRegularExpression whole(QStringLiteral("^([AB]) thread (\\d) line (\\d+) with some padding text\r$"));
    std::vector<int> next(threads, 0);
    bool seenNew = false;
    for (int i = 0; i + 1 < lines.size(); ++i) {
        const QRegularExpressionMatch match = whole.match(QString::fromLatin1(lines.at(i)));
        QVERIFY2(match.hasMatch(), lines.at(i).constData());
        seenNew = seenNew || match.captured(1) == QLatin1String("B");
        QVERIFY2(!seenNew || match.captured(1) == QLatin1String("B"), lines.at(i).constData());
        const size_t t = size_t(match.captured(2).toInt());
        QVERIFY2(match.captured(3).toInt() == next[t]++, lines.at(i).constData());
    }
    QCOMPARE(seenNew, replaceLayout);
}

QObject *newConcurrencyTest()
{
    return new tst_Concurrency;
}

#include "tst_concurrency.moc"
