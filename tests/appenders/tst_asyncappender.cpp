#include "common/capturingappender.h"
#include "common/childprocess.h"
#include "engine/appenders/asyncappender.h"
#include "engine/appenders/listappender.h"
#include "engine/configuration/propertyconfigurator.h"
#include "engine/logger.h"
#include "engine/logmanager.h"
#include "filetesting.h"

#include <QTemporaryDir>
#include <QTest>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

using namespace LogEngine;
using namespace FileTesting;

namespace
{

// Records the events it is handed. While held, the first event stalls the
// delivering thread until `release`.
class GateAppender : public CapturingAppender
{
public:
    void hold()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_held = true;
    }
    void waitUntilStalled()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_stalled; });
    }
    void release()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_held = false;
        }
        m_changed.notify_all();
    }

protected:
    void append(const LoggingEvent &event) override
    {
        CapturingAppender::append(event);
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_held)
            return;
        m_stalled = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_held; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_held = false;
    bool m_stalled = false;
};

constexpr int producers = 2;
constexpr int linesPerProducer = 2000;

// Each producer's lines "tT nN", N counting up from 0.
void produce(const std::function<void(const QString &)> &log)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < producers; ++t) {
        threads.emplace_back([t, &log] {
            for (int n = 0; n < linesPerProducer; ++n)
                log(QStringLiteral("t%1 n%2").arg(t).arg(n));
        });
    }
    for (std::thread &thread : threads)
        thread.join();
}

// Empty when `lines` holds every producer's lines once, each producer's in
// order; otherwise what is wrong.
QString checkProduced(const QStringList &lines)
{
    std::vector<int> next(producers, 0);
    for (const QString &line : lines) {
        const int t = line.section(QLatin1Char(' '), 0, 0).mid(1).toInt();
        const int n = line.section(QLatin1Char(' '), 1, 1).mid(1).toInt();
        if (t < 0 || t >= producers || n != next[size_t(t)])
            return QStringLiteral("unexpected line '%1'").arg(line);
        ++next[size_t(t)];
    }
    for (int t = 0; t < producers; ++t) {
        if (next[size_t(t)] != linesPerProducer)
            return QStringLiteral("thread %1 has %2 lines").arg(t).arg(next[size_t(t)]);
    }
    return QString();
}

} // namespace

// Runs in a child: a configuration with an asynchronous appender in front
// of a buffered file, two threads log, and the process exits with the lines
// still queued. With ASYNC_STALLED a second appender behind it then stalls
// for good in a last line: the exit waits for it only so long.
int asyncExitScenario()
{
    writeFile(QStringLiteral("async.properties"),
        "log4j.logger.app=INFO, ASYNC\n"
        "log4j.appender.ASYNC=org.apache.log4j.AsyncAppender\n"
        "log4j.appender.ASYNC.BufferSize=16\n"
        "log4j.appender.ASYNC.appenders=FILE\n"
        "log4j.appender.FILE=org.apache.log4j.FileAppender\n"
        "log4j.appender.FILE.File=exit.log\n"
        "log4j.appender.FILE.ImmediateFlush=false\n"
        "log4j.appender.FILE.layout=org.apache.log4j.SimpleLayout\n");
    if (!PropertyConfigurator::configure(QStringLiteral("async.properties")))
        return 3;
    Logger *logger = LogManager::logger(QStringLiteral("app"));
    auto *async = qobject_cast<AsyncAppender *>(logger->appenders().value(0));
    if (!async || async->appenders().size() != 1)
        return 4;
    auto *gate = new GateAppender;
    async->addAppender(gate);
    produce([logger](const QString &line) { logger->info(line); });
    if (qEnvironmentVariableIsSet("ASYNC_STALLED")) {
        gate->hold();
        logger->info(QStringLiteral("stalls"));
        gate->waitUntilStalled();
    }
    return 0;
}

class tst_AsyncAppender : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void deliversEverythingBeforeItEnds_data();
    void deliversEverythingBeforeItEnds();
    void stalledAppenderFillsTheQueue_data();
    void stalledAppenderFillsTheQueue();
    void retiredWhileDrainingDropsLateEvents();
    void locationTravelsWhenAsked_data();
    void locationTravelsWhenAsked();
};

void tst_AsyncAppender::deliversEverythingBeforeItEnds_data()
{
    QTest::addColumn<QString>("end");
    QTest::newRow("close") << QStringLiteral("close");
    QTest::newRow("exit") << QStringLiteral("exit");
    // The exit waits for a stalled appender behind it only so long.
    QTest::newRow("exit, an appender stalled") << QStringLiteral("stalled");
}

