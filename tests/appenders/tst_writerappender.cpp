#include "common/capturingappender.h"
#include "engine/appenders/consoleappender.h"
#include "engine/appenders/writerappender.h"
#include "engine/layouts/patternlayout.h"
#include "engine/layouts/simplelayout.h"
#include "filetesting.h"

#include <QTest>

using namespace LogEngine;
using namespace FileTesting;

class tst_WriterAppender : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void headerAndFooterFrameEachWriter_data();
    void headerAndFooterFrameEachWriter();
    void encodingFollowsWriter();
    void immediateFlushOffKeepsTextBuffered();
    void linesOfAnyLengthFollowEachOther();
    void invalidConsoleTargetKeepsTheOldOne();
};

void tst_WriterAppender::headerAndFooterFrameEachWriter_data()
{
    // 1, 2: set the first or second writer, a: activate, c: close, x: destroy, i: an event
    QTest::addColumn<QString>("script");
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QString>("decorations"); // the layout's header and footer, separated by |
    QTest::addColumn<QStringList>("errors");
    const QString closed
        = QStringLiteral("Use of closed appender 'W' (LogEngine::WriterAppender::APPENDER_CLOSED_ERROR, 4)");
    QTest::newRow("header on attach, footer when let go")
        << "1ai2ic" << QByteArray("H\r\nINFO - i\r\nF\r\n") << QByteArray("H\r\nINFO - i\r\nF\r\n") << "H|F"
        << QStringList();
    QTest::newRow("attached, never activated")
        << "1c" << QByteArray("H\r\nF\r\n") << QByteArray() << "H|F" << QStringList();
    // Closing detached the writer, so that is what a closed appender reports.
    QTest::newRow("closed, then an event")
        << "1aci" << QByteArray("H\r\nF\r\n") << QByteArray() << "H|F"
        << QStringList { QStringLiteral("Use of appender 'W' without a writer set "
                                        "(LogEngine::WriterAppender::APPENDER_USE_MISSING_WRITER_ERROR, 13)") };
    QTest::newRow("empty decorations write nothing")
        << "1aix" << QByteArray("INFO - i\r\n") << QByteArray() << "|" << QStringList();
    QTest::newRow("footer on destruction") << "1x" << QByteArray("bye\r\n") << QByteArray() << "|bye" << QStringList();
    // Activated after a close, an appender refuses events as closed, yet its
    // next close still ends the stream it was given.
    QTest::newRow("reactivated after close, closed again")
        << "1ac2aic" << QByteArray("H\r\nF\r\n") << QByteArray("H\r\nF\r\n") << "H|F" << QStringList { closed };
}

void tst_WriterAppender::headerAndFooterFrameEachWriter()
{
    QFETCH(QString, script);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(QString, decorations);
    QFETCH(QStringList, errors);
    MemoryStream streams[2];
    Capture log(QStringLiteral("LogEngine::WriterAppender"));
    log.appender()->setThreshold(Level::ERROR_INT);
    LogObjectPtr<WriterAppender> appender(new WriterAppender(
        layout(decorations.section(QLatin1Char('|'), 0, 0), decorations.section(QLatin1Char('|'), 1))));
    appender->setName(QStringLiteral("W"));
    for (const QChar step : script) {
        if (step == QLatin1Char('1') || step == QLatin1Char('2'))
            appender->setWriter(&streams[step.digitValue() - 1].stream);
        else if (step == QLatin1Char('a'))
            appender->activate();
        else if (step == QLatin1Char('c'))
            appender->close();
        else if (step == QLatin1Char('x'))
            appender = nullptr;
        else
            appender->handleEvent(info(QStringLiteral("i")));
    }
    QCOMPARE(streams[0].text(), first);
    QCOMPARE(streams[1].text(), second);
    QCOMPARE(log->texts(), errors);
    if (appender)
        QVERIFY(!appender->writer());
}

void tst_WriterAppender::encodingFollowsWriter()
{
    MemoryStream stream;
    LogObjectPtr<WriterAppender> appender(new WriterAppender(new SimpleLayout));
    TextCodec *latin1 = TextCodec::codecForName("ISO-8859-1");
    TextCodec *utf16 = TextCodec::codecForName("UTF-16BE");
    appender->setEncoding(latin1);
    appender->setWriter(&stream.stream);
    QCOMPARE(QtCompat::streamCodec(stream.stream), latin1);
    appender->activate();
    appender->handleEvent(info(QString::fromUtf8("caf\xc3\xa9")));
    QCOMPARE(stream.text(), QByteArray("INFO - caf\xe9\r\n"));
    appender->setEncoding(utf16);
    QCOMPARE(QtCompat::streamCodec(stream.stream), utf16);
    QtCompat::setStreamCodec(stream.stream, latin1);
    appender->setEncoding(utf16); // already set: the stream is left alone
    QCOMPARE(QtCompat::streamCodec(stream.stream), latin1);
    appender->setEncoding(nullptr);
    QCOMPARE(QtCompat::streamCodec(stream.stream), TextCodec::codecForLocale());
}

void tst_WriterAppender::immediateFlushOffKeepsTextBuffered()
{
    MemoryStream stream;
    LogObjectPtr<WriterAppender> appender(new WriterAppender(new SimpleLayout));
    appender->setWriter(&stream.stream);
    appender->activate();
    appender->setImmediateFlush(false);
    appender->handleEvent(info(QStringLiteral("held")));
    QCOMPARE(stream.buffer.data(), QByteArray());
    appender->setImmediateFlush(true);
    appender->handleEvent(info(QStringLiteral("now")));
    QCOMPARE(stream.buffer.data(), QByteArray("INFO - held\r\nINFO - now\r\n"));
}

// Each line is formatted into room kept from the one before, which a very
// long line gives back.
void tst_WriterAppender::linesOfAnyLengthFollowEachOther()
{
    MemoryStream stream;
    LogObjectPtr<WriterAppender> appender(new WriterAppender(new PatternLayout(QStringLiteral("%-3m|"))));
    appender->setWriter(&stream.stream);
    appender->activate();
    const QString longText(40000, QLatin1Char('x'));
    for (const QString &text : { QStringLiteral("abcdef"), longText, QStringLiteral("a"), QString() })
        appender->handleEvent(info(text));
    QCOMPARE(stream.text(), "abcdef|" + longText.toLatin1() + "|a  |   |");
}

// An invalid target leaves the one set before (the conversion reports it).
void tst_WriterAppender::invalidConsoleTargetKeepsTheOldOne()
{
    LogObjectPtr<ConsoleAppender> appender(new ConsoleAppender);
    appender->setTarget(QStringLiteral("System.Err"));
    Capture errors(QStringLiteral("LogEngine::OptionConverter"));
    appender->setTarget(QStringLiteral("stdout"));
    QCOMPARE(appender->target(), QStringLiteral("STDERR_TARGET"));
}

QObject *newWriterAppenderTest()
{
    return new tst_WriterAppender;
}

#include "tst_writerappender.moc"
