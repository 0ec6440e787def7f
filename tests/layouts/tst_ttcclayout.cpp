#include "engine/detail/initialisationhelper.h"
#include "engine/layouts/ttcclayout.h"
#include "eventbuilder.h"

#include <QTest>

using namespace LogEngine;

class tst_TTCCLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultLine();
    void patterns_data();
    void patterns();
    void formats_data();
    void formats();
};

namespace
{

LoggingEvent sampleEvent(qint64 timeStamp)
{
    EventBuilder builder;
    builder.logger = QStringLiteral("app.Net");
    builder.timeStamp = timeStamp;
    return builder.build();
}

} // namespace

void tst_TTCCLayout::defaultLine()
{
    TTCCLayout layout;
    QCOMPARE(layout.format(sampleEvent(InitialisationHelper::startTime() + 1234)),
        QStringLiteral("1234 [main] INFO  app.Net  - text\r\n"));
    QString text;
    QDebug stream(&text);
    layout.debug(stream);
    QCOMPARE(text.trimmed(),
        QStringLiteral("TTCCLayout(name:\"\" categoryprefixing:true contextprinting:true "
                       "dateformat:\"RELATIVE\" referencecount:0 threadprinting:true)"));
}

void tst_TTCCLayout::patterns_data()
{
    QTest::addColumn<int>("dateFormat");
    QTest::addColumn<bool>("thread");
    QTest::addColumn<bool>("category");
    QTest::addColumn<bool>("context");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("switches-off") << int(TTCCLayout::DATEFORMAT_RELATIVE) << false << false << false
                                  << "%d{RELATIVE} %-5p - %m%n";
    QTest::newRow("iso-no-context") << int(TTCCLayout::DATEFORMAT_ISO8601) << true << true << false
                                    << "%d{ISO8601} [%t] %-5p %c - %m%n";
    QTest::newRow("absolute") << int(TTCCLayout::DATEFORMAT_ABSOLUTE) << false << true << false
                              << "%d{ABSOLUTE} %-5p %c - %m%n";
    QTest::newRow("none") << int(TTCCLayout::DATEFORMAT_NONE) << true << true << true
                          << "%d{NONE} [%t] %-5p %c %x - %m%n";
    QTest::newRow("date") << int(TTCCLayout::DATEFORMAT_DATE) << false << false << true << "%d{DATE} %-5p %x - %m%n";
    QTest::newRow("out-of-range") << 17 << false << false << false << "%d{} %-5p - %m%n";
}

void tst_TTCCLayout::patterns()
{
    QFETCH(int, dateFormat);
    QFETCH(bool, thread);
    QFETCH(bool, category);
    QFETCH(bool, context);
    QFETCH(QString, pattern);
    TTCCLayout layout(static_cast<TTCCLayout::DateFormat>(dateFormat));
    layout.setThreadPrinting(thread);
    layout.setCategoryPrefixing(category);
    layout.setContextPrinting(context);
    QCOMPARE(layout.pattern(), pattern);
}

// The date format and switches as a configuration file sets them.
void tst_TTCCLayout::formats_data()
{
    QTest::addColumn<QString>("dateFormat");
    QTest::addColumn<bool>("printing"); // thread, category and context
    QTest::addColumn<QString>("text");
    QTest::newRow("none-starts-with-blank") << "NONE" << true << " [main] INFO  app.Net  - text\r\n";
    QTest::newRow("empty-prints-iso8601") << "" << false << "2015-03-07 09:05:02.045 INFO  - text\r\n";
    QTest::newRow("closing-brace-ends-option") << "HH}%m" << false << "09text} INFO  - text\r\n";
    QTest::newRow("pattern") << "HH:mm:ss" << true << "09:05:02 [main] INFO  app.Net  - text\r\n";
}

void tst_TTCCLayout::formats()
{
    QFETCH(QString, dateFormat);
    QFETCH(bool, printing);
    QFETCH(QString, text);
    TTCCLayout layout;
    QVERIFY(layout.setProperty("dateFormat", dateFormat));
    for (const char *name : { "threadPrinting", "categoryPrefixing", "contextPrinting" })
        QVERIFY(layout.setProperty(name, printing));
    const qint64 stamp = QDateTime(QDate(2015, 3, 7), QTime(9, 5, 2, 45)).toMSecsSinceEpoch();
    QCOMPARE(layout.format(sampleEvent(stamp)), text);
}

QObject *newTTCCLayoutTest()
{
    return new tst_TTCCLayout;
}

#include "tst_ttcclayout.moc"
