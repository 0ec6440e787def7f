#include "common/capturingappender.h"
#include "common/childprocess.h"
#include "engine/appenders/dailyrollingfileappender.h"
#include "engine/appenders/listappender.h"
#include "engine/appenders/rollingfileappender.h"
#include "engine/logmanager.h"
#include "filetesting.h"
#include "manualclock.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

using namespace LogEngine;
using namespace FileTesting;

// The three file appenders under faults of the file system, each injected
// for real and then taken away again.
namespace
{

enum Kind { Plain, BySize, ByDate };

const char *const contexts[]
    = { "LogEngine::FileAppender", "LogEngine::RollingFileAppender", "LogEngine::DailyRollingFileAppender" };

// Size-rolling: four lines of ten bytes fit, the fourth makes it roll.
// Date-rolling: one file a day.
FileAppender *fileAppender(int kind, const QString &file, const Clock *clock)
{
    FileAppender *appender = nullptr;
    if (kind == BySize) {
        auto *rolling = new RollingFileAppender(layout(), file);
        rolling->setMaximumFileSize(35);
        rolling->setMaxBackupIndex(3);
        appender = rolling;
    } else if (kind == ByDate) {
        appender = new DailyRollingFileAppender(layout(), file, QStringLiteral("'.'yyyy-MM-dd"));
    } else {
        appender = new FileAppender(layout(), file);
    }
    appender->setName(QStringLiteral("F"));
    appender->setClock(clock);
    return appender;
}

QString fileError(int kind, const char *text, const char *symbol, int code, const QString &cause)
{
    return errorText(contexts[kind], text, symbol, code, QStringLiteral(": ") + cause);
}

long residentKilobytes()
{
    long pages = 0;
    long resident = 0;
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace

// Runs in a child: logs ten lines, lowers the file size limit to a few
// bytes past the end of the file (a disk that fills in the middle of a
// line), logs ten more, lifts the limit and logs five more, all through one
// appender of FAULT_KIND with FAULT_BUFFERED. With FAULT_ROLL a roll-over
// falls due while the disk is full: the size-rolling appender's limit is
// lowered to the file's size, the date-rolling appender's day ends before
// the sixth line. Prints each message with "ok" or the error reported while
// it was written. With FAULT_FLOOD, thousands of long lines are refused
// before the limit is lifted, and the file is emptied from outside (as
// rotation by copy and truncate does); the growth of resident memory over
// the refused lines is printed.
int diskFullScenario()
{
    std::signal(SIGXFSZ, SIG_IGN); // a write past the limit then fails with EFBIG
    const int kind = qEnvironmentVariableIntValue("FAULT_KIND");
    Logger *errors = LogManager::logger(QString::fromLatin1(contexts[kind]));
    errors->setLevel(Level::ERROR_INT);
    LogObjectPtr<ListAppender> reports(new ListAppender);
    errors->addAppender(reports);
    ManualClock clock;
    clock.set(QStringLiteral("2026-01-15T10:00:00.000"));
    LogObjectPtr<FileAppender> appender(fileAppender(kind, QStringLiteral("app.log"), &clock));
    if (auto *rolling = qobject_cast<RollingFileAppender *>(appender.data()))
        rolling->setMaximumFileSize(1024 * 1024);
    appender->setBufferedIo(qEnvironmentVariableIntValue("FAULT_BUFFERED") != 0);
    appender->activate();
    const auto log = [&](const QString &message) {
        const int before = reports->list().size();
        appender->handleEvent(info(message));
        const QList<LoggingEvent> now = reports->list();
        std::printf("%s %s\n", qPrintable(message), now.size() == before ? "ok" : qPrintable(now.last().message()));
    };
    for (int i = 0; i < 10; ++i)
        log(QStringLiteral("before%1").arg(i));
    rlimit limit {};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlim_t unlimited = limit.rlim_cur;
    limit.rlim_cur = rlim_t(QFileInfo(QStringLiteral("app.log")).size() + 5);
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 2;
    const bool roll = qEnvironmentVariableIntValue("FAULT_ROLL") != 0;
    if (auto *rolling = qobject_cast<RollingFileAppender *>(appender.data()); rolling && roll)
        rolling->setMaximumFileSize(qint64(limit.rlim_cur) - 3);
    for (int i = 0; i < 10; ++i) {
        if (roll && i == 5)
            clock.set(QStringLiteral("2026-01-16T00:00:00.000"));
        log(QStringLiteral("during%1").arg(i));
    }
    if (qEnvironmentVariableIntValue("FAULT_FLOOD") != 0) {
        reports->setMaxCount(reports->list().size()); // the later reports would take memory
        const QString filler(5000, QLatin1Char('x'));
        const long before = residentKilobytes();
        for (int i = 0; i < 4000; ++i)
            appender->handleEvent(info(filler));
        std::printf("growth %ld\n", residentKilobytes() - before);
        if (::truncate("app.log", 0) != 0)
            return 4;
    }
    limit.rlim_cur = unlimited;
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 3;
    for (int i = 0; i < 5; ++i)
        log(QStringLiteral("after%1").arg(i));
    appender->close();
    return 0;
}

class tst_Faults : public FileTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void diskFull_data();
    void diskFull();
    void floodThenTruncation_data();
    void floodThenTruncation();
    void openFailsUntilTheNameIsFree_data();
    void openFailsUntilTheNameIsFree();
    void failedRollOverLosesNothing_data();
    void failedRollOverLosesNothing();
    void removedWhileLogging_data();
    void removedWhileLogging();
};

void tst_Faults::diskFull_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("buffered");
    QTest::addColumn<bool>("roll");
    QTest::addColumn<QString>("writtenFiles"); // in the order they were written, separated by |
    for (const int kind : { Plain, BySize, ByDate }) {
        const QString name = QString::fromLatin1(contexts[kind]).mid(11);
        QTest::addRow("%s, buffered", qPrintable(name)) << kind << true << false << QStringLiteral("app.log");
        QTest::addRow("%s, unbuffered", qPrintable(name)) << kind << false << false << QStringLiteral("app.log");
    }
    // The file is rolled over only once it holds every byte written to it:
    // buffered, once space returns; unbuffered, the part the disk refused is
    // dropped, so at once.
    QTest::newRow("size-rolling, buffered, rolls when space returns")
        << int(BySize) << true << true << QStringLiteral("app.log.1|app.log");
    QTest::newRow("size-rolling, unbuffered, rolls on the full disk")
        << int(BySize) << false << true << QStringLiteral("app.log.2|app.log.1|app.log");
    QTest::newRow("date-rolling, buffered, rolls when space returns")
        << int(ByDate) << true << true << QStringLiteral("app.log.2026-01-15|app.log");
    QTest::newRow("date-rolling, unbuffered, rolls on the full disk")
        << int(ByDate) << false << true << QStringLiteral("app.log.2026-01-15|app.log");
}

