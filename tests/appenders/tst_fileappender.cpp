#include "common/capturingappender.h"
#include "common/childprocess.h"
#include "engine/appenders/fileappender.h"
#include "engine/appenders/listappender.h"
#include "engine/layouts/simplelayout.h"
#include "engine/logger.h"
#include "engine/logmanager.h"
#include "filetesting.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

using namespace LogEngine;
using namespace FileTesting;

namespace
{

const QString fileErrors = QStringLiteral("LogEngine::FileAppender");

FileAppender *namedAppender(Layout *layout, const QString &fileName)
{
    auto *appender = new FileAppender(layout, fileName);
    appender->setName(QStringLiteral("F"));
    return appender;
}

QString fileError(const char *text, const char *symbol, int code, const QString &cause)
{
    return errorText("LogEngine::FileAppender", text, symbol, code, cause);
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

// Runs in a child with a small file size limit: the file fills up, thousands
// of writes fail, then the file is truncated from outside as rotation by copy
// and truncate does, and logging goes on. Prints the first two error records
// and the growth of resident memory over the failing writes.
int fileFaultScenario()
{
    std::signal(SIGXFSZ, SIG_IGN); // a write past the limit then fails with EFBIG
    const rlimit limit { 64 * 1024, 64 * 1024 };
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 2;
    Logger *errors = LogManager::logger(fileErrors);
    errors->setLevel(Level::ERROR_INT);
    errors->setAdditivity(false);
    LogObjectPtr<ListAppender> reports(new ListAppender);
    reports->setMaxCount(2);
    errors->addAppender(reports);

    LogObjectPtr<FileAppender> appender(namedAppender(new SimpleLayout, QStringLiteral("fault.log")));
    appender->setAppendFile(true);
    appender->setBufferedIo(qEnvironmentVariableIntValue("FAULT_BUFFERED") != 0);
    appender->activate();
    const QString filler(5000, QLatin1Char('x'));
    for (int line = 0; reports->list().isEmpty() && line < 100; ++line)
        appender->handleEvent(info(filler));
    const long before = residentKilobytes();
    for (int failing = 0; failing < 4000; ++failing)
        appender->handleEvent(info(filler));
    const long growth = residentKilobytes() - before;
    if (::truncate("fault.log", 0) != 0)
        return 3;
    appender->handleEvent(info(QStringLiteral("after 1")));
    appender->handleEvent(info(QStringLiteral("after 2")));
    appender->close();
    for (const LoggingEvent &report : reports->list())
        std::printf("%s\n", qPrintable(report.message()));
    std::printf("%ld\n", growth);
    return 0;
}

class tst_FileAppender : public FileTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void activationsAndCloses_data();
    void activationsAndCloses();
    void whatIsOnDiskAfterEachEvent_data();
    void whatIsOnDiskAfterEachEvent();
    void openingTheFile_data();
    void openingTheFile();
    void writesAgainOnceTheFaultIsGone_data();
    void writesAgainOnceTheFaultIsGone();
};

void tst_FileAppender::activationsAndCloses_data()
{
    QTest::addColumn<bool>("appendFile");
    QTest::addColumn<QString>("script"); // a: activate, c: close, x: destroy, a digit: an event saying it
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<bool>("refusedAsClosed");
    // Each activation ends the file with the footer and opens it again with
    // the header, truncating it unless appending.
    QTest::newRow("truncate") << false << "a1a2c" << QByteArray("H\r\nINFO - 2\r\nF\r\n") << false;
    QTest::newRow("append") << true << "a1a2c" << QByteArray("old\r\nH\r\nINFO - 1\r\nF\r\nH\r\nINFO - 2\r\nF\r\n")
                            << false;
    // Activated after a close, it opens the file again but refuses events;
    // its next close, or its destruction, still ends the file.
    QTest::newRow("closed, activated, closed")
        << true << "a1ca2c" << QByteArray("old\r\nH\r\nINFO - 1\r\nF\r\nH\r\nF\r\n") << true;
    QTest::newRow("closed, activated, destroyed")
        << true << "a1ca2x" << QByteArray("old\r\nH\r\nINFO - 1\r\nF\r\nH\r\nF\r\n") << true;
}

void tst_FileAppender::activationsAndCloses()
{
    QFETCH(bool, appendFile);
    QFETCH(QString, script);
    QFETCH(QByteArray, expected);
    QFETCH(bool, refusedAsClosed);
    const QString file = path(QStringLiteral("app.log"));
    writeFile(file, "old\r\n");
    Capture errors(fileErrors);
    errors.appender()->setThreshold(Level::ERROR_INT);
    LogObjectPtr<FileAppender> appender(namedAppender(layout(QStringLiteral("H"), QStringLiteral("F")), file));
    appender->setAppendFile(appendFile);
    for (const QChar step : script) {
        if (step == QLatin1Char('a'))
            appender->activate();
        else if (step == QLatin1Char('c'))
            appender->close();
        else if (step == QLatin1Char('x'))
            appender = nullptr;
        else
            appender->handleEvent(info(QString(step)));
    }
    QCOMPARE(readFile(file), expected);
    QCOMPARE(errors->texts(),
        refusedAsClosed ? QStringList { fileError("Use of closed appender 'F'", "APPENDER_CLOSED_ERROR", 4, QString()) }
                        : QStringList());
    if (appender)
        QCOMPARE(appender->writer(), nullptr);
}

void tst_FileAppender::whatIsOnDiskAfterEachEvent_data()
{
    QTest::addColumn<bool>("bufferedIo");
    QTest::addColumn<bool>("immediateFlush");
    QTest::addColumn<bool>("onDiskAtOnce");
    // Only a buffered file without immediate flush keeps events back.
    QTest::newRow("buffered, flushed") << true << true << true;
    QTest::newRow("buffered, not flushed") << true << false << false;
    QTest::newRow("unbuffered, flushed") << false << true << true;
    QTest::newRow("unbuffered, not flushed") << false << false << true;
}

void tst_FileAppender::whatIsOnDiskAfterEachEvent()
{
    QFETCH(bool, bufferedIo);
    QFETCH(bool, immediateFlush);
    QFETCH(bool, onDiskAtOnce);
    const QString file = path(QStringLiteral("app.log"));
    LogObjectPtr<FileAppender> appender(namedAppender(layout(), file));
    appender->setBufferedIo(bufferedIo);
    appender->setImmediateFlush(immediateFlush);
    appender->activate();
    QByteArray written;
    for (int i = 1; i <= 3; ++i) {
        appender->handleEvent(info(QStringLiteral("event %1").arg(i)));
        written += "INFO - event " + QByteArray::number(i) + "\r\n";
        QCOMPARE(readFile(file), onDiskAtOnce ? written : QByteArray());
    }
    appender->close();
    QCOMPARE(readFile(file), written);
}

void tst_FileAppender::openingTheFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("messages"); // %1 stands for the file's path
    const QString opened = QStringLiteral("Opened file '%1' for appender 'F'");
    const QString creating = QStringLiteral("Creating missing parent directory for file %1");
    const QString noWriter = fileError("Activation of Appender 'F' that requires writer and has no writer set",
        "APPENDER_ACTIVATE_MISSING_WRITER_ERROR", 2, QString());
    // The file check comes before the activation check.
    const QString noFile
        = fileError("Use of appender 'F' without open file", "APPENDER_NO_OPEN_FILE_ERROR", 6, QString());

