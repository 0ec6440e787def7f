#include "common/capturingappender.h"
#include "engine/appenders/rollingfileappender.h"
#include "engine/logger.h"
#include "filetesting.h"
#include "manualclock.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <thread>
#include <vector>

using namespace LogEngine;
using namespace FileTesting;

namespace
{

const QString rollingLog = QStringLiteral("LogEngine::RollingFileAppender");

// Reads "INFO - thread T event N\r" up to `end`, the line's line feed.
bool parseLine(const char *text, const char *end, int &thread, int &number)
{
    const auto literal = [&text, end](const char *expected) {
        const size_t length = std::strlen(expected);
        if (size_t(end - text) < length || std::memcmp(text, expected, length) != 0)
            return false;
        text += length;
        return true;
    };
    const auto decimal = [&text, end](int &value) {
        const char *first = text;
        for (value = 0; text < end && *text >= '0' && *text <= '9' && text - first < 9; ++text)
            value = value * 10 + (*text - '0');
        return text > first;
    };
    return literal("INFO - thread ") && decimal(thread) && literal(" event ") && decimal(number) && literal("\r")
        && text == end;
}

// The load test's lines, "INFO - thread T event N", checked across every
// file of the run from the oldest backup to the current file: each (thread,
// number) once and in order, every line whole, and every file but the
// current one just over the limit (without its last line it is not).
QStringList checkLoad(const QString &fileName, int threads, int perThread, qint64 limit)
{
    QStringList problems;
    QStringList files;
    for (int index = 1; QFile::exists(fileName + QLatin1Char('.') + QString::number(index)); ++index)
        files.prepend(fileName + QLatin1Char('.') + QString::number(index));
    files.append(fileName);
    std::vector<int> next(size_t(threads), 0);
    for (const QString &name : files) {
        const QByteArray data = contents(name);
        const char *const end = data.constData() + data.size();
        int lastLine = 0;
        for (const char *line = data.constData(); line < end; line += lastLine) {
            const char *newline = static_cast<const char *>(std::memchr(line, '\n', size_t(end - line)));
            if (!newline) {
                problems << QStringLiteral("%1: unfinished line at %2").arg(name).arg(line - data.constData());
                break;
            }
            lastLine = int(newline - line) + 1;
            int thread = -1;
            int number = -1;
            if (!parseLine(line, newline, thread, number) || thread >= threads || number >= perThread) {
                problems << QStringLiteral("%1: torn line '%2'").arg(name, QString::fromLatin1(line, lastLine));
                continue;
            }
            int &expected = next[size_t(thread)];
            for (; expected < number; ++expected)
                problems << QStringLiteral("missing thread %1 event %2").arg(thread).arg(expected);
            if (expected > number)
                problems << QStringLiteral("thread %1 event %2 again or out of order").arg(thread).arg(number);
            else
                ++expected;
        }
        if (name != fileName && (data.size() <= limit || data.size() - lastLine > limit))
            problems << QStringLiteral("%1: %2 bytes for a limit of %3").arg(name).arg(data.size()).arg(limit);
    }
    for (int thread = 0; thread < threads; ++thread) {
        for (int number = next[size_t(thread)]; number < perThread; ++number)
            problems << QStringLiteral("missing thread %1 event %2").arg(thread).arg(number);
    }
    return problems;
}

} // namespace

class tst_RollingFileAppender : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void rollsOverAtExactSizeLimit_data();
    void rollsOverAtExactSizeLimit();
    void backupsMoveUp_data();
    void backupsMoveUp();
    void noBackupsKept_data();
    void noBackupsKept();
    void maxFileSizeText_data();
    void maxFileSizeText();
    void failedRollOverLosesNothing_data();
    void failedRollOverLosesNothing();
    void sixteenThreadsLoseNothing();
    void debugDescription();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    RollingFileAppender *appender(Layout *layout, qint64 limit, int maxBackupIndex = 1) const;

    QTemporaryDir *m_dir = nullptr;
};

void tst_RollingFileAppender::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
}

void tst_RollingFileAppender::cleanup()
{
    delete m_dir;
    m_dir = nullptr;
}

RollingFileAppender *tst_RollingFileAppender::appender(Layout *layout, qint64 limit, int maxBackupIndex) const
{
    auto *appender = new RollingFileAppender(layout, path(QStringLiteral("app.log")));
    appender->setName(QStringLiteral("R"));
    appender->setMaximumFileSize(limit);
    appender->setMaxBackupIndex(maxBackupIndex);
    return appender;
}