// Every line whose write reported no error is in the file once, in order,
// and whole; after the limit is lifted the appender writes again by itself.
// Buffered, the part of a line the disk refused waits in the file's buffer
// and is written first once there is room: no line is left cut. Unbuffered,
// the refused part is dropped: the line that met the limit (and was
// reported) stays cut short, and the next line written follows it.
void tst_Faults::diskFull()
{
    QFETCH(int, kind);
    QFETCH(bool, buffered);
    QFETCH(bool, roll);
    QFETCH(QString, writtenFiles);
    const QStringList files = writtenFiles.split(QLatin1Char('|'));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FAULT_KIND"), QString::number(kind));
    environment.insert(QStringLiteral("FAULT_BUFFERED"), QString::number(int(buffered)));
    environment.insert(QStringLiteral("FAULT_ROLL"), QString::number(int(roll)));
    const ChildResult result = runChild(QStringLiteral("diskfull"), environment, directory());
    QVERIFY2(result.exitCode == 0, result.err.constData());
    QStringList accepted;
    QStringList refused;
    for (const QString &line : QString::fromUtf8(result.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString message = line.section(QLatin1Char(' '), 0, 0);
        const QString outcome = line.section(QLatin1Char(' '), 1);
        if (outcome == QLatin1String("ok")) {
            accepted << message;
        } else {
            QCOMPARE(outcome,
                fileError(kind, "Unable to write to file 'app.log' for appender 'F'", "APPENDER_WRITING_FILE_ERROR", 14,
                    QStringLiteral("File too large (2)")));
            refused << message;
        }
    }
    QCOMPARE(accepted.size() + refused.size(), 25);
    QVERIFY2(
        !refused.isEmpty() && refused.first() == QLatin1String("during0"), qPrintable(refused.join(QLatin1Char(' '))));
    QVERIFY(accepted.filter(QStringLiteral("after")).size() == 5);

    QDir folder(directory());
    QStringList sorted = files;
    sorted.sort();
    QCOMPARE(folder.entryList(QDir::Files, QDir::Name), sorted);
    // The whole lines in order, and what lies between them; a line begun in
    // one file and ended in the next shows as two cut pieces.
    const QRegularExpression line(QStringLiteral("INFO - (\\w+)\r\n"));
    QStringList written;
    QStringList cut;
    QString text;
    for (const QString &file : files) {
        const QString inFile = QString::fromLatin1(readFile(folder.filePath(file)));
        text += file + QStringLiteral(":\n") + inFile;
        int end = 0;
        for (auto it = line.globalMatch(inFile); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            if (match.capturedStart() > end)
                cut << inFile.mid(end, match.capturedStart() - end);
            written << match.captured(1);
            end = match.capturedEnd();
        }
        if (end < inFile.size())
            cut << inFile.mid(end);
    }
    // The accepted lines in order, with some refused ones among them.
    int next = 0;
    for (const QString &message : written) {
        if (next < accepted.size() && message == accepted.at(next))
            ++next;
        else
            QVERIFY2(refused.contains(message), qPrintable(text));
    }
    QVERIFY2(next == accepted.size(), qPrintable(text));
    if (buffered) {
        QVERIFY2(cut.isEmpty(), qPrintable(text));
    } else {
        QCOMPARE(cut.size(), 1);
        QVERIFY2(QStringLiteral("INFO - %1\r\n").arg(refused.first()).startsWith(cut.first()), qPrintable(text));
    }
}

void tst_Faults::floodThenTruncation_data()
{
    QTest::addColumn<bool>("buffered");
    QTest::newRow("unbuffered: the refused lines are lost") << false;
    // What the system refused is kept, up to a limit, and written first.
    QTest::newRow("buffered: the refused bytes are written first") << true;
}

// A file appender refuses thousands of lines on a full disk without their
// piling up in memory; once its file is emptied from outside, it goes on
// at the file's new end.
void tst_Faults::floodThenTruncation()
{
    QFETCH(bool, buffered);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FAULT_KIND"), QString::number(int(Plain)));
    environment.insert(QStringLiteral("FAULT_BUFFERED"), QString::number(int(buffered)));
    environment.insert(QStringLiteral("FAULT_FLOOD"), QStringLiteral("1"));
    // Freed memory held back by the address sanitizer would look like growth.
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
        QStringList { environment.value(QStringLiteral("ASAN_OPTIONS")), QStringLiteral("quarantine_size_mb=0") }.join(
            QLatin1Char(':')));
    const ChildResult result = runChild(QStringLiteral("diskfull"), environment, directory());
    QVERIFY2(result.exitCode == 0, result.err.constData());
    const QString out = QString::fromUtf8(result.out);
    QVERIFY(out.contains(QStringLiteral("\ngrowth ")));
    const long growth = out.section(QStringLiteral("\ngrowth "), 1).section(QLatin1Char('\n'), 0, 0).toLong();
    // 4000 lines of 5000 characters kept in a failed stream take 40 MB.
    QVERIFY2(growth < 8 * 1024, qPrintable(QStringLiteral("resident memory grew by %1 kB").arg(growth)));
    QByteArray after;
    for (int i = 0; i < 5; ++i)
        after += "INFO - after" + QByteArray::number(i) + "\r\n";
    const QByteArray written = readFile(path(QStringLiteral("app.log")));
    if (buffered)
        QVERIFY2(written.endsWith(after), written.right(100).constData());
    else
        QCOMPARE(written, after);
}

