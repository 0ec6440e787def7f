#include "common/capturingappender.h"
#include "common/childprocess.h"
#include "engine/appenders/consoleappender.h"
#include "engine/appenders/fileappender.h"
#include "engine/appenders/listappender.h"
#include "engine/layouts/simplelayout.h"
#include "engine/logger.h"
#include "engine/logmanager.h"
#include "startupchild.h"

#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

using namespace LogEngine;

namespace
{

// A configurator list survives every reset, so it sees each shutdown.
class EchoingListAppender : public ListAppender
{
protected:
    void append(const LoggingEvent &event) override
    {
        ListAppender::append(event);
        const QByteArray line = "echo: " + event.message().toUtf8() + '\n';
        std::fputs(line.constData(), stdout);
        std::fflush(stdout);
    }
};

// Raises a Qt warning while the appender formats, with the loggers' locks held.
class WarningLayout : public SimpleLayout
{
public:
    QString format(const LoggingEvent &event) override
    {
        qWarning("boom %d", 1);
        return SimpleLayout::format(event);
    }
};

// Raises a Qt warning from inside its delivery.
class WarningAppender : public AppenderSkeleton
{
public:
    bool requiresLayout() const override { return false; }
    QDebug debug(QDebug &debug) const override { return debug << "WarningAppender()"; }

protected:
    void append(const LoggingEvent &) override { qWarning("raised while delivering"); }
};

QStringList s_previousHandlerMessages;

void recordingHandler(QtMsgType, const QMessageLogContext &, const QString &message)
{
    s_previousHandlerMessages.append(message);
}

} // namespace

// In this child the engine comes up while the executable loads, before the
// application object exists, as it does when the library loads.
const bool s_startedAtLoad = qgetenv("QORVLOG_CHILD") == "internal-streams" && LogManager::instance();

// Child: internal messages of every level, then a normal exit.
int internalStreamsScenario()
{
    if (!s_startedAtLoad)
        return 2;
    LogManager::internalLogger()->setLevel(Level::DEBUG_INT);
    Logger *probe = LogManager::logger(QStringLiteral("LogEngine::Probe"));
    auto *survivor = new EchoingListAppender;
    survivor->setConfiguratorList(true);
    LogManager::logger(QStringLiteral("LogEngine::LoggerRepository"))->addAppender(survivor);
    probe->trace("trace text");
    probe->debug("debug text");
    probe->info("info text");
    probe->warn("warn text");
    probe->error("error text");
    probe->fatal("fatal text");
    return 0;
}

// Child: one Qt message, chosen by QORVLOG_QT_MESSAGE, with handling on.
int qtMessageScenario()
{
    auto *out = new ConsoleAppender(new SimpleLayout, ConsoleAppender::STDOUT_TARGET);
    out->activate();
    LogManager::qtMessageLogger()->addAppender(out);
    LogManager::setHandleQtMessages(true);
    const QByteArray kind = qgetenv("QORVLOG_QT_MESSAGE");
    if (kind == "fatal")
        qFatal("boom %d", 1);
    else if (kind == "warning")
        qWarning("boom %d", 1);
    else if (kind == "warning-in-delivery") {
        auto *warning = new ConsoleAppender(new WarningLayout, ConsoleAppender::STDOUT_TARGET);
        warning->activate();
        LogManager::logger(QStringLiteral("app"))->addAppender(warning);
        LogManager::logger(QStringLiteral("app"))->info("hello");
    } else
        qDebug("boom %d", 1);
    std::fputs("returned\n", stdout);
    return 0;
}

// Child: a thread logs through an appender that raises a Qt warning, with
// Qt messages handled, while main shuts the engine down again and again
// (QORVLOG_RACE=shutdown) or returns (QORVLOG_RACE=exit).
int qtWarningRaceScenario()
{
    Logger *logger = LogManager::logger(QStringLiteral("race"));
    logger->setAdditivity(false);
    const auto attach = [logger] {
        LogManager::setHandleQtMessages(true);
        logger->addAppender(new WarningAppender);
    };
    attach();
    // Static: the thread may outlive main.
    static std::atomic<bool> done { false };
    static std::atomic<int> delivered { 0 };
    std::thread worker([logger] {
        while (!done.load()) {
            logger->info("raises a warning");
            delivered.fetch_add(1);
        }
    });
    // Started, so the shutdown races a delivery.
    while (delivered.load() < 10)
        std::this_thread::yield();
    if (qgetenv("QORVLOG_RACE") == "exit") {
        worker.detach();
        return 0;
    }
    for (int i = 0; i < 200; ++i) {
        LogManager::shutdown();
        attach();
        const int before = delivered.load();
        while (delivered.load() == before)
            std::this_thread::yield();
    }
    done.store(true);
    worker.join();
    return 0;
}

