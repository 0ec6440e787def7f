#include "common/capturingappender.h"
#include "engine/appenders/fileappender.h"
#include "engine/layouts/simplelayout.h"
#include "filetesting.h"

#include <QFileInfo>
#include <QTest>

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

} // namespace

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

QObject *newFileAppenderTest()
{
    return new tst_FileAppender;
}

#include "tst_fileappender.moc"
