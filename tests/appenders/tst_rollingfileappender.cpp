#include "common/capturingappender.h"
#include "engine/appenders/rollingfileappender.h"
#include "engine/logger.h"
#include "filetesting.h"

#include <QDir>
#include <QTest>

using namespace LogEngine;
using namespace FileTesting;

namespace
{

const QString rollingLog = QStringLiteral("LogEngine::RollingFileAppender");

} // namespace

class tst_RollingFileAppender : public FileTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void rollsOverAtExactSizeLimit_data();
    void rollsOverAtExactSizeLimit();
    void backupsMoveUp_data();
    void backupsMoveUp();
    void noBackupsKept_data();
    void noBackupsKept();

private:
    RollingFileAppender *appender(Layout *layout, qint64 limit, int maxBackupIndex = 1) const;
};

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
    QCOMPARE(readFile(path(QStringLiteral("app.log.1"))), backup);
    rolling->close();
    QCOMPARE(readFile(path(QStringLiteral("app.log"))), current);
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
    QCOMPARE(readFile(path(QStringLiteral("app.log"))), QByteArray("H\r\nINFO - three\r\n"));
    QCOMPARE(QDir(directory()).entryList(QDir::Files), QStringList { QStringLiteral("app.log") });
    QCOMPARE(log->texts(), warnings);
}

QObject *newRollingFileAppenderTest()
{
    return new tst_RollingFileAppender;
}

#include "tst_rollingfileappender.moc"
