#include "common/capturingappender.h"
#include "engine/appenders/consoleappender.h"
#include "engine/appenders/writerappender.h"
#include "engine/layouts/patternlayout.h"
#include "engine/layouts/simplelayout.h"

#include <QBuffer>
#include <QTest>

using namespace LogEngine;

namespace
{

// A text stream on an in-memory buffer.
struct MemoryStream {
    QBuffer buffer;
    QTextStream stream;
    MemoryStream()
    {
        buffer.open(QIODevice::WriteOnly);
        stream.setDevice(&buffer);
    }
    QByteArray text()
    {
        stream.flush();
        return buffer.data();
    }
};

SimpleLayout *decoratedLayout(const QString &header, const QString &footer)
{
    auto *layout = new SimpleLayout;
    layout->setHeader(header);
    layout->setFooter(footer);
    return layout;
}

LoggingEvent eventAt(int level, const QString &message)
{
    return LoggingEvent(nullptr, Level(level), message);
}

} // namespace

class tst_WriterAppender : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void headerOnAttachFooterOnLettingGo();
    void emptyDecorationsWriteNothing();
    void footerOnDestruction();
    void reactivatedAfterCloseLetsGoOfWriter_data();
    void reactivatedAfterCloseLetsGoOfWriter();
    void encodingFollowsWriter();
    void immediateFlushOffKeepsTextBuffered();
    void linesOfAnyLengthFollowEachOther();
    void missingWriterIsReportedFirst();
    void consoleTargetConversion();
};

void tst_WriterAppender::headerOnAttachFooterOnLettingGo()
{
    MemoryStream first;
    MemoryStream second;
    LogObjectPtr<WriterAppender> appender(
        new WriterAppender(decoratedLayout(QStringLiteral("H"), QStringLiteral("F"))));
    appender->setName(QStringLiteral("W"));
    appender->setWriter(&first.stream);
    QCOMPARE(first.text(), QByteArray("H\r\n"));
    appender->activate();
    appender->handleEvent(eventAt(Level::INFO_INT, QStringLiteral("Started")));
    appender->setWriter(&second.stream);
    QCOMPARE(first.text(), QByteArray("H\r\nINFO - Started\r\nF\r\n"));
    appender->handleEvent(eventAt(Level::WARN_INT, QStringLiteral("Second")));
    appender->close();
    QCOMPARE(second.text(), QByteArray("H\r\nWARN - Second\r\nF\r\n"));

    // Closing detached the writer, so that is what a closed appender reports.
    Capture errors(QStringLiteral("LogEngine::WriterAppender"));
    appender->handleEvent(eventAt(Level::INFO_INT, QStringLiteral("late")));
    QCOMPARE(errors->texts(),
        QStringList { QStringLiteral("Use of appender 'W' without a writer set "
                                     "(LogEngine::WriterAppender::APPENDER_USE_MISSING_WRITER_ERROR, 13)") });
}

void tst_WriterAppender::emptyDecorationsWriteNothing()
{
    MemoryStream stream;
    {
        LogObjectPtr<WriterAppender> appender(new WriterAppender(new SimpleLayout));
        appender->setWriter(&stream.stream);
        appender->activate();
        appender->handleEvent(eventAt(Level::ERROR_INT, QString()));
    }
    QCOMPARE(stream.text(), QByteArray("ERROR - \r\n"));
}

void tst_WriterAppender::footerOnDestruction()
{
    MemoryStream stream;
    {
        LogObjectPtr<WriterAppender> appender(new WriterAppender(decoratedLayout(QString(), QStringLiteral("bye"))));
        appender->setWriter(&stream.stream);
    }
    QCOMPARE(stream.text(), QByteArray("bye\r\n"));
}

// Activation after a close leaves an appender that refuses events as closed,
// yet its next close, or its destruction, still ends the stream it was given.
void tst_WriterAppender::reactivatedAfterCloseLetsGoOfWriter_data()
{
    QTest::addColumn<bool>("destroy");
    QTest::newRow("closed-again") << false;
    QTest::newRow("destroyed") << true;
}

