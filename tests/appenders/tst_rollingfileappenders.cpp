#include "common/capturingappender.h"
#include "common/childprocess.h"
#include "engine/appenders/dailyrollingfileappender.h"
#include "engine/appenders/listappender.h"
#include "engine/appenders/rollingfileappender.h"
#include "engine/logger.h"
#include "engine/logmanager.h"
#include "filetesting.h"
#include "manualclock.h"

#include <QDir>
#include <QTest>

#include <cstdio>

using namespace LogEngine;
using namespace FileTesting;

// Runs in a child whose time zone the test chooses: activates an appender
// on app.log with WALK_PATTERN at the first of WALK_EVENTS ("label@time"
// separated by blanks, times in ISO 8601) and logs each label with the
// clock set to its time. Error records go to standard error and fail it.
int dailyWalkScenario()
{
    Logger *errors = LogManager::logger(QStringLiteral("LogEngine::DailyRollingFileAppender"));
    errors->setLevel(Level::ERROR_INT);
    errors->setAdditivity(false);
    LogObjectPtr<ListAppender> reports(new ListAppender);
    errors->addAppender(reports);

    ManualClock clock;
    LogObjectPtr<DailyRollingFileAppender> appender(new DailyRollingFileAppender(
        new SimpleLayout, QStringLiteral("app.log"), qEnvironmentVariable("WALK_PATTERN")));
    appender->setClock(&clock);
    const QStringList events = qEnvironmentVariable("WALK_EVENTS").split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &event : events) {
        const QStringList labelAndTime = event.split(QLatin1Char('@'));
        clock.set(labelAndTime.value(1));
        if (!appender->isActive())
            appender->activate();
        appender->handleEvent(info(labelAndTime.value(0)));
    }
    appender->close();
    for (const LoggingEvent &report : reports->list())
        std::fprintf(stderr, "%s\n", qPrintable(report.message()));
    return reports->list().isEmpty() ? 0 : 1;
}

// The rolling file appenders: by size, then by date.
class tst_RollingFileAppenders : public FileTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void rollsOverAtExactSizeLimit_data();
    void rollsOverAtExactSizeLimit();
    void backupsMoveUp_data();
    void backupsMoveUp();
    void noBackupsKept_data();
    void noBackupsKept();
    void walksAcrossPeriods_data();
    void walksAcrossPeriods();
    void datedRollOverEndsTheFileAndReplacesAnOldOne();

private:
    RollingFileAppender *appender(Layout *layout, qint64 limit, int maxBackupIndex = 1) const;
};

RollingFileAppender *tst_RollingFileAppenders::appender(Layout *layout, qint64 limit, int maxBackupIndex) const
{
    auto *appender = new RollingFileAppender(layout, path(QStringLiteral("app.log")));
    appender->setName(QStringLiteral("R"));
    appender->setMaximumFileSize(limit);
    appender->setMaxBackupIndex(maxBackupIndex);
    return appender;
}

void tst_RollingFileAppenders::rollsOverAtExactSizeLimit_data()
{
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<bool>("immediateFlush");
    QTest::addColumn<QByteArray>("current");
    QTest::addColumn<QByteArray>("backup");
    // Two lines of 12 bytes after a header of 3: 27 bytes. The write that
    // makes the file larger than the limit stays in it; equal does not roll.
    const QByteArray both("H\r\nINFO - one\r\nINFO - two\r\n");
    QTest::newRow("exactly-at-limit") << qint64(27) << true << both + "F\r\n" << QByteArray("old");
    QTest::newRow("one-byte-over") << qint64(26) << true << QByteArray("H\r\nF\r\n") << both + "F\r\n";
    // Text still in the stream's buffer counts as written.
    QTest::newRow("exactly-at-limit, buffered, not flushed") << qint64(27) << false << both + "F\r\n"
                                                             << QByteArray("old");
    QTest::newRow("one-byte-over, buffered, not flushed")
        << qint64(26) << false << QByteArray("H\r\nF\r\n") << both + "F\r\n";
}

