#include "common/testfiles.h"
#include "engine/appenders/fileappender.h"
#include "engine/appenders/listappender.h"
#include "engine/appenders/rollingfileappender.h"
#include "engine/configuration/propertyconfigurator.h"
#include "engine/hierarchy.h"
#include "engine/layouts/patternlayout.h"
#include "engine/logger.h"
#include "engine/logmanager.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <thread>
#include <vector>

using namespace LogEngine;

// The engine under everything at once, in fixed rounds: threads log while
// the configurator rewires the loggers they log through and appenders come
// and go beside the one that stays.
class tst_Load : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void loggingWhileReconfiguredAndRewired();
};

void tst_Load::cleanup()
{
    LogManager::resetConfiguration();
}

namespace
{

constexpr int loggingThreads = 8;
constexpr int eventsPerThread = 4000;
constexpr int configureRuns = 40;
constexpr int rewireRounds = 400;
// Some seventy roll-overs.
constexpr qint64 rollingLimit = 32 * 1024;

} // namespace

// Eight threads log through loggers load::t0 to load::t7 into one
// size-rolling appender with a pattern layout on their parent "load",
// while a ninth reconfigures those loggers from a file (levels, additivity,
// an appender of their own) and a tenth adds appenders to "load" and
// removes them again. The rolling appender stays attached throughout, so
// every event reaches it: each must be in its files once, whole, in the
// order of its thread, and each backup must end with the line that took it
// over the limit. A second hierarchy that shares the rolling appender
// is reset all the while. Under the thread sanitizer this also proves the
// locking; a deadlock ends in the test's timeout.
void tst_Load::loggingWhileReconfiguredAndRewired()
{
    TestFolder dir;
    QVERIFY(dir.isValid());
    Logger *internal = LogManager::internalLogger();
    internal->removeAllAppenders();
    internal->setAdditivity(false);

    QByteArray text = "log4j.appender.N=org.apache.log4j.varia.NullAppender\n"
                      "log4j.appender.C=org.apache.log4j.FileAppender\n"
                      "log4j.appender.C.File=@DIR@/configured.log\n"
                      "log4j.appender.C.layout=org.apache.log4j.PatternLayout\n"
                      "log4j.appender.C.layout.ConversionPattern=%r %c{1} %m%n\n";
    for (int t = 0; t < loggingThreads; ++t) {
        text += QByteArray("log4j.logger.load.t") + QByteArray::number(t) + (t % 2 ? "=DEBUG, N\n" : "=INFO, C, N\n");
        text += QByteArray("log4j.additivity.load.t") + QByteArray::number(t) + "=true\n";
    }
    const QString configuration = dir.write(QStringLiteral("load.properties"), text);

    const QString fileName = dir.filePath(QStringLiteral("load.log"));
    Logger *load = LogManager::logger(QStringLiteral("load"));
    load->setAdditivity(false);
    LogObjectPtr<RollingFileAppender> rolling(
        new RollingFileAppender(new PatternLayout(QStringLiteral("%d{ISO8601} [%t] %-5p %c - %m%n")), fileName));
    rolling->setName(QStringLiteral("R"));
    rolling->setMaximumFileSize(rollingLimit);
    rolling->setMaxBackupIndex(1000);
    rolling->activate();
    load->addAppender(rolling);

    std::vector<std::thread> threads;
    for (int t = 0; t < loggingThreads; ++t) {
        threads.emplace_back([t] {
            Logger *logger = LogManager::logger(QStringLiteral("load::t%1").arg(t));
            for (int i = 0; i < eventsPerThread; ++i)
                logger->info("thread %1 event %2", t, i);
        });
    }
    int failedRuns = 0;
    threads.emplace_back([&configuration, &failedRuns] {
        for (int run = 0; run < configureRuns; ++run)
            failedRuns += PropertyConfigurator::configure(configuration) ? 0 : 1;
    });
    Hierarchy churned;
    threads.emplace_back([load, &dir, &churned, &rolling] {
        for (int round = 0; round < rewireRounds; ++round) {
            // A second hierarchy shares the appender and is reset under way.
            Logger *other = churned.logger(QStringLiteral("other::%1").arg(round % 5));
            other->addAppender(rolling);
            other->setLevel(Level::OFF_INT);
            LogObjectPtr<ListAppender> list(new ListAppender);
            list->setName(QStringLiteral("list"));
            list->setMaxCount(16);
            load->addAppender(list);
            LogObjectPtr<FileAppender> file(new FileAppender(
                new PatternLayout(QStringLiteral("%c %m%n")), dir.filePath(QStringLiteral("passing.log"))));
            file->setName(QStringLiteral("passing"));
            file->activate();
            load->addAppender(file);
            load->removeAppender(list);
            load->removeAppender(QStringLiteral("passing"));
            churned.resetConfiguration();
        }
    });
    for (std::thread &thread : threads)
        thread.join();
    QCOMPARE(failedRuns, 0);
    QCOMPARE(load->appenders().size(), 1);
    rolling->close();

    // The files from the oldest backup to the current one.
    QStringList files;
    for (int index = 1; QFile::exists(fileName + QLatin1Char('.') + QString::number(index)); ++index)
        files.prepend(fileName + QLatin1Char('.') + QString::number(index));
    files.append(fileName);
    // Each line "... INFO  load::tT - thread T event N", CR LF at its end.
    const QRegularExpression whole(QStringLiteral(" INFO  load::t(\\d) - thread (\\d) event (\\d+)\r$"));
    QStringList problems;
    std::vector<int> next(loggingThreads, 0);
    qint64 lineCount = 0;
    for (const QString &name : files) {
        const QByteArray data = readFile(name);
        const QList<QByteArray> lines = data.split('\n');
        if (!lines.last().isEmpty())
            problems << name + QStringLiteral(": unfinished last line");
        for (int i = 0; i + 1 < lines.size(); ++i) {
            const QRegularExpressionMatch match = whole.match(QString::fromLatin1(lines.at(i)));
            const int thread = match.captured(1).toInt();
            if (!match.hasMatch() || match.captured(2).toInt() != thread || thread >= loggingThreads)
                problems << name + QStringLiteral(": torn line ") + QString::fromLatin1(lines.at(i));
            else if (match.captured(3).toInt() != next[size_t(thread)])
                problems << QStringLiteral("thread %1: event %2 where %3 was due")
                                .arg(thread)
                                .arg(match.captured(3))
                                .arg(next[size_t(thread)]);
            else
                ++next[size_t(thread)];
        }
        lineCount += lines.size() - 1;
        // Each backup ends with the line that took it over the limit.
        const int lastLine = lines.size() > 1 ? lines.at(lines.size() - 2).size() + 1 : 0;
        if (name != fileName && (data.size() <= rollingLimit || data.size() - lastLine > rollingLimit))
            problems << QStringLiteral("%1: %2 bytes for a limit of %3").arg(name).arg(data.size()).arg(rollingLimit);
    }
    for (int t = 0; t < loggingThreads; ++t) {
        if (next[size_t(t)] != eventsPerThread)
            problems << QStringLiteral("thread %1: %2 events of %3").arg(t).arg(next[size_t(t)]).arg(eventsPerThread);
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.mid(0, 10).join(QLatin1Char('\n'))));
    QVERIFY(files.size() > 2);
    qInfo("%lld lines checked in %d files; %d configuration runs, %d rounds of adding and removing appenders",
        lineCount, int(files.size()), configureRuns, rewireRounds);
}

QObject *newLoadTest()
{
    return new tst_Load;
}

#include "tst_load.moc"
