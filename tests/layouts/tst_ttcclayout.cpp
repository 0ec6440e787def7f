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
    // Every layout's content type is read, never set, under this name.
    QCOMPARE(layout.property("footercontentType").toString(), QStringLiteral("text/plain"));
    QCOMPARE(layout.metaObject()->indexOfProperty("contentType"), -1);
    QVERIFY(!layout.setProperty("footercontentType", QStringLiteral("text/html")));
}

void tst_TTCCLayout::formats_data()
{
    // A number is a date format given to the constructor; a text is set as
    // a configuration file sets it.
    QTest::addColumn<QString>("dateFormat");
    QTest::addColumn<bool>("thread");
    QTest::addColumn<bool>("category");
    QTest::addColumn<bool>("context");
    QTest::addColumn<QString>("text");
    QTest::newRow("iso8601") << "1" << true << true << false
                             << "2015-03-07 09:05:02.045 [main] INFO  app.Net - text\r\n";
    QTest::newRow("absolute") << "2" << false << true << false << "09:05:02.045 INFO  app.Net - text\r\n";
    QTest::newRow("date") << "3" << false << false << true << "07 Mar 2015 09:05:02.045 INFO   - text\r\n";
    QTest::newRow("none") << "0" << true << false << false << " [main] INFO  - text\r\n";
    QTest::newRow("out-of-range") << "17" << false << false << false << "2015-03-07 09:05:02.045 INFO  - text\r\n";
    QTest::newRow("none-starts-with-blank") << "NONE" << true << true << true << " [main] INFO  app.Net  - text\r\n";
    QTest::newRow("empty-prints-iso8601")
        << "" << false << false << false << "2015-03-07 09:05:02.045 INFO  - text\r\n";
    QTest::newRow("closing-brace-ends-option") << "HH}%m" << false << false << false << "09text} INFO  - text\r\n";
    QTest::newRow("pattern") << "HH:mm:ss" << true << true << true << "09:05:02 [main] INFO  app.Net  - text\r\n";
}

void tst_TTCCLayout::formats()
{
    QFETCH(QString, dateFormat);
    QFETCH(bool, thread);
    QFETCH(bool, category);
    QFETCH(bool, context);
    QFETCH(QString, text);
    bool isNumber = false;
    const int number = dateFormat.toInt(&isNumber);
    TTCCLayout layout(isNumber ? static_cast<TTCCLayout::DateFormat>(number) : TTCCLayout::DATEFORMAT_RELATIVE);
    if (!isNumber)
        QVERIFY(layout.setProperty("dateFormat", dateFormat));
    QVERIFY(layout.setProperty("threadPrinting", thread));
    QVERIFY(layout.setProperty("categoryPrefixing", category));
    QVERIFY(layout.setProperty("contextPrinting", context));
    const qint64 stamp = QDateTime(QDate(2015, 3, 7), QTime(9, 5, 2, 45)).toMSecsSinceEpoch();
    QCOMPARE(layout.format(sampleEvent(stamp)), text);
}

QObject *newTTCCLayoutTest()
{
    return new tst_TTCCLayout;
}

#include "tst_ttcclayout.moc"