void tst_RollingFileAppenders::rollsOverAtExactSizeLimit()
{
    QFETCH(qint64, limit);
    QFETCH(bool, immediateFlush);
    QFETCH(QByteArray, current);
    QFETCH(QByteArray, backup);
    writeFile(path(QStringLiteral("app.log.1")), "old");
    LogObjectPtr<RollingFileAppender> rolling(appender(layout(QStringLiteral("H"), QStringLiteral("F")), limit));
    rolling->setImmediateFlush(immediateFlush);
    rolling->activate();
    rolling->handleEvent(info(QStringLiteral("one")));
    rolling->handleEvent(info(QStringLiteral("two")));
    QCOMPARE(readFile(path(QStringLiteral("app.log.1"))), backup);
    rolling->close();
    QCOMPARE(readFile(path(QStringLiteral("app.log"))), current);
}

// Missing numbers are skipped; the oldest backup is removed. Only the
// backups there are cost time, however high the index.
void tst_RollingFileAppenders::backupsMoveUp_data()
{
    QTest::addColumn<int>("maxBackupIndex");
    QTest::addColumn<QByteArrayList>("after");
    QTest::addColumn<QList<int>>("renamed");
    QTest::newRow("oldest removed") << 3 << QByteArrayList { "INFO - one\r\n", "first", "" } << QList<int> { 1 };
    QTest::newRow("two billion kept") << 2000000000 << QByteArrayList { "INFO - one\r\n", "first", "", "third" }
                                      << QList<int> { 3, 1 };
}

void tst_RollingFileAppenders::backupsMoveUp()
{
    QFETCH(int, maxBackupIndex);
    QFETCH(QByteArrayList, after);
    QFETCH(QList<int>, renamed);
    writeFile(path(QStringLiteral("app.log.1")), "first");
    writeFile(path(QStringLiteral("app.log.3")), "third");
    writeFile(path(QStringLiteral("app.log.03")), "no backup");
    LogObjectPtr<RollingFileAppender> rolling(appender(layout(), 1, maxBackupIndex));
    rolling->activate();
    Capture log(QStringLiteral("LogEngine::RollingFileAppender"));
    rolling->handleEvent(info(QStringLiteral("one")));
    for (int index = 1; index <= after.size() + 1; ++index) {
        const QString backup = path(QStringLiteral("app.log.%1").arg(index));
        QCOMPARE(QFile::exists(backup), index <= after.size() && !after.at(index - 1).isEmpty());
        if (QFile::exists(backup))
            QCOMPARE(readFile(backup), after.at(index - 1));
    }
    QCOMPARE(readFile(path(QStringLiteral("app.log.03"))), QByteArray("no backup"));
    QCOMPARE(readFile(path(QStringLiteral("app.log"))), QByteArray());
    const QString file = path(QStringLiteral("app.log"));
    QStringList expected { QStringLiteral("Rolling over with maxBackupIndex = %1").arg(maxBackupIndex),
        QStringLiteral("Closing file '%1' for appender 'R'").arg(file) };
    for (const int index : renamed)
        expected << QStringLiteral("Renaming file '%1.%2' to '%1.%3'").arg(file).arg(index).arg(index + 1);
    expected << QStringLiteral("Renaming file '%1' to '%1.1'").arg(file)
             << QStringLiteral("Opened file '%1' for appender 'R'").arg(file);
    QCOMPARE(log->texts(), expected);
}

void tst_RollingFileAppenders::noBackupsKept_data()
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

void tst_RollingFileAppenders::noBackupsKept()
{
    QFETCH(int, maxBackupIndex);
    QFETCH(bool, appendFile);
    QFETCH(QStringList, warnings);
    Capture log(QStringLiteral("LogEngine::RollingFileAppender"));
    log.appender()->setThreshold(Level::WARN_INT);
    LogObjectPtr<RollingFileAppender> rolling(appender(layout(QStringLiteral("H")), 20, maxBackupIndex));
    QCOMPARE(log->texts(), warnings);
    QCOMPARE(rolling->maxBackupIndex(), 0);
    rolling->setAppendFile(appendFile);
    rolling->activate();
    for (const char *text : { "one", "two", "three" })
        rolling->handleEvent(info(QString::fromLatin1(text)));
    QCOMPARE(readFile(path(QStringLiteral("app.log"))), QByteArray("H\r\nINFO - three\r\n"));
    QCOMPARE(QDir(directory()).entryList(QDir::Files), QStringList { QStringLiteral("app.log") });
    QCOMPARE(log->texts(), warnings);
}

