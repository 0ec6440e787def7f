#include "engine/logger.h"
#include "engine/logmanager.h"
#include "qorvlogger.h"

#include <QTest>

#include <atomic>
#include <thread>

using namespace LogEngine;

class tst_QORVLogger : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answersFollowLevelChangesWhileOthersLog();
};

// Threads log through handles on a child while another thread changes the
// parent's level and the threshold; once the changes end, every handle
// answers what the engine logger lets through, though each kept an answer
// made under an older level.
void tst_QORVLogger::answersFollowLevelChangesWhileOthersLog()
{
    Logger *parent = LogManager::logger(QStringLiteral("handles::race"));
    Logger *child = LogManager::logger(QStringLiteral("handles::race::child"));
    parent->setLevel(Level::WARN_INT);
    const QORVLogger handle("handles::race::child");
    QVERIFY(!handle.isInfoEnabled());
    std::atomic<bool> done { false };
    auto work = [&] {
        const QORVLogger copy = handle;
        while (!done.load()) {
            QORVLOG_INFO(copy, "%1", 1);
            QORVLOG_DEBUG(QORVLogger("handles::race::child"), "%1", 2);
        }
    };
    std::thread first(work);
    std::thread second(work);
    constexpr int levels[] = { Level::TRACE_INT, Level::DEBUG_INT, Level::INFO_INT, Level::ERROR_INT };
    for (int round = 0; round < 400; ++round) {
        parent->setLevel(levels[round % 4]);
        LogManager::loggerRepository()->setThreshold(Level(round % 3 ? Level::NULL_INT : Level::INFO_INT));
    }
    parent->setLevel(Level::DEBUG_INT);
    LogManager::loggerRepository()->setThreshold(Level(Level::NULL_INT));
    done.store(true);
    first.join();
    second.join();
    QVERIFY(handle.isDebugEnabled() && !handle.isTraceEnabled());
    QCOMPARE(handle.isDebugEnabled(), child->isDebugEnabled());
    parent->setLevel(Level::OFF_INT);
    QVERIFY(!handle.isFatalEnabled());
    parent->setLevel(Level::NULL_INT);
}

QObject *newQORVLoggerTest()
{
    return new tst_QORVLogger;
}

#include "tst_qorvlogger.moc"
