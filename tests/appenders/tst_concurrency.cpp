#include "engine/appenders/appenderskeleton.h"
#include "engine/appenders/listappender.h"
#include "engine/appenders/writerappender.h"
#include "engine/hierarchy.h"
#include "engine/layouts/simplelayout.h"
#include "engine/logger.h"

#include <QBuffer>
#include <QHash>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
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
    void loggingWhileReconfiguring();
    void resetWhileAnAppenderLooksUpLoggers();
    void changesWaitForNoDelivery();
};

// Threads log through one writer appender while another thread attaches and
// detaches appenders on the same loggers and resets a second hierarchy that
// shares the appender. Every line must arrive once, whole.
void tst_Concurrency::loggingWhileReconfiguring()
{
    constexpr int threads = 3;
    constexpr int perThread = 3000;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QTextStream stream(&buffer);
    LogObjectPtr<WriterAppender> writer(new WriterAppender(new SimpleLayout));
    writer->setWriter(&stream);
    writer->activate();

    Hierarchy logging;
    Logger *target = logging.logger(QStringLiteral("work::item"));
    target->addAppender(writer);
    Hierarchy churned;

    std::atomic<bool> done { false };
    std::thread mutator([&] {
        int round = 0;
        while (!done.load()) {
            LogObjectPtr<ListAppender> extra(new ListAppender);
            target->addAppender(extra);
            logging.logger(QStringLiteral("work"))->addAppender(extra);
            Logger *other = churned.logger(QStringLiteral("other::%1").arg(round++ % 5));
            other->addAppender(writer);
            other->addAppender(new ListAppender);
            other->setLevel(Level::OFF_INT); // shared writer, but nothing logged through here
            target->removeAppender(extra.data());
            logging.logger(QStringLiteral("work"))->removeAllAppenders();
            churned.resetConfiguration();
        }
    });
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([target, t] {
            for (int i = 0; i < perThread; ++i)
                target->info("thread %1 line %2 with some padding text", t, i);
        });
    }
    for (std::thread &worker : workers)
        worker.join();
    done.store(true);
    mutator.join();
    target->removeAppender(writer.data());

    stream.flush();
    const QList<QByteArray> lines = buffer.data().split('\n');
    QCOMPARE(lines.last(), QByteArray());
    QHash<QByteArray, int> seen;
    for (int i = 0; i + 1 < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        QVERIFY2(line.startsWith("INFO - thread ") && line.endsWith(" with some padding text\r"), line.constData());
        QVERIFY2(++seen[line] == 1, line.constData());
    }
    QCOMPARE(seen.size(), threads * perThread);
}

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
// its timeout). The waits are reported.
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
    std::vector<double> waits;
    waits.reserve(changes);
    const auto timed = [&waits](const std::function<void()> &change) {
        const auto start = std::chrono::steady_clock::now();
        change();
        waits.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    };
    for (int i = 0; i < changes / 2; ++i) {
        LogObjectPtr<ListAppender> passing(new ListAppender);
        timed([&] { root->addAppender(passing); });
        timed([&] { root->removeAppender(passing.data()); });
    }
    done.store(true);
    for (std::thread &worker : workers)
        worker.join();
    std::sort(waits.begin(), waits.end());
    double sum = 0;
    for (double wait : waits)
        sum += wait;
    qInfo("%d changes of the root's appenders under %d logging threads: worst %.3f ms, median %.4f ms, mean %.4f ms",
        changes, threads, waits.back(), waits[waits.size() / 2], sum / double(waits.size()));
    QCOMPARE(root->appenders(), QList<Appender *> { kept.data() });
}

QObject *newConcurrencyTest()
{
    return new tst_Concurrency;
}

#include "tst_concurrency.moc"