// Child: several threads make the first call at once.
int firstUseRaceScenario()
{
    constexpr int threadCount = 4;
    std::atomic<int> ready { 0 };
    std::atomic<bool> go { false };
    LogManager *seen[threadCount] = {};
    std::vector<std::thread> threads;
    for (int i = 0; i < threadCount; ++i) {
        threads.emplace_back([&, i] {
            ready.fetch_add(1);
            while (!go.load())
                std::this_thread::yield();
            LogManager::logger(QStringLiteral("race::") + QString::number(i));
            seen[i] = LogManager::instance();
        });
    }
    while (ready.load() < threadCount)
        std::this_thread::yield();
    go.store(true);
    for (std::thread &thread : threads)
        thread.join();
    for (LogManager *manager : seen) {
        if (manager != seen[0])
            return 2;
    }
    return appenderNames(LogManager::internalLogger()).size() == 2 ? 0 : 3;
}

class tst_LogManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wholeProcesses_data();
    void wholeProcesses();
    void qtMessageHandlingInstallsOnceAndRestores();
    void shutdownAndExitRaceAWarningFromADelivery_data();
    void shutdownAndExitRaceAWarningFromADelivery();
    void resetReequipsTheInternalLogger();
};

// What only a whole process shows: its standard streams and how it ends.
void tst_LogManager::wholeProcesses_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QStringList>("variables");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");
    const QByteArray none;
    // Up to INFO on standard output, from WARN on standard error, each once,
    // in the TTCC form without context; at exit, the repository shuts down once.
    QTest::newRow("internal-lines-split-by-level-and-shutdown-once-at-exit")
        << "internal-streams" << QStringList() << 0
        << QByteArray("T [] DEBUG LogEngine::Probe - debug text\r\n"
                      "T [] INFO  LogEngine::Probe - info text\r\n"
                      "echo: Shutting down Hierarchy\n"
                      "T [] DEBUG LogEngine::LoggerRepository - Shutting down Hierarchy\r\n")
        << QByteArray("T [] WARN  LogEngine::Probe - warn text\r\n"
                      "T [] ERROR LogEngine::Probe - error text\r\n"
                      "T [] FATAL LogEngine::Probe - fatal text\r\n");
    QTest::newRow("concurrent-first-use-shares-one-manager") << "first-use-race" << QStringList() << 0 << none << none;

    // Fatal Qt messages end the process; the child raises QORVLOG_QT_MESSAGE,
    // with QT_FATAL_WARNINGS as given.
    const auto raise = [](const char *message, const char *fatalWarnings = nullptr) {
        QStringList variables { QLatin1String("QORVLOG_QT_MESSAGE=") + QLatin1String(message) };
        if (fatalWarnings)
            variables << QLatin1String("QT_FATAL_WARNINGS=") + QLatin1String(fatalWarnings);
        return variables;
    };
    const QString qtMessage = QStringLiteral("qt-message");
    QTest::newRow("qFatal") << qtMessage << raise("fatal") << 1 << QByteArray("FATAL - boom 1\r\n") << none;
    QTest::newRow("qWarning-with-QT_FATAL_WARNINGS")
        << qtMessage << raise("warning", "1") << 1 << QByteArray("WARN - boom 1\r\n") << none;
    // Defined is enough, where Qt itself would ignore the empty value.
    QTest::newRow("qWarning-with-empty-QT_FATAL_WARNINGS")
        << qtMessage << raise("warning", "") << 1 << QByteArray("WARN - boom 1\r\n") << none;
    // The exit must not wait for the locks its own thread holds.
    QTest::newRow("qWarning-while-delivering-with-QT_FATAL_WARNINGS")
        << qtMessage << raise("warning-in-delivery", "1") << 1 << QByteArray("WARN - boom 1\r\n") << none;
    QTest::newRow("qWarning-alone-returns")
        << qtMessage << raise("warning") << 0 << QByteArray("WARN - boom 1\r\nreturned\n") << none;
    QTest::newRow("qDebug-with-QT_FATAL_WARNINGS-returns")
        << qtMessage << raise("debug", "1") << 0 << QByteArray("DEBUG - boom 1\r\nreturned\n") << none;
}