void tst_RollingFileAppenders::walksAcrossPeriods_data()
{
    QTest::addColumn<QString>("timeZone");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("files"); // "name: messages", separated by |
    const QString berlin = QStringLiteral("Europe/Berlin");
    const QString lordHowe = QStringLiteral("Australia/Lord_Howe");
    const QString minutely = QStringLiteral("'.'yyyy-MM-dd-HH-mm");
    const QString hourly = QStringLiteral("'.'yyyy-MM-dd-HH");
    const QString daily = QStringLiteral("'.'yyyy-MM-dd");

    // One file per period that had events, named after the period it was
    // begun in; the last moment of a period and the first of the next, for
    // each frequency a pattern can give.
    QTest::newRow("minute") << berlin << minutely
                            << "a@2026-01-15T10:00:59.999 b@2026-01-15T10:01:00.000 "
                               "c@2026-01-15T10:01:30.000 d@2026-01-15T10:03:00.000"
                            << "app.log: d|app.log.2026-01-15-10-00: a|app.log.2026-01-15-10-01: b c";
    // The Java millisecond letter prints the period's start, like any other.
    QTest::newRow("hour, milliseconds") << berlin << "'.'yyyy-MM-dd-HH,SSS"
                                        << "a@2026-01-15T09:59:59.999 b@2026-01-15T10:00:00.000"
                                        << "app.log: b|app.log.2026-01-15-09,000: a";
    QTest::newRow("noon and midnight") << berlin << "'.'yyyy-MM-dd-a"
                                       << "a@2026-01-15T11:59:59.999 b@2026-01-15T12:00:00.000 "
                                          "c@2026-01-15T23:59:59.999 d@2026-01-16T00:00:00.000"
                                       << "app.log: d|app.log.2026-01-15-am: a|app.log.2026-01-15-pm: b c";
    // 10 and 17 January 2026 are Saturdays; a week is named after its Sunday.
    QTest::newRow("week from Sunday") << berlin << "'.'yyyy-'W'ww"
                                      << "a@2026-01-10T23:59:59.999 b@2026-01-11T00:00:00.000 "
                                         "c@2026-01-17T12:00:00.000 d@2026-01-18T00:00:00.000"
                                      << "app.log: d|app.log.2026-W01: a|app.log.2026-W02: b c";
    QTest::newRow("month and year end") << berlin << "'.'yyyy-MM"
                                        << "a@2026-12-31T23:59:59.999 b@2027-01-01T00:00:00.000 "
                                           "c@2027-01-31T23:59:00.000 d@2027-02-01T00:00:00.000"
                                        << "app.log: d|app.log.2026-12: a|app.log.2027-01: b c";

    // Days of 23 and 25 hours.
    QTest::newRow("Berlin, 23-hour day") << berlin << daily
                                         << "a@2026-03-28T12:00:00.000+01:00 b@2026-03-29T00:00:00.000+01:00 "
                                            "c@2026-03-29T23:59:59.999+02:00 d@2026-03-30T00:00:00.000+02:00"
                                         << "app.log: d|app.log.2026-03-28: a|app.log.2026-03-29: b c";
    QTest::newRow("Berlin, 25-hour day") << berlin << daily
                                         << "a@2026-10-24T23:00:00.000+02:00 b@2026-10-25T00:00:00.000+02:00 "
                                            "c@2026-10-25T23:59:59.999+01:00 d@2026-10-26T00:00:00.000+01:00"
                                         << "app.log: d|app.log.2026-10-24: a|app.log.2026-10-25: b c";
    // A skipped hour has no file; the next one begins when the clock jumps.
    QTest::newRow("Berlin, hour skipped") << berlin << hourly
                                          << "a@2026-03-29T01:59:59.999+01:00 b@2026-03-29T03:00:00.000+02:00 "
                                             "c@2026-03-29T03:59:59.999+02:00 d@2026-03-29T04:00:00.000+02:00"
                                          << "app.log: d|app.log.2026-03-29-01: a|app.log.2026-03-29-03: b c";
    QTest::newRow("Lord Howe, half hour skipped") << lordHowe << hourly
                                                  << "a@2026-10-04T01:59:59.999+10:30 b@2026-10-04T02:30:00.000+11:00 "
                                                     "c@2026-10-04T02:59:59.999+11:00 d@2026-10-04T03:00:00.000+11:00"
                                                  << "app.log: d|app.log.2026-10-04-01: a|app.log.2026-10-04-02: b c";
    // Time shown twice stays with the period running: no name comes twice,
    // so no file of the run is replaced.
    QTest::newRow("Berlin, hour shown twice") << berlin << hourly
                                              << "a@2026-10-25T01:59:59.999+02:00 b@2026-10-25T02:00:00.000+02:00 "
                                                 "c@2026-10-25T02:00:00.000+01:00 d@2026-10-25T02:59:59.999+01:00 "
                                                 "e@2026-10-25T03:00:00.000+01:00"
                                              << "app.log: e|app.log.2026-10-25-01: a|app.log.2026-10-25-02: b c d";
    QTest::newRow("Berlin, minutes shown twice")
        << berlin << minutely
        << "a@2026-10-25T02:58:30.000+02:00 b@2026-10-25T02:59:10.000+02:00 "
           "c@2026-10-25T02:00:30.000+01:00 d@2026-10-25T02:58:30.000+01:00 "
           "e@2026-10-25T03:00:00.000+01:00"
        << "app.log: e|app.log.2026-10-25-02-58: a|app.log.2026-10-25-02-59: b c d";
    QTest::newRow("Lord Howe, half hour shown twice")
        << lordHowe << hourly
        << "a@2026-04-05T00:59:59.999+11:00 b@2026-04-05T01:00:00.000+11:00 "
           "c@2026-04-05T01:45:00.000+11:00 d@2026-04-05T01:30:00.000+10:30 "
           "e@2026-04-05T01:59:59.999+10:30 f@2026-04-05T02:00:00.000+10:30"
        << "app.log: f|app.log.2026-04-05-00: a|app.log.2026-04-05-01: b c d e";
    QTest::newRow("Lord Howe, minutes shown twice")
        << lordHowe << minutely
        << "a@2026-04-05T01:30:10.000+11:00 b@2026-04-05T01:59:30.000+11:00 "
           "c@2026-04-05T01:30:30.000+10:30 d@2026-04-05T02:00:00.000+10:30"
        << "app.log: d|app.log.2026-04-05-01-30: a|app.log.2026-04-05-01-59: b c";
}