void tst_Faults::openFailsUntilTheNameIsFree_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("file appender") << int(Plain);
    QTest::newRow("size-rolling") << int(BySize);
    QTest::newRow("date-rolling") << int(ByDate);
}

// A non-empty directory has the file's name at activation. Events are
// refused; the open is tried again 1 s later, and after each failure the
// wait doubles, up to a minute (one schedule spaces every retry, roll-overs
// likewise). Once the directory is gone, the next retry opens the file and
// the appender writes, without a new activation.
void tst_Faults::openFailsUntilTheNameIsFree()
{
    QFETCH(int, kind);
    const QString file = path(QStringLiteral("app.log"));
    QVERIFY(QDir().mkpath(file + QStringLiteral("/inside")));
    ManualClock clock;
    clock.set(QStringLiteral("2026-01-15T10:00:00.000"));
    LogObjectPtr<FileAppender> appender(fileAppender(kind, file, &clock));
    Capture errors(QString::fromLatin1(contexts[kind]));
    errors.appender()->setThreshold(Level::ERROR_INT);
    appender->activate();
    QVERIFY(!appender->isActive());
    const QString openFailed = fileError(kind, "Unable to open file '%1' for appender 'F'",
        "APPENDER_OPENING_FILE_ERROR", 8, QStringLiteral("Is a directory (5)"))
                                   .arg(file);
    const QString noWriter
        = errorText(contexts[kind], "Activation of Appender 'F' that requires writer and has no writer set",
            "APPENDER_ACTIVATE_MISSING_WRITER_ERROR", 2);
    const QString noFile
        = errorText(contexts[kind], "Use of appender 'F' without open file", "APPENDER_NO_OPEN_FILE_ERROR", 6);
    // An event a second for five minutes, each refused.
    QList<int> attempts;
    for (int second = 1; second <= 300; ++second) {
        clock.advance(1000);
        const int before = errors->count(openFailed);
        appender->handleEvent(info(QStringLiteral("refused")));
        if (errors->count(openFailed) > before)
            attempts << second;
    }
    QCOMPARE(attempts, (QList<int> { 1, 3, 7, 15, 31, 63, 123, 183, 243 }));
    QCOMPARE(errors->texts().mid(0, 5), (QStringList { openFailed, noWriter, openFailed, noFile, noFile }));
    QCOMPARE(errors->count(noFile), 300);
    QVERIFY(QDir(file).removeRecursively());
    clock.advance(60 * 1000);
    appender->handleEvent(info(QStringLiteral("e")));
    appender->handleEvent(info(QStringLiteral("f")));
    QVERIFY(appender->isActive());
    QCOMPARE(errors->texts().size(), 2 + 9 + 300);
    QCOMPARE(filesAndMessages(directory()), QStringList { QStringLiteral("app.log: e f") });
}