    QTest::newRow("existing directory") << QStringLiteral("app.log") << QStringList { opened };
    // Every missing level of the path is created.
    QTest::newRow("three levels missing")
        << QStringLiteral("logs/app/2024/app.log") << QStringList { creating, opened };
    // A plain file where a directory must go.
    QTest::newRow("file in place of a directory")
        << QStringLiteral("app.log/logs/app.log")
        << QStringList { creating,
               fileError("Unable to open file '%1' for appender 'F'", "APPENDER_OPENING_FILE_ERROR", 8,
                   QStringLiteral(": Cannot create directory '%2' (5)")),
               noWriter, noFile };
}

void tst_FileAppender::openingTheFile()
{
    QFETCH(QString, name);
    QFETCH(QStringList, messages);
    const QString file = path(name);
    const QString firstLevel = path(name.section(QLatin1Char('/'), 0, 0));
    if (name.count(QLatin1Char('/')) > 1 && name.startsWith(QLatin1String("app.log")))
        QVERIFY(QFile(firstLevel).open(QIODevice::WriteOnly));
    Capture log(fileErrors);
    LogObjectPtr<FileAppender> appender(namedAppender(new SimpleLayout, file));
    appender->activate();
    appender->handleEvent(info(QStringLiteral("event")));
    for (QString &message : messages)
        message.replace(QStringLiteral("%1"), file).replace(QStringLiteral("%2"), QFileInfo(file).path());
    QCOMPARE(log->texts(), messages);
    const bool opened = messages.last().startsWith(QStringLiteral("Opened"));
    QCOMPARE(appender->isActive(), opened);
    if (opened)
        QCOMPARE(readFile(file), QByteArray("INFO - event\r\n"));
}

void tst_FileAppender::writesAgainOnceTheFaultIsGone_data()
{
    QTest::addColumn<bool>("bufferedIo");
    QTest::newRow("unbuffered: the failed lines are lost") << false;
    // The appender keeps what the system refused in its buffer and writes
    // that first once it can.
    QTest::newRow("buffered: the refused bytes are written first") << true;
}

void tst_FileAppender::writesAgainOnceTheFaultIsGone()
{
    QFETCH(bool, bufferedIo);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FAULT_BUFFERED"), bufferedIo ? QStringLiteral("1") : QStringLiteral("0"));
    // Freed memory held back by the address sanitizer would look like growth.
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
        QStringList { environment.value(QStringLiteral("ASAN_OPTIONS")), QStringLiteral("quarantine_size_mb=0") }.join(
            QLatin1Char(':')));
    const ChildResult result = runChild(QStringLiteral("filefault"), environment, directory());
    QVERIFY2(result.exitCode == 0, result.err.constData());
    QStringList lines = QString::fromUtf8(result.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty());
    const long growth = lines.takeLast().toLong();
    // 4000 lines of 5000 characters kept in a failed stream take 40 MB.
    QVERIFY2(growth < 8 * 1024, qPrintable(QStringLiteral("resident memory grew by %1 kB").arg(growth)));
    const QByteArray newLines("INFO - after 1\r\nINFO - after 2\r\n");
    const QByteArray written = readFile(path(QStringLiteral("fault.log")));
    if (bufferedIo)
        QVERIFY2(written.endsWith(newLines), written.right(100).constData());
    else
        QCOMPARE(written, newLines);
    // The write that meets the limit is cut short and the rest of it
    // refused, as is every later one: each reports the system's error.
    const QString tooLarge = fileError("Unable to write to file 'fault.log' for appender 'F'",
        "APPENDER_WRITING_FILE_ERROR", 14, QStringLiteral(": File too large (2)"));
    QCOMPARE(lines, (QStringList { tooLarge, tooLarge }));
}

QObject *newFileAppenderTest()
{
    return new tst_FileAppender;
}

#include "tst_fileappender.moc"