void tst_RollingFileAppenders::walksAcrossPeriods()
{
    QFETCH(QString, timeZone);
    QFETCH(QString, pattern);
    QFETCH(QString, events);
    QFETCH(QString, files);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TZ"), timeZone);
    environment.insert(QStringLiteral("WALK_PATTERN"), pattern);
    environment.insert(QStringLiteral("WALK_EVENTS"), events);
    const ChildResult result = runChild(QStringLiteral("dailywalk"), environment, directory());
    QVERIFY2(result.exitCode == 0, result.err.constData());
    QCOMPARE(filesAndMessages(directory()), files.split(QLatin1Char('|')));
}

// The file of the ended period ends with the footer; a file already under
// its new name is removed first; the new file begins with the header.
void tst_RollingFileAppenders::datedRollOverEndsTheFileAndReplacesAnOldOne()
{
    const QString file = path(QStringLiteral("app.log"));
    writeFile(file + QStringLiteral(".2015-06-30"), "old");
    ManualClock clock;
    clock.set(QStringLiteral("2015-06-30T12:00:00.000"));
    LogObjectPtr<DailyRollingFileAppender> appender(new DailyRollingFileAppender(
        layout(QStringLiteral("H"), QStringLiteral("F")), file, QStringLiteral("'.'yyyy-MM-dd")));
    appender->setName(QStringLiteral("D"));
    appender->setClock(&clock);
    appender->activate();
    appender->handleEvent(info(QStringLiteral("a")));
    clock.set(QStringLiteral("2015-07-01T00:00:00.000"));
    Capture log(QStringLiteral("LogEngine::DailyRollingFileAppender"));
    appender->handleEvent(info(QStringLiteral("b")));
    QCOMPARE(readFile(file + QStringLiteral(".2015-06-30")), QByteArray("H\r\nINFO - a\r\nF\r\n"));
    QCOMPARE(readFile(file), QByteArray("H\r\nINFO - b\r\n"));
    QCOMPARE(log->texts(),
        (QStringList { QStringLiteral("Computing roll over time from 2015-07-01T00:00:00: The interval start time is "
                                      "2015-07-01T00:00:00. The roll over time is 2015-07-02T00:00:00"),
            QStringLiteral("Closing file '%1' for appender 'D'").arg(file),
            QStringLiteral("Renaming file '%1' to '%1.2015-06-30'").arg(file),
            QStringLiteral("Opened file '%1' for appender 'D'").arg(file) }));
}

QObject *newRollingFileAppendersTest()
{
    return new tst_RollingFileAppenders;
}

#include "tst_rollingfileappenders.moc"