void tst_Faults::failedRollOverLosesNothing_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("blocked");
    QTest::addColumn<QString>("files"); // "name: messages", separated by |
    // A non-empty directory in place of the oldest backup or of the dated
    // name cannot be removed, whoever runs the test; the younger backups
    // stay until the roll-over succeeds.
    QTest::newRow("size-rolling, oldest backup in the way")
        << int(BySize) << "app.log.3"
        << "app.log: i|app.log.1: a b c d e f g h|app.log.2: old1|app.log.3: old2";
    QTest::newRow("date-rolling, dated name in the way")
        << int(ByDate) << "app.log.2026-01-15"
        << "app.log: i|app.log.2026-01-15: a b c d e f g|app.log.2026-01-16: h";
}

// The error is reported, the file goes on (never truncated) under its name,
// the roll-over is tried again 1 s later, then 2 s, and succeeds once the
// way is clear; the next one falls due as usual.
void tst_Faults::failedRollOverLosesNothing()
{
    QFETCH(int, kind);
    QFETCH(QString, blocked);
    QFETCH(QString, files);
    if (kind == BySize) {
        writeFile(path(QStringLiteral("app.log.1")), "INFO - old1\r\n");
        writeFile(path(QStringLiteral("app.log.2")), "INFO - old2\r\n");
    }
    QVERIFY(QDir().mkpath(path(blocked + QStringLiteral("/inside"))));
    ManualClock clock;
    clock.set(QStringLiteral("2026-01-15T23:59:59.000"));
    LogObjectPtr<FileAppender> appender(fileAppender(kind, path(QStringLiteral("app.log")), &clock));
    appender->activate();
    Capture errors(QString::fromLatin1(contexts[kind]));
    errors.appender()->setThreshold(Level::ERROR_INT);
    const QString failure = fileError(kind, "Unable to remove file '%1' for appender 'F'", "APPENDER_REMOVE_FILE_ERROR",
        10, QStringLiteral("Is a directory (9)"))
                                .arg(path(blocked));
    // Each step: a clock advance in ms, then one event, then the number of
    // failures reported so far. The fourth line is both over the size limit
    // and the first of the new day.
    const struct {
        qint64 advance;
        const char *text;
        int failures;
    } steps[] = { { 0, "a", 0 }, { 0, "b", 0 }, { 0, "c", 0 }, { 1000, "d", 1 }, { 999, "e", 1 }, { 1, "f", 2 },
        { 1999, "g", 2 }, { 0, nullptr, 2 }, { 1, "h", 2 }, { 24 * 3600 * 1000, "i", 2 } };
    for (const auto &step : steps) {
        if (!step.text) {
            QVERIFY(QDir(path(blocked)).removeRecursively());
            continue;
        }
        clock.advance(step.advance);
        appender->handleEvent(info(QString::fromLatin1(step.text)));
        QVERIFY2(errors->count(failure) == step.failures, qPrintable(errors->texts().join(QLatin1Char('\n'))));
        QVERIFY(appender->isActive());
    }
    QCOMPARE(errors->texts().size(), 2);
    QCOMPARE(filesAndMessages(directory()), files.split(QLatin1Char('|')));
}

