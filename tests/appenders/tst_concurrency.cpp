#include "engine/appenders/listappender.h"
#include "engine/appenders/writerappender.h"
#include "engine/hierarchy.h"
#include "engine/layouts/simplelayout.h"
#include "engine/logger.h"

#include <QBuffer>
#include <QHash>
#include <QTest>
#include <atomic>
#include <thread>
#include <vector>

using namespace LogEngine;

class tst_Concurrency : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loggingWhileReconfiguring();
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

QObject *newConcurrencyTest()
{
    return new tst_Concurrency;
}

#include "tst_concurrency.moc"
