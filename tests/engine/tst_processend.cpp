#include "common/childprocess.h"
#include "common/testfiles.h"
#include "engine/appenders/fileappender.h"
#include "engine/layouts/simplelayout.h"
#include "engine/logger.h"
#include "engine/logmanager.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace LogEngine;

// How a process that logs to a file ends: killed at any moment, or leaving
// through every door a program has (static destructors, exit handlers, an
// explicit shutdown, threads that are still logging while main returns).
namespace
{

// Long enough to span pages and the file's buffer unevenly.
const QString filler(150, QLatin1Char('x'));

Logger *fileLogger(const QString &name, const QString &fileName, bool immediateFlush, const QString &footer = {})
{
    Logger *logger = LogManager::logger(name);
    logger->setAdditivity(false);
    auto *layout = new SimpleLayout;
    layout->setFooter(footer);
    LogObjectPtr<FileAppender> appender(new FileAppender(layout, fileName));
    appender->setImmediateFlush(immediateFlush);
    appender->activate();
    logger->addAppender(appender);
    return logger;
}

QByteArray numberedLine(qint64 number)
{
    return QStringLiteral("INFO - line %1 %2\r\n").arg(number).arg(filler).toLatin1();
}

// Each child works in a directory of its own below `dir`.
QString childDirectory(const QTemporaryDir &dir, int run)
{
    const QString directory = dir.filePath(QString::number(run));
    QDir().mkpath(directory);
    return directory;
}

// The exit handlers and destructors of the exit scenario, in the order the
// scenario sets them up; each logs one line.
Logger *s_exitLogger = nullptr;

struct LogsWhenDestroyed {
    const char *text;
    ~LogsWhenDestroyed()
    {
        if (s_exitLogger)
            s_exitLogger->info(QString::fromLatin1(text));
    }
};

// Built at load, before the engine: destroyed after its shutdown.
LogsWhenDestroyed s_builtAtLoad { "static built at load" };

void logFromEarlyExitHandler()
{
    s_exitLogger->info("exit handler registered before the engine");
}

void logFromLateExitHandler()
{
    s_exitLogger->info("exit handler registered after the engine");
}

} // namespace

// Once a byte arrives on standard input, logs numbered lines to kill.log
// for ever and reports the number of each call that returned on standard
// output, one line each, unbuffered.
int killedScenario()
{
    Logger *logger = fileLogger(
        QStringLiteral("kill"), QStringLiteral("kill.log"), qEnvironmentVariableIntValue("KILL_IMMEDIATE_FLUSH") != 0);
    char report[32];
    if (::read(STDIN_FILENO, report, 1) != 1)
        return 3;
    for (qint64 number = 0;; ++number) {
        logger->info(QStringLiteral("line %1 %2").arg(number).arg(filler));
        const int length = std::snprintf(report, sizeof report, "%lld\n", static_cast<long long>(number));
        if (::write(STDOUT_FILENO, report, size_t(length)) != length)
            return 2;
    }
}

// Four threads log without end through the same buffered file appender
// while main returns; the exit handlers, the destructors of statics and,
// with EXIT_SHUTDOWN, an explicit shutdown log on the way out.
int exitScenario()
{
    std::atexit(logFromEarlyExitHandler);
    s_exitLogger = fileLogger(QStringLiteral("exit"), QStringLiteral("exit.log"), false, QStringLiteral("footer"));
    std::atexit(logFromLateExitHandler);
    static LogsWhenDestroyed builtInMain { "static built in main" };
    std::mutex mutex;
    std::condition_variable started;
    int running = 0;
    for (int t = 0; t < 4; ++t) {
        std::thread([&mutex, &started, &running, t] {
            Logger *logger = LogManager::logger(QStringLiteral("exit::thread%1").arg(t));
            for (qint64 number = 0;; ++number) {
                logger->info(QStringLiteral("thread %1 line %2").arg(t).arg(number));
                if (number == 0) {
                    const std::lock_guard<std::mutex> lock(mutex);
                    ++running;
                    started.notify_one();
                }
            }
        }).detach();
    }
    {
        std::unique_lock<std::mutex> lock(mutex);
        started.wait(lock, [&running] { return running == 4; });
    }
    s_exitLogger->info("main returns");
    if (qEnvironmentVariableIntValue("EXIT_SHUTDOWN") != 0) {
        LogManager::shutdown();
        s_exitLogger->info("after shutdown");
    }
    return 0;
}