void tst_WriterAppender::reactivatedAfterCloseLetsGoOfWriter()
{
    QFETCH(bool, destroy);
    MemoryStream first;
    MemoryStream second;
    Capture errors(QStringLiteral("LogEngine::WriterAppender"));
    {
        LogObjectPtr<WriterAppender> appender(
            new WriterAppender(decoratedLayout(QStringLiteral("H"), QStringLiteral("F"))));
        appender->setName(QStringLiteral("W"));
        appender->setWriter(&first.stream);
        appender->activate();
        appender->close();
        appender->setWriter(&second.stream);
        appender->activate();
        QVERIFY(appender->isActive());
        QVERIFY(appender->isClosed());
        appender->handleEvent(eventAt(Level::INFO_INT, QStringLiteral("refused")));
        if (!destroy) {
            appender->close();
            QVERIFY(!appender->writer());
        }
    }
    QCOMPARE(first.text(), QByteArray("H\r\nF\r\n"));
    QCOMPARE(second.text(), QByteArray("H\r\nF\r\n"));
    QCOMPARE(errors->texts(),
        QStringList {
            QStringLiteral("Use of closed appender 'W' (LogEngine::WriterAppender::APPENDER_CLOSED_ERROR, 4)") });
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
    appender->handleEvent(eventAt(Level::INFO_INT, QString::fromUtf8("caf\xc3\xa9")));
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
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QTextStream stream(&buffer);
    LogObjectPtr<WriterAppender> appender(new WriterAppender(new SimpleLayout));
    appender->setWriter(&stream);
    appender->activate();
    appender->setImmediateFlush(false);
    appender->handleEvent(eventAt(Level::INFO_INT, QStringLiteral("held")));
    QCOMPARE(buffer.data(), QByteArray());
    appender->setImmediateFlush(true);
    appender->handleEvent(eventAt(Level::INFO_INT, QStringLiteral("now")));
    QCOMPARE(buffer.data(), QByteArray("INFO - held\r\nINFO - now\r\n"));
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
        appender->handleEvent(eventAt(Level::INFO_INT, text));
    QCOMPARE(stream.text(), "abcdef|" + longText.toLatin1() + "|a  |   |");
}

void tst_WriterAppender::missingWriterIsReportedFirst()
{
    LogObjectPtr<WriterAppender> appender(new WriterAppender);
    appender->setName(QStringLiteral("W"));
    Capture errors(QStringLiteral("LogEngine::WriterAppender"));
    appender->activate();
    QVERIFY(!appender->isActive());
    appender->handleEvent(eventAt(Level::INFO_INT, QStringLiteral("x")));
    QCOMPARE(errors->texts(),
        (QStringList { QStringLiteral("Activation of Appender 'W' that requires writer and has no writer set "
                                      "(LogEngine::WriterAppender::APPENDER_ACTIVATE_MISSING_WRITER_ERROR, 2)"),
            QStringLiteral("Use of appender 'W' without a writer set "
                           "(LogEngine::WriterAppender::APPENDER_USE_MISSING_WRITER_ERROR, 13)") }));
}

void tst_WriterAppender::consoleTargetConversion()
{
    LogObjectPtr<ConsoleAppender> appender(new ConsoleAppender);
    QCOMPARE(appender->property("target").toString(), QStringLiteral("STDOUT_TARGET"));
    QVERIFY(appender->setProperty("target", QStringLiteral("  SyStEm.ErR ")));
    QCOMPARE(appender->target(), QStringLiteral("STDERR_TARGET"));
    Capture errors(QStringLiteral("LogEngine::OptionConverter"));
    appender->setTarget(QStringLiteral("stdout"));
    QCOMPARE(appender->target(), QStringLiteral("STDERR_TARGET"));
    QCOMPARE(errors->texts(),
        QStringList { QStringLiteral("Invalid option string 'stdout' for a target "
                                     "(LogEngine::OptionConverter::CONFIGURATOR_INVALID_OPTION_ERROR, 23)") });
    appender->setTarget(QStringLiteral("stdout_target"));
    QCOMPARE(appender->target(), QStringLiteral("STDOUT_TARGET"));
}

QObject *newWriterAppenderTest()
{
    return new tst_WriterAppender;
}

#include "tst_writerappender.moc"
