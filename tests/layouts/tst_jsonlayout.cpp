#include "engine/layouts/jsonlayout.h"
#include "eventbuilder.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace LogEngine;

class tst_JSONLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyLineIsExactJson_data();
    void everyLineIsExactJson();
};

namespace
{

constexpr qint64 winterAfternoon = Q_INT64_C(1796657182991); // 2026-12-07 16:26:22.991 in Berlin
constexpr qint64 summerMorning = Q_INT64_C(1782900000005); // 2026-07-01 12:00:00.005 in Berlin

const QString winter = QStringLiteral("2026-12-07T16:26:22.991+01:00");

// The expected line: the message escaped as given (UTF-8), then `more` members.
QString line(const QString &timestamp, const char *message, const char *more = "")
{
    return QLatin1String("{\"timestamp\":\"") + timestamp
        + QLatin1String("\",\"level\":\"INFO\",\"logger\":\"app::net\",\"thread\":\"main\",\"message\":\"")
        + QString::fromUtf8(message) + QLatin1Char('"') + QLatin1String(more) + QLatin1String("}\r\n");
}

} // namespace

void tst_JSONLayout::everyLineIsExactJson_data()
{
    QTest::addColumn<qint64>("timeStamp");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("ndc");
    QTest::addColumn<QStringList>("mdc"); // key, value, key, value ...
    QTest::addColumn<QStringList>("location"); // file, line, function
    QTest::addColumn<QString>("text");
    const QString none;
    const QStringList empty;
    // Local time with milliseconds and the offset of that date.
    QTest::newRow("winter") << winterAfternoon << "Started" << none << empty << empty << line(winter, "Started");
    QTest::newRow("summer") << summerMorning << "Started" << none << empty << empty
                            << line(QStringLiteral("2026-07-01T12:00:00.005+02:00"), "Started");
    QTest::newRow("just-before-the-epoch") << qint64(-3600001) << "m" << none << empty << empty
                                           << line(QStringLiteral("1969-12-31T23:59:59.999+01:00"), "m");
    // Escaping: what JSON demands, nothing more.
    QTest::newRow("quotes-and-backslashes") << winterAfternoon << "say \"hi\" \\ C:\\temp" << none << empty << empty
                                            << line(winter, "say \\\"hi\\\" \\\\ C:\\\\temp");
    QTest::newRow("control-characters") << winterAfternoon << QStringLiteral("a\nb\r\tc\b\f\x01\x1f\x7f/") << none
                                        << empty << empty << line(winter, "a\\nb\\r\\tc\\b\\f\\u0001\\u001f\x7f/");
    const char *beyond = "ok \xF0\x9F\x98\x80 \xC3\xA9";
    QTest::newRow("beyond-the-basic-plane")
        << winterAfternoon << QString::fromUtf8(beyond) << none << empty << empty << line(winter, beyond);
    QTest::newRow("halves-without-partners")
        << winterAfternoon << QString(QString(QChar(0xD83D)) + QLatin1Char('x') + QChar(0xDE00)) << none << empty
        << empty << line(winter, "\\ud83dx\\ude00");
    // The contexts appear when they hold something; the map sorted.
    QTest::newRow("ndc-and-mdc") << winterAfternoon << "m"
                                 << "request \"7\""
                                 << QStringList { QStringLiteral("user"), QStringLiteral("ann"), QStringLiteral("b"),
                                        QStringLiteral("x\ny") }
                                 << empty
                                 << line(winter, "m",
                                        ",\"ndc\":\"request \\\"7\\\"\",\"mdc\":{\"b\":\"x\\ny\",\"user\":\"ann\"}");
    QTest::newRow("location") << winterAfternoon << "m" << none << empty
                              << QStringList { QStringLiteral("src\\net.cpp"), QStringLiteral("42"),
                                     QStringLiteral("void app::Net::start(const QString &)") }
                              << line(winter, "m",
                                     ",\"location\":{\"file\":\"src\\\\net.cpp\",\"line\":42,"
                                     "\"function\":\"void app::Net::start(const QString &)\"}");
}

// Each line is the exact text, parses as JSON and gives the message back.
void tst_JSONLayout::everyLineIsExactJson()
{
    QFETCH(qint64, timeStamp);
    QFETCH(QString, message);
    QFETCH(QString, ndc);
    QFETCH(QStringList, mdc);
    QFETCH(QStringList, location);
    QFETCH(QString, text);
    EventBuilder builder;
    builder.timeStamp = timeStamp;
    builder.logger = QStringLiteral("app::net");
    builder.message = message;
    builder.ndc = ndc;
    for (int i = 0; i + 1 < mdc.size(); i += 2)
        builder.properties.insert(mdc.at(i), mdc.at(i + 1));
    if (!location.isEmpty()) {
        builder.file = location.at(0).toUtf8();
        builder.line = location.at(1).toInt();
        builder.function = location.at(2).toUtf8();
    }
    JSONLayout layout;
    const QString formatted = layout.format(builder.build());
    QCOMPARE(formatted, text);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(formatted.toUtf8(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    if (!message.contains(QChar(0xD83D)))
        QCOMPARE(document.object().value(QLatin1String("message")).toString(), message);
}

QObject *newJSONLayoutTest()
{
    return new tst_JSONLayout;
}

#include "tst_jsonlayout.moc"