void tst_Faults::removedWhileLogging_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("files");
    // The lines written after the file lost its name went to a file nobody
    // can open any more; nothing tells the appender. Only a new activation
    // begins the file again.
    QTest::newRow("file appender") << int(Plain) << QStringLiteral("app.log: f");
    // The roll-over that d brings finds no file to rename, reports it and
    // begins the file (and its directory) again; from e on lines land.
    QTest::newRow("size-rolling") << int(BySize) << QStringLiteral("app.log: e f");
    // The day ends before d: the roll-over finds no file, reports it and goes
    // on in a new file under the ended day's name; a second later that file
    // takes the ended day's name and e begins the new day's file.
    QTest::newRow("date-rolling") << int(ByDate) << QStringLiteral("app.log: e f|app.log.2026-01-15: d");
}

// Left as it is, and described in the README: what a file appender does when
// its directory is removed while it writes (its file alone, likewise).
void tst_Faults::removedWhileLogging()
{
    QFETCH(int, kind);
    QFETCH(QString, files);
    const QString directory = path(QStringLiteral("logs"));
    const QString file = directory + QStringLiteral("/app.log");
    ManualClock clock;
    clock.set(QStringLiteral("2026-01-15T23:59:59.000"));
    LogObjectPtr<FileAppender> appender(fileAppender(kind, file, &clock));
    appender->activate();
    Capture errors(QString::fromLatin1(contexts[kind]));
    errors.appender()->setThreshold(Level::ERROR_INT);
    appender->handleEvent(info(QStringLiteral("a")));
    appender->handleEvent(info(QStringLiteral("b")));
    QVERIFY(QDir(directory).removeRecursively());
    appender->handleEvent(info(QStringLiteral("c")));
    clock.advance(1000);
    appender->handleEvent(info(QStringLiteral("d")));
    clock.advance(1000);
    appender->handleEvent(info(QStringLiteral("e")));
    if (kind == Plain) {
        QVERIFY(!QFile::exists(file));
        appender->activate();
    }
    appender->handleEvent(info(QStringLiteral("f")));
    appender->close();
    QCOMPARE(filesAndMessages(directory), files.split(QLatin1Char('|')));
    const QString target = kind == ByDate ? file + QStringLiteral(".2026-01-15") : file + QStringLiteral(".1");
    const QStringList reports { fileError(kind, "Unable to rename file '%1' to '%2' for appender 'F'",
        "APPENDER_RENAMING_FILE_ERROR", 9, QStringLiteral("Source file does not exist (10)"))
                                    .arg(file, target) };
    QCOMPARE(errors->texts(), kind == Plain ? QStringList() : reports);
}

QObject *newFaultsTest()
{
    return new tst_Faults;
}

#include "tst_faults.moc"
