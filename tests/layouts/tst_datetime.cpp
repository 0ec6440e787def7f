#include "engine/detail/initialisationhelper.h"
#include "engine/layouts/datepatternconverter.h"
#include "engine/layouts/datetime.h"
#include "eventbuilder.h"

#include <QTest>

#include <limits>

using namespace LogEngine;

Q_DECLARE_METATYPE(LogEngine::DateTime)

namespace
{

// 2015-03-07 is a Saturday; the tests run in the C locale.
DateTime at(int hour, int minute, int second = 0, int msec = 0, QDate date = QDate(2015, 3, 7))
{
    return DateTime(QDateTime(date, QTime(hour, minute, second, msec)));
}

} // namespace

class tst_DateTime : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void patterns_data();
    void patterns();
    void invalidTimeFormatsToNothing();
    void relativeCountsFromStart();
    void millisecondsRoundTrip();
    void converterAgreesAcrossSecondsAndZoneChanges();
    void extremeStampsStayDefined_data();
    void extremeStampsStayDefined();
};

void tst_DateTime::patterns_data()
{
    QTest::addColumn<DateTime>("time");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("text");
    const DateTime morning = at(9, 5, 2, 45);
    // named formats
    QTest::newRow("ISO8601") << morning << "ISO8601"
                             << "2015-03-07 09:05:02.045";
    QTest::newRow("ABSOLUTE") << morning << "ABSOLUTE"
                              << "09:05:02.045";
    QTest::newRow("DATE") << morning << "DATE"
                          << "07 Mar 2015 09:05:02.045";
    QTest::newRow("NONE") << morning << "NONE"
                          << "";
    QTest::newRow("empty") << morning << ""
                           << "";
    QTest::newRow("lower-case-is-a-pattern") << morning << "iso8601"
                                             << "i2o861";
    // numbers and names
    QTest::newRow("dotted-date") << morning << "dd.MM.yyyy"
                                 << "07.03.2015";
    QTest::newRow("short-date") << morning << "d.M.yy"
                                << "7.3.15";
    QTest::newRow("names") << morning << "dddd ddd MMMM MMM"
                           << "Saturday Sat March Mar";
    // texts longer than a line's worth of date, in order
    QTest::newRow("long-literal") << morning << QStringLiteral("HH '%1' mm").arg(QString(70, QLatin1Char('x')))
                                  << QStringLiteral("09 %1 05").arg(QString(70, QLatin1Char('x')));
    QTest::newRow("many-names") << morning << QStringLiteral("dddd,MMMM,ss;").repeated(6)
                                << QStringLiteral("Saturday,March,02;").repeated(6);
    QTest::newRow("beyond-longest-token") << at(13, 5, 2, 45) << "yyyyy|hhh|zzzz|sss"
                                          << "2015|1313|04545|022";
    // S is the millisecond of the Java letters real files are written in
    QTest::newRow("java-milliseconds") << morning << "yyyy-MM-dd HH:mm:ss,SSS"
                                       << "2015-03-07 09:05:02,045";
    QTest::newRow("short-S-runs-unpadded") << morning << "S|SS"
                                           << "45|45";
    QTest::newRow("long-S-run-padded-to-its-length") << at(9, 5, 2, 7) << "SSSSS"
                                                     << "00007";
    QTest::newRow("single-y-prints-nothing") << morning << "y-"
                                             << "-";
    QTest::newRow("iso-week") << at(12, 0, 0, 0, QDate(2016, 1, 1)) << "ww/w"
                              << "53/53";
    // AM/PM mode
    QTest::newRow("pm") << at(13, 5) << "h:mm a"
                        << "1:05 pm";
    QTest::newRow("midnight") << at(0, 30) << "h:mm a"
                              << "0:30 am";
    QTest::newRow("noon") << at(12, 0) << "hh:mm AP"
                          << "12:00 PM";
    QTest::newRow("capital-H-stays-24h") << at(13, 5) << "HH A"
                                         << "13 PM";
    QTest::newRow("quoted-a-is-no-mode") << at(13, 5) << "h 'a'"
                                         << "13 a";
    QTest::newRow("lone-p") << at(13, 5) << "p P"
                            << " ";
    // quotes
    QTest::newRow("quoted-word") << morning << "'at' HH"
                                 << "at 09";
    QTest::newRow("doubled-quote") << morning << "''HH"
                                   << "'09";
    QTest::newRow("quote-inside-quotes") << morning << "'it''s'"
                                         << "its";
    // the "0" marker
    QTest::newRow("zeros-after-literal") << morning << "HH:00"
                                         << "09:";
    QTest::newRow("zero-after-token") << morning << "HH0"
                                      << "090";
    QTest::newRow("leading-zero") << morning << "0HH"
                                  << "09";
}

void tst_DateTime::patterns()
{
    QFETCH(DateTime, time);
    QFETCH(QString, format);
    QFETCH(QString, text);
    QCOMPARE(time.toString(format), text);
    // The converter, which compiles and caches, prints the same.
    if (!format.isEmpty()) {
        DatePatternConverter converter(FormattingInfo(), format);
        QCOMPARE(converter.convert(time.toMilliSeconds()), text);
    }
}