void tst_RollingFileAppender::rollsOverAtExactSizeLimit_data()
{
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<bool>("immediateFlush");
    QTest::addColumn<bool>("bufferedIo");
    QTest::addColumn<QByteArray>("current");
    QTest::addColumn<QByteArray>("backup");
    // Two lines of 12 bytes after a header of 3: 27 bytes. The write that
    // makes the file larger than the limit stays in it; equal does not roll.
    const QByteArray both("H\r\nINFO - one\r\nINFO - two\r\n");
    QTest::newRow("exactly-at-limit") << qint64(27) << true << true << both + "F\r\n" << QByteArray("old");
    QTest::newRow("one-byte-over") << qint64(26) << true << true << QByteArray("H\r\nF\r\n") << both + "F\r\n";
    // Unbuffered, every event reaches the file even without a flush.
    QTest::newRow("one-byte-over, unbuffered, not flushed")
        << qint64(26) << false << false << QByteArray("H\r\nF\r\n") << both + "F\r\n";
    // Text still in the stream's buffer counts as written.
    QTest::newRow("exactly-at-limit, buffered, not flushed") << qint64(27) << false << true << both + "F\r\n"
                                                             << QByteArray("old");
    QTest::newRow("one-byte-over, buffered, not flushed")
        << qint64(26) << false << true << QByteArray("H\r\nF\r\n") << both + "F\r\n";
}

void tst_RollingFileAppender::rollsOverAtExactSizeLimit()
{
    QFETCH(qint64, limit);
    QFETCH(bool, immediateFlush);
    QFETCH(bool, bufferedIo);
    QFETCH(QByteArray, current);
    QFETCH(QByteArray, backup);
    writeFile(path(QStringLiteral("app.log.1")), "old");
    LogObjectPtr<RollingFileAppender> rolling(appender(layout(QStringLiteral("H"), QStringLiteral("F")), limit));
    rolling->setImmediateFlush(immediateFlush);
    rolling->setBufferedIo(bufferedIo);
    rolling->activate();
    rolling->handleEvent(info(QStringLiteral("one")));
    rolling->handleEvent(info(QStringLiteral("two")));
    QCOMPARE(contents(path(QStringLiteral("app.log.1"))), backup);
    rolling->close();
    QCOMPARE(contents(path(QStringLiteral("app.log"))), current);
}

// Missing numbers are skipped; the oldest backup is removed. Only the
// backups there are cost time, however high the index.
void tst_RollingFileAppender::backupsMoveUp_data()
{
    QTest::addColumn<int>("maxBackupIndex");
    QTest::addColumn<QByteArrayList>("after");
    QTest::addColumn<QList<int>>("renamed");
    QTest::newRow("oldest removed") << 3 << QByteArrayList { "INFO - one\r\n", "first", "" } << QList<int> { 1 };
    QTest::newRow("two billion kept") << 2000000000 << QByteArrayList { "INFO - one\r\n", "first", "", "third" }
                                      << QList<int> { 3, 1 };
}

void tst_RollingFileAppender::backupsMoveUp()
{
    QFETCH(int, maxBackupIndex);
    QFETCH(QByteArrayList, after);
    QFETCH(QList<int>, renamed);
    writeFile(path(QStringLiteral("app.log.1")), "first");
    writeFile(path(QStringLiteral("app.log.3")), "third");
    writeFile(path(QStringLiteral("app.log.03")), "no backup");
    LogObjectPtr<RollingFileAppender> rolling(appender(layout(), 1, maxBackupIndex));
    rolling->activate();
    Capture log(rollingLog);
    rolling->handleEvent(info(QStringLiteral("one")));
    for (int index = 1; index <= after.size() + 1; ++index) {
        const QString backup = path(QStringLiteral("app.log.%1").arg(index));
        QCOMPARE(QFile::exists(backup), index <= after.size() && !after.at(index - 1).isEmpty());
        if (QFile::exists(backup))
            QCOMPARE(contents(backup), after.at(index - 1));
    }
    QCOMPARE(contents(path(QStringLiteral("app.log.03"))), QByteArray("no backup"));
    QCOMPARE(contents(path(QStringLiteral("app.log"))), QByteArray());
    const QString file = path(QStringLiteral("app.log"));
    QStringList expected { QStringLiteral("Rolling over with maxBackupIndex = %1").arg(maxBackupIndex),
        QStringLiteral("Closing file '%1' for appender 'R'").arg(file) };
    for (const int index : renamed)
        expected << QStringLiteral("Renaming file '%1.%2' to '%1.%3'").arg(file).arg(index).arg(index + 1);
    expected << QStringLiteral("Renaming file '%1' to '%1.1'").arg(file)
             << QStringLiteral("Opened file '%1' for appender 'R'").arg(file);
    QCOMPARE(log->texts(), expected);
}