// A thread logs for ever to a pipe that nobody reads, so that it ends up
// stuck in a write; main returns once the parent says the pipe is full.
int blockedAtExitScenario()
{
    Logger *logger = fileLogger(QStringLiteral("blocked"), qEnvironmentVariable("QORVLOG_FIFO"), true);
    logger->appenders().at(0)->setName(QStringLiteral("stuck"));
    std::thread([logger] {
        for (;;)
            logger->info(filler);
    }).detach();
    char go;
    return ::read(STDIN_FILENO, &go, 1) == 1 ? 0 : 3;
}

class tst_ProcessEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedAtAnyMoment_data();
    void killedAtAnyMoment();
    void everyWayOut();
    void exitGoesOnPastAStuckWrite();
};

void tst_ProcessEnd::killedAtAnyMoment_data()
{
    QTest::addColumn<bool>("immediateFlush");
    QTest::addColumn<int>("runs");
    QTest::newRow("immediate flush") << true << 50;
    QTest::newRow("buffered") << false << 5;
}

// Each child is killed after a random number of reported calls (while it
// goes on logging). With immediate flush every line whose call returned is
// in the file, whole; only a line being written at the kill may be cut.
// Buffered, the file holds the lines in order without a gap up to where
// the buffers were last written, the last of them possibly cut.
void tst_ProcessEnd::killedAtAnyMoment()
{
    QFETCH(bool, immediateFlush);
    QFETCH(int, runs);
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    QTemporaryDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KILL_IMMEDIATE_FLUSH"), QString::number(int(immediateFlush)));
    constexpr int together = 5;
    qint64 linesChecked = 0;
    for (int first = 0; first < runs; first += together) {
        Child children[together];
        const int count = qMin(together, runs - first);
        for (int i = 0; i < count; ++i)
            QVERIFY(children[i].start(QStringLiteral("killed"), environment, childDirectory(dir, first + i)));
        for (int i = 0; i < count; ++i) {
            QProcess &process = children[i].process();
            const qint64 killAfter = random.bounded(1, 3000);
            process.write("g");
            qint64 reported = -1;
            const QDeadlineTimer deadline(60000);
            while (reported + 1 < killAfter) {
                if (!process.canReadLine())
                    QVERIFY2(process.waitForReadyRead(int(deadline.remainingTime())), "the child stopped reporting");
                while (process.canReadLine())
                    reported = process.readLine().trimmed().toLongLong();
            }
            ::kill(pid_t(process.processId()), SIGKILL);
            QVERIFY(process.waitForFinished());
            QCOMPARE(process.exitStatus(), QProcess::CrashExit);
            // What was reported before the kill and still in the pipe.
            for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
                if (line.endsWith('\0') || line.isEmpty())
                    continue;
                reported = line.toLongLong();
            }
            const QByteArray text = readFile(childDirectory(dir, first + i) + QStringLiteral("/kill.log"));
            qint64 number = 0;
            int at = 0;
            for (;; ++number) {
                const QByteArray expected = numberedLine(number);
                if (text.mid(at, expected.size()) != expected)
                    break;
                at += expected.size();
            }
            const QByteArray rest = text.mid(at);
            const QString where = QString::asprintf("seed %u, run %d: %lld lines whole, %lld reported, then '%s'", seed,
                first + i, number, reported + 1, rest.left(40).constData());
            QVERIFY2(numberedLine(number).startsWith(rest), qPrintable(where));
            if (immediateFlush)
                QVERIFY2(number > reported, qPrintable(where));
            linesChecked += number;
        }
    }
    qInfo("%d children killed, %lld lines checked, seed %u", runs, linesChecked, seed);
}