void tst_DateTime::invalidTimeFormatsToNothing()
{
    const DateTime invalid;
    for (const char *format : { "ISO8601", "RELATIVE", "HH:mm", "NONE" })
        QCOMPARE(invalid.toString(QLatin1String(format)), QString());
}

void tst_DateTime::relativeCountsFromStart()
{
    const qint64 start = InitialisationHelper::startTime();
    QCOMPARE(DateTime::fromMilliSeconds(start + 1234).toString(QStringLiteral("RELATIVE")), QStringLiteral("1234"));
    QCOMPARE(DateTime::fromMilliSeconds(start - 5).toString(QStringLiteral("RELATIVE")), QStringLiteral("-5"));
    DatePatternConverter converter(FormattingInfo(), QStringLiteral("RELATIVE"));
    QCOMPARE(converter.convert(start + 77), QStringLiteral("77"));
}

void tst_DateTime::millisecondsRoundTrip()
{
    const DateTime time = DateTime::fromMilliSeconds(1500);
    QCOMPARE(time.toUTC(), QDateTime(QDate(1970, 1, 1), QTime(0, 0, 1, 500), Qt::UTC));
    QCOMPARE(time.toMilliSeconds(), qint64(1500));
    QCOMPARE(DateTime::fromMilliSeconds(-1500).toMilliSeconds(), qint64(-1500));
}

// The converter keeps the local time of one second and the text of one
// millisecond; its output must match a fresh conversion everywhere,
// including across daylight-saving changes and before the epoch.
void tst_DateTime::converterAgreesAcrossSecondsAndZoneChanges()
{
    DatePatternConverter converter(FormattingInfo(), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ww"));
    const QString pattern = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ww");
    const qint64 starts[] = {
        QDateTime(QDate(2021, 3, 28), QTime(0, 59, 59, 990), Qt::UTC).toMSecsSinceEpoch(), // spring forward in Europe
        QDateTime(QDate(2021, 10, 31), QTime(0, 59, 59, 990), Qt::UTC).toMSecsSinceEpoch(), // fall back
        QDateTime(QDate(2020, 12, 31), QTime(23, 59, 59, 990), Qt::UTC).toMSecsSinceEpoch(), // year and week
        -1010, // before the epoch
    };
    for (qint64 start : starts) {
        for (qint64 ms = start; ms < start + 25; ++ms) {
            QCOMPARE(converter.convert(ms), DateTime::fromMilliSeconds(ms).toString(pattern));
            QCOMPARE(converter.convert(ms), DateTime::fromMilliSeconds(ms).toString(pattern)); // cached text
        }
    }
    // With TZ=Europe/Berlin the clock jumps from 01:59:59 to 03:00:00.
    if (qgetenv("TZ") == "Europe/Berlin") {
        const qint64 jump = QDateTime(QDate(2021, 3, 28), QTime(1, 0), Qt::UTC).toMSecsSinceEpoch();
        QCOMPARE(converter.convert(jump - 1), QStringLiteral("2021-03-28 01:59:59.999 12"));
        QCOMPARE(converter.convert(jump), QStringLiteral("2021-03-28 03:00:00.000 12"));
    }
}

// An event read off a data stream may carry any 64-bit stamp. Time since
// start saturates at the 64-bit limits; dates are printed up to a hundred
// million days either side of the epoch and are empty beyond; and the
// converter's cache has no stamp that it mistakes for "nothing cached yet".
void tst_DateTime::extremeStampsStayDefined_data()
{
    QTest::addColumn<qint64>("stamp");
    QTest::addColumn<bool>("dated");
    QTest::newRow("lowest") << std::numeric_limits<qint64>::min() << false;
    QTest::newRow("before-earliest-date") << -DateTime::maxMilliSeconds - 1 << false;
    QTest::newRow("earliest-date") << -DateTime::maxMilliSeconds << true;
    QTest::newRow("latest-date") << DateTime::maxMilliSeconds << true;
    QTest::newRow("highest") << std::numeric_limits<qint64>::max() << false;
}

void tst_DateTime::extremeStampsStayDefined()
{
    QFETCH(qint64, stamp);
    QFETCH(bool, dated);
    const QString pattern = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");
    const DateTime time = DateTime::fromMilliSeconds(stamp);
    QCOMPARE(time.isValid(), dated);
    const QString text = time.toString(pattern);
    QCOMPARE(text.isEmpty(), !dated);
    DatePatternConverter fresh(FormattingInfo(), pattern);
    QCOMPARE(fresh.convert(stamp), text);
    DatePatternConverter used(FormattingInfo(), pattern);
    used.convert(0);
    QCOMPARE(used.convert(stamp), text);

    const qint64 start = InitialisationHelper::startTime();
    QVERIFY(start > 0);
    const qint64 lowest = std::numeric_limits<qint64>::min();
    const QString relative = QString::number(stamp < lowest + start ? lowest : stamp - start);
    QCOMPARE(DatePatternConverter(FormattingInfo(), QStringLiteral("RELATIVE")).convert(stamp), relative);
    if (dated)
        QCOMPARE(time.toString(QStringLiteral("RELATIVE")), relative);
    QCOMPARE(DateTime(QDateTime::fromMSecsSinceEpoch(lowest, Qt::UTC)).toString(QStringLiteral("RELATIVE")),
        QString::number(lowest));
}

QObject *newDateTimeTest()
{
    return new tst_DateTime;
}

#include "tst_datetime.moc"
