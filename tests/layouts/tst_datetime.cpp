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
    void converterAgreesAcrossSecondsAndZoneChanges();
    void extremeStampsStayDefined_data();
    void extremeStampsStayDefined();
};

void tst_DateTime::patterns_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<DateTime>("time");
    QTest::addColumn<QString>("text");
    const DateTime morning = at(9, 5, 2, 45);
    // named formats (the TTCC layout's lines show the others)
    QTest::newRow("NONE") << "NONE" << morning << "";
    QTest::newRow("empty") << "" << morning << "";
    QTest::newRow("lower-case-is-a-pattern") << "iso8601" << morning << "i2o861";
    // numbers and names
    QTest::newRow("dotted-date") << "dd.MM.yyyy" << morning << "07.03.2015";
    QTest::newRow("short-date") << "d.M.yy" << morning << "7.3.15";
    QTest::newRow("names") << "dddd ddd MMMM MMM" << morning << "Saturday Sat March Mar";
    // texts longer than a line's worth of date, in order
    QTest::newRow("long-literal") << QStringLiteral("HH '%1' mm").arg(QString(70, QLatin1Char('x'))) << morning
                                  << QStringLiteral("09 %1 05").arg(QString(70, QLatin1Char('x')));
    QTest::newRow("many-names") << QStringLiteral("dddd,MMMM,ss;").repeated(6) << morning
                                << QStringLiteral("Saturday,March,02;").repeated(6);
    QTest::newRow("beyond-longest-token") << "yyyyy|hhh|zzzz|sss" << at(13, 5, 2, 45) << "2015|1313|04545|022";
    // S is the millisecond of the Java letters real files are written in
    QTest::newRow("java-milliseconds") << "yyyy-MM-dd HH:mm:ss,SSS" << morning << "2015-03-07 09:05:02,045";
    QTest::newRow("short-S-runs-unpadded") << "S|SS" << morning << "45|45";
    QTest::newRow("long-S-run-padded-to-its-length") << "SSSSS" << at(9, 5, 2, 7) << "00007";
    QTest::newRow("single-y-prints-nothing") << "y-" << morning << "-";
    QTest::newRow("before-the-epoch") << "yyyy-MM-dd HH:mm:ss.zzz" << DateTime::fromMilliSeconds(-1500)
                                      << "1970-01-01 00:59:58.500";
    QTest::newRow("iso-week") << "ww/w" << at(12, 0, 0, 0, QDate(2016, 1, 1)) << "53/53";
    // AM/PM mode
    QTest::newRow("pm") << "h:mm a" << at(13, 5) << "1:05 pm";
    QTest::newRow("midnight") << "h:mm a" << at(0, 30) << "0:30 am";
    QTest::newRow("noon") << "hh:mm AP" << at(12, 0) << "12:00 PM";
    QTest::newRow("capital-H-stays-24h") << "HH A" << at(13, 5) << "13 PM";
    QTest::newRow("quoted-a-is-no-mode") << "h 'a'" << at(13, 5) << "13 a";
    QTest::newRow("lone-p") << "p P" << at(13, 5) << " ";
    // quotes
    QTest::newRow("quoted-word") << "'at' HH" << morning << "at 09";
    QTest::newRow("doubled-quote") << "''HH" << morning << "'09";
    QTest::newRow("quote-inside-quotes") << "'it''s'" << morning << "its";
    // the "0" marker
    QTest::newRow("zeros-after-literal") << "HH:00" << morning << "09:";
    QTest::newRow("zero-after-token") << "HH0" << morning << "090";
    QTest::newRow("leading-zero") << "0HH" << morning << "09";
}

void tst_DateTime::patterns()
{
    QFETCH(QString, format);
    QFETCH(DateTime, time);
    QFETCH(QString, text);
    QCOMPARE(time.toString(format), text);
    // The converter, which compiles and caches, prints the same.
    if (!format.isEmpty()) {
        DatePatternConverter converter(FormattingInfo(), format);
        QCOMPARE(converter.convert(time.toMilliSeconds()), text);
    }
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
    QCOMPARE(time.toString(QStringLiteral("RELATIVE")), dated ? relative : QString());
    QCOMPARE(DateTime(QDateTime::fromMSecsSinceEpoch(lowest, Qt::UTC)).toString(QStringLiteral("RELATIVE")),
        QString::number(lowest));
}

QObject *newDateTimeTest()
{
    return new tst_DateTime;
}

#include "tst_datetime.moc"