// A hundred children (twenty under the thread sanitizer), five at a time:
// each must end by itself with exit code 0 and nothing on standard error
// within the deadline; a hang fails instead of stalling the suite. What
// was logged before the engine's own exit handler ran is on disk.
void tst_ProcessEnd::everyWayOut()
{
    QTemporaryDir dir;
#ifdef __SANITIZE_THREAD__
    // Each child's threads run some fifteen times slower here: twenty ways
    // out are enough to show a race on the way out.
    constexpr int runs = 20;
#else
    constexpr int runs = 100;
#endif
    constexpr int together = 5;
    for (int first = 0; first < runs; first += together) {
        Child children[together];
        for (int i = 0; i < together; ++i) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("EXIT_SHUTDOWN"), QString::number((first + i) % 2));
            QVERIFY(children[i].start(QStringLiteral("exit"), environment, childDirectory(dir, first + i)));
        }
        for (int i = 0; i < together; ++i) {
            const QString run = QStringLiteral("run %1").arg(first + i);
            // A hang or a crash shows as -1. Nothing on standard error
            // either: Qt complains there when a thread still uses the
            // application object it is destroying.
            const ChildResult result = children[i].finish();
            QVERIFY2(result.exitCode == 0 && result.err.isEmpty(),
                qPrintable(run + QStringLiteral(": ") + QString::fromLocal8Bit(result.err)));
            const QByteArray text = readFile(childDirectory(dir, first + i) + QStringLiteral("/exit.log"));
            const QString shown = run + QStringLiteral(": ") + QString::fromLatin1(text.right(300));
            // Buffered lines are written and the file is ended with its footer.
            QVERIFY2(text.contains("INFO - main returns\r\n") && text.endsWith("\r\nfooter\r\n"), qPrintable(shown));
            const int fromStatic = text.indexOf("INFO - static built in main\r\n");
            const int fromHandler = text.indexOf("INFO - exit handler registered after the engine\r\n");
            // The engine's handler shuts the repository down, the file with
            // it; whatever logs after that is accepted and goes nowhere.
            if ((first + i) % 2 == 0)
                QVERIFY2(fromStatic > 0 && fromHandler > fromStatic, qPrintable(shown));
            else
                QVERIFY2(fromStatic < 0 && fromHandler < 0 && !text.contains("after shutdown"), qPrintable(shown));
            QVERIFY2(!text.contains("registered before the engine"), qPrintable(shown));
        }
    }
}

// The exit handler waits a bounded time for an appender stuck in a write,
// says so, and the process ends.
void tst_ProcessEnd::exitGoesOnPastAStuckWrite()
{
#ifdef __SANITIZE_THREAD__
    // The thread left stuck on purpose still runs while Qt tears its own
    // objects down at exit, which the sanitizer reports against Qt.
    QSKIP("a thread left running at exit races with Qt's teardown");
#endif
    QTemporaryDir dir;
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("pipe")));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    // Held open, never read: the child's open does not wait for a reader,
    // and its writes stop once the pipe's one page is full.
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);
    const int capacity = ::fcntl(reader, F_SETPIPE_SZ, 4096);
    QVERIFY(capacity > 0);
    Child child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QORVLOG_FIFO"), QFile::decodeName(fifo));
    const QString work = dir.filePath(QStringLiteral("work"));
    QVERIFY(QDir().mkpath(work));
    QVERIFY(child.start(QStringLiteral("blocked-at-exit"), environment, work));
    // Full once no further line fits: the thread's next write waits.
    const int line = int(numberedLine(0).size());
    int queued = 0;
    const QDeadlineTimer patience(60000);
    while (::ioctl(reader, FIONREAD, &queued) == 0 && queued + line <= capacity && !patience.hasExpired())
        QThread::yieldCurrentThread();
    QVERIFY2(queued + line > capacity, "the pipe did not fill");
    child.process().write("x", 1);
    const ChildResult result = child.finish();
    ::close(reader);
    // -1: no exit within a minute, or a crash.
    QCOMPARE(result.exitCode, 0);
    const QByteArray &err = result.err;
    QVERIFY2(err.contains("ERROR LogEngine::LoggerRepository - Shutdown goes on without closing appender 'stuck', "
                          "still writing after 3 s"),
        err.constData());
}

QObject *newProcessEndTest()
{
    return new tst_ProcessEnd;
}

#include "tst_processend.moc"