void tst_RollingFileAppender::noBackupsKept_data()
{
    QTest::addColumn<int>("maxBackupIndex");
    QTest::addColumn<bool>("appendFile");
    QTest::addColumn<QStringList>("warnings");
    // The file is emptied and begun again, even when appending, and never
    // renamed: a backup 1 would block every later roll-over.
    QTest::newRow("zero") << 0 << false << QStringList();
    QTest::newRow("zero, appending") << 0 << true << QStringList();
    QTest::newRow("negative, taken as zero")
        << -2 << false
        << QStringList { QStringLiteral(
               "Attempt to set maximum backup index for appender 'R' to -2. Using zero instead") };
}

void tst_RollingFileAppender::noBackupsKept()
{
    QFETCH(int, maxBackupIndex);
    QFETCH(bool, appendFile);
    QFETCH(QStringList, warnings);
    Capture log(rollingLog);
    log.appender()->setThreshold(Level::WARN_INT);
    LogObjectPtr<RollingFileAppender> rolling(appender(layout(QStringLiteral("H")), 20, maxBackupIndex));
    QCOMPARE(log->texts(), warnings);
    QCOMPARE(rolling->maxBackupIndex(), 0);
    rolling->setAppendFile(appendFile);
    rolling->activate();
    for (const char *text : { "one", "two", "three" })
        rolling->handleEvent(info(QString::fromLatin1(text)));
    QCOMPARE(contents(path(QStringLiteral("app.log"))), QByteArray("H\r\nINFO - three\r\n"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList { QStringLiteral("app.log") });
    QCOMPARE(log->texts(), warnings);
}

void tst_RollingFileAppender::maxFileSizeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("size");
    QTest::newRow("kilobytes") << QStringLiteral("64KB") << qint64(65536);
    QTest::newRow("gigabytes") << QStringLiteral(" 3gb ") << qint64(3) * 1024 * 1024 * 1024;
    QTest::newRow("rejected, unchanged") << QStringLiteral("10 MiB") << qint64(777);
}

void tst_RollingFileAppender::maxFileSizeText()
{
    QFETCH(QString, text);
    QFETCH(qint64, size);
    LogObjectPtr<RollingFileAppender> rolling(appender(layout(), 777));
    QVERIFY(rolling->setProperty("maxFileSize", text));
    QCOMPARE(rolling->maximumFileSize(), size);
}

void tst_RollingFileAppender::failedRollOverLosesNothing_data()
{
    QTest::addColumn<int>("maxBackupIndex");
    QTest::addColumn<QString>("blocked");
    QTest::addColumn<QStringList>("backups");
    // A non-empty directory in place of the oldest backup cannot be removed,
    // whoever runs the test.
    QTest::newRow("single backup in the way") << 1 << QStringLiteral("app.log.1") << QStringList();
    QTest::newRow("oldest of three in the way")
        << 3 << QStringLiteral("app.log.3") << QStringList { QStringLiteral("app.log.1"), QStringLiteral("app.log.2") };
}