// Blocking (the default) with a small queue: two threads log, and every
// line reaches the appender behind it, each thread's in order.
void tst_AsyncAppender::deliversEverythingBeforeItEnds()
{
    QFETCH(QString, end);
    if (end == QLatin1String("exit") || end == QLatin1String("stalled")) {
        QTemporaryDir dir;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LOGENGINE_DEBUG"), QStringLiteral("WARN"));
        if (end == QLatin1String("stalled"))
            environment.insert(QStringLiteral("ASYNC_STALLED"), QStringLiteral("1"));
        const ChildResult result = runChild(QStringLiteral("asyncexit"), environment, dir.path());
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(
            result.err.contains("Shutdown goes on without closing appender 'ASYNC'"), end == QLatin1String("stalled"));
        if (end == QLatin1String("stalled"))
            return; // the buffered file is held by the stalled thread
        QStringList lines;
        for (const QString &line : QString::fromUtf8(readFile(dir.filePath(QStringLiteral("exit.log"))))
                                       .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
            lines << line.mid(7); // "INFO - "
        const QString wrong = checkProduced(lines);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        return;
    }
    LogObjectPtr<GateAppender> gate(new GateAppender);
    LogObjectPtr<AsyncAppender> async(new AsyncAppender);
    async->setBufferSize(4);
    async->addAppender(gate);
    async->activate();
    produce([&async](const QString &line) { async->handleEvent(info(line)); });
    async->close(); // as its destruction does
    QVERIFY(async->appenders().isEmpty()); // released
    const QString wrong = checkProduced(gate->texts());
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}

void tst_AsyncAppender::stalledAppenderFillsTheQueue_data()
{
    QTest::addColumn<bool>("blocking");
    QTest::addColumn<int>("extra"); // events logged once the queue is full
    QTest::addColumn<QStringList>("delivered");
    const QStringList queued { QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
        QStringLiteral("4") };
    // The caller waits only once the queue is full: the test hangs if not.
    QTest::newRow("blocking") << true << 0 << queued;
    // Without blocking, a full queue discards; the count, a warning, follows
    // the last event queued before.
    QTest::newRow("discarding") << false << 3 << queued + QStringList { QStringLiteral("Discarded 3 events") };
}

// The appender behind stalls in its first event, a queue of 4 fills.
void tst_AsyncAppender::stalledAppenderFillsTheQueue()
{
    QFETCH(bool, blocking);
    QFETCH(int, extra);
    QFETCH(QStringList, delivered);
    LogObjectPtr<GateAppender> gate(new GateAppender);
    gate->hold();
    LogObjectPtr<AsyncAppender> async(new AsyncAppender);
    async->setBufferSize(4);
    async->setBlocking(blocking);
    async->addAppender(gate);
    async->activate();
    async->handleEvent(info(QStringLiteral("0")));
    gate->waitUntilStalled();
    for (int i = 1; i <= 4 + extra; ++i)
        async->handleEvent(info(QString::number(i)));
    gate->release();
    async->close();
    QCOMPARE(gate->texts(), delivered);
    QCOMPARE(gate->messages().last().level, int(blocking ? Level::INFO_INT : Level::WARN_INT));
}

// Retired while its queue drains (a run replacing it while threads log),
// it drops an event still on its way without a report.
void tst_AsyncAppender::retiredWhileDrainingDropsLateEvents()
{
    LogObjectPtr<GateAppender> gate(new GateAppender);
    gate->hold();
    LogObjectPtr<AsyncAppender> async(new AsyncAppender);
    async->setName(QStringLiteral("A"));
    async->addAppender(gate);
    async->activate();
    Capture errors(QStringLiteral("LogEngine::AsyncAppender"));
    errors.appender()->setThreshold(Level::ERROR_INT);
    async->handleEvent(info(QStringLiteral("queued")));
    gate->waitUntilStalled();
    AppenderSkeleton *skeleton = async.data(); // as a configuration run retires it
    std::thread retiring([skeleton] { skeleton->retire(); });
    while (!async->isClosed())
        std::this_thread::yield();
    async->handleEvent(info(QStringLiteral("late")));
    gate->release();
    retiring.join();
    QCOMPARE(errors->texts(), QStringList());
    QCOMPARE(gate->texts(), QStringList { QStringLiteral("queued") });
}

void tst_AsyncAppender::locationTravelsWhenAsked_data()
{
    QTest::addColumn<bool>("locationInfo");
    QTest::newRow("LocationInfo true") << true;
    QTest::newRow("LocationInfo false, the default") << false;
}

void tst_AsyncAppender::locationTravelsWhenAsked()
{
    QFETCH(bool, locationInfo);
    LogObjectPtr<ListAppender> list(new ListAppender);
    LogObjectPtr<AsyncAppender> async(new AsyncAppender);
    if (locationInfo)
        async->setLocationInfo(true);
    async->addAppender(list);
    async->activate();
    async->handleEvent(LoggingEvent(
        nullptr, Level(Level::INFO_INT), QStringLiteral("here"), SourceLocation(__FILE__, __LINE__, Q_FUNC_INFO)));
    async->close();
    QCOMPARE(list->list().size(), 1);
    QCOMPARE(list->list().first().hasLocation(), locationInfo);
}

QObject *newAsyncAppenderTest()
{
    return new tst_AsyncAppender;
}

#include "tst_asyncappender.moc"