void tst_LogManager::wholeProcesses()
{
    QFETCH(QString, scenario);
    QFETCH(QStringList, variables);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QTemporaryDir configHome;
    const ChildResult result = runChild(scenario, startUpEnvironment(configHome.path(), variables), configHome.path());
    QCOMPARE(result.exitCode, exitCode);
    QCOMPARE(maskTimeStamps(result.out), out);
    QCOMPARE(maskTimeStamps(result.err), err);
}

void tst_LogManager::qtMessageHandlingInstallsOnceAndRestores()
{
    Capture traces(QStringLiteral("LogEngine::LogManager"));
    Capture qt(QStringLiteral("Qt"));
    s_previousHandlerMessages.clear();
    const QtMessageHandler testHandler = qInstallMessageHandler(recordingHandler);

    LogManager::setHandleQtMessages(true);
    LogManager::setHandleQtMessages(true);
    QVERIFY(LogManager::handleQtMessages());
    qDebug("debug text");
    qInfo("info text");
    qWarning("warning text");
    qCritical("critical text");
    LogManager::setHandleQtMessages(false);
    LogManager::setHandleQtMessages(false);
    qWarning("after");

    QVERIFY(qInstallMessageHandler(testHandler) == &recordingHandler);
    QCOMPARE(s_previousHandlerMessages, QStringList { QStringLiteral("after") });
    QCOMPARE(traces->texts(),
        QStringList(
            { QStringLiteral("Activate Qt message handling"), QStringLiteral("Deactivate Qt message handling") }));
    QCOMPARE(qt->texts(),
        QStringList({ QStringLiteral("debug text"), QStringLiteral("info text"), QStringLiteral("warning text"),
            QStringLiteral("critical text") }));
    QList<int> levels;
    for (const CapturedMessage &message : qt->messages())
        levels.append(message.level);
    QCOMPARE(levels, QList<int>({ Level::DEBUG_INT, Level::TRACE_INT, Level::WARN_INT, Level::ERROR_INT }));
}

void tst_LogManager::shutdownAndExitRaceAWarningFromADelivery_data()
{
    QTest::addColumn<QString>("race");
    QTest::addColumn<int>("runs");
    QTest::newRow("two-hundred-shutdowns") << "shutdown" << 1;
    QTest::newRow("exit-while-delivering") << "exit" << 20;
}

// The Qt message handler looks the logger "Qt" up from inside a delivery;
// a shutdown, at exit or not, must not hold a lock the lookup needs while
// it waits for that delivery. A hang ends the child after a minute.
void tst_LogManager::shutdownAndExitRaceAWarningFromADelivery()
{
    QFETCH(QString, race);
    QFETCH(int, runs);
    QTemporaryDir dir;
    for (int run = 0; run < runs; ++run) {
        const ChildResult result = runChild(QStringLiteral("qt-warning-race"),
            startUpEnvironment(dir.path(), { QStringLiteral("QORVLOG_RACE=") + race }), dir.path());
        QVERIFY2(
            result.exitCode == 0, qPrintable(QStringLiteral("run %1: exit code %2").arg(run).arg(result.exitCode)));
    }
}

// The internal logger is equipped as at start-up (whose lines show how
// they are split between the streams), without a "Debug" setting here.
void tst_LogManager::resetReequipsTheInternalLogger()
{
    Logger *internal = LogManager::internalLogger();
    internal->setLevel(Level::OFF_INT);
    internal->addAppender(new ListAppender);
    LogManager::setHandleQtMessages(true);

    LogManager::resetConfiguration();

    QVERIFY(!LogManager::handleQtMessages());
    QCOMPARE(internal->level().toInt(), int(Level::ERROR_INT));
    QCOMPARE(
        appenderNames(internal), QStringList({ QStringLiteral("LogLog stdout"), QStringLiteral("LogLog stderr") }));
}

QObject *newLogManagerTest()
{
    return new tst_LogManager;
}

#include "tst_logmanager.moc"