// The error is reported, the file goes on (never truncated), the roll-over
// is tried again 1 s later, then 2 s, and succeeds once the way is clear.
void tst_RollingFileAppender::failedRollOverLosesNothing()
{
    QFETCH(int, maxBackupIndex);
    QFETCH(QString, blocked);
    QFETCH(QStringList, backups);
    for (const QString &backup : backups)
        writeFile(path(backup), backup.toLatin1());
    QVERIFY(QDir().mkpath(path(blocked + QStringLiteral("/inside"))));
    ManualClock clock;
    clock.set(QStringLiteral("2026-01-15T10:00:00.000"));
    LogObjectPtr<RollingFileAppender> rolling(appender(layout(), 5, maxBackupIndex));
    rolling->setClock(&clock);
    rolling->activate();
    Capture errors(rollingLog);
    errors.appender()->setThreshold(Level::ERROR_INT);
    const QString failure = errorText("LogEngine::RollingFileAppender", "Unable to remove file '%1' for appender 'R'",
        "APPENDER_REMOVE_FILE_ERROR", 10, QStringLiteral(": Is a directory (9)"))
                                .arg(path(blocked));
    // Each step: a clock advance in ms, then one event, then the number of
    // failures reported so far.
    const struct {
        int advance;
        const char *text;
        int failures;
    } steps[] = { { 0, "a", 1 }, { 999, "b", 1 }, { 1, "c", 2 }, { 1999, "d", 2 }, { 0, nullptr, 0 }, { 1, "e", 2 } };
    QByteArray written;
    for (const auto &step : steps) {
        if (!step.text) {
            QVERIFY(QDir(path(blocked)).removeRecursively());
            continue;
        }
        clock.advance(step.advance);
        rolling->handleEvent(info(QString::fromLatin1(step.text)));
        written += QByteArray("INFO - ") + step.text + "\r\n";
        QVERIFY2(errors->count(failure) == step.failures, qPrintable(errors->texts().join(QLatin1Char('\n'))));
        QVERIFY(rolling->isActive());
    }
    QCOMPARE(errors->texts().size(), 2);
    QCOMPARE(contents(path(QStringLiteral("app.log.1"))), written);
    QCOMPARE(contents(path(QStringLiteral("app.log"))), QByteArray());
    for (const QString &backup : backups) {
        const QString moved = backup.left(backup.size() - 1) + QString::number(backup.right(1).toInt() + 1);
        QCOMPARE(contents(path(moved)), backup.toLatin1());
    }
}

// Threads hand numbered events (about 23 MB of lines) to one appender that
// rolls over some 360 times; afterwards the files hold every event once, whole, in each
// thread's order, and each backup ends with the line that crossed the limit.
void tst_RollingFileAppender::sixteenThreadsLoseNothing()
{
    constexpr int threads = 16;
    constexpr int perThread = 50000;
    constexpr qint64 limit = 64 * 1024;
    const QString fileName = path(QStringLiteral("load.log"));
    LogObjectPtr<RollingFileAppender> rolling(new RollingFileAppender(new SimpleLayout, fileName));
    rolling->setMaximumFileSize(limit);
    rolling->setMaxBackupIndex(400);
    rolling->activate();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&rolling, t] {
            for (int i = 0; i < perThread; ++i)
                rolling->handleEvent(info(QStringLiteral("thread %1 event %2").arg(t).arg(i)));
        });
    }
    for (std::thread &worker : workers)
        worker.join();
    rolling->close();

    const QStringList problems = checkLoad(fileName, threads, perThread, limit);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.mid(0, 10).join(QLatin1Char('\n'))));
    QVERIFY(QFile::exists(fileName + QStringLiteral(".300")));

    // The check finds a single event missing.
    const QString backup = fileName + QStringLiteral(".100");
    QByteArray data = contents(backup);
    const int second = data.indexOf('\n') + 1;
    const QByteArray dropped = data.mid(second, data.indexOf('\n', second) + 1 - second);
    data.remove(second, dropped.size());
    writeFile(backup, data);
    const QString line = QString::fromLatin1(dropped).trimmed();
    QVERIFY(checkLoad(fileName, threads, perThread, limit)
                .contains(QStringLiteral("missing %1").arg(line.mid(line.indexOf(QLatin1String("thread"))))));
}

void tst_RollingFileAppender::debugDescription()
{
    auto *named = new SimpleLayout;
    named->setName(QStringLiteral("L"));
    LogObjectPtr<RollingFileAppender> rolling(new RollingFileAppender(named, QStringLiteral("app.log")));
    rolling->setName(QStringLiteral("R"));
    rolling->setMaxBackupIndex(4);
    rolling->setMaxFileSize(QStringLiteral("2MB"));
    QString text;
    QDebug stream(&text);
    rolling->debug(stream);
    QCOMPARE(text,
        QStringLiteral("RollingFileAppender(name:\"R\" appendfile:false bufferedio:true encoding:\"\" file:\"app.log\" "
                       "filter:0x0 immediateflush:true isactive:false isclosed:false layout:\"L\" maxbackupindex:4 "
                       "maximumfilesize:2097152 referencecount:1 threshold:\"NULL\" writer:0x0) "));
}

QObject *newRollingFileAppenderTest()
{
    return new tst_RollingFileAppender;
}

#include "tst_rollingfileappender.moc"
