#include "common/capturingappender.h"
#include "engine/configuration/properties.h"

#include <QBuffer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace LogEngine;

namespace
{

Properties load(const QByteArray &text)
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    Properties properties;
    properties.load(&buffer);
    return properties;
}

} // namespace

class tst_Properties : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reads_data();
    void reads();
    void defaultsAnswerWhatIsNotOwn();
    void loadsSettingsGroupKeysOnly();
    void nullDeviceWarns();
};

void tst_Properties::reads_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("properties"); // "key: value@line of its start", sorted
    QTest::addColumn<QStringList>("warnings");
    const auto one = [](const char *key, const char *value) {
        return QStringList { QString::fromUtf8(key) + QLatin1String(": ") + QString::fromUtf8(value)
            + QLatin1String("@1") };
    };
    const QStringList none;
    // separators
    QTest::newRow("equals") << QByteArray("a=b") << one("a", "b") << none;
    QTest::newRow("blanks-around-equals") << QByteArray("a = b") << one("a", "b") << none;
    QTest::newRow("colon") << QByteArray("a:b") << one("a", "b") << none;
    QTest::newRow("blank-only") << QByteArray("a b") << one("a", "b") << none;
    QTest::newRow("blanks-after-equals") << QByteArray("a=   b") << one("a", "b") << none;
    QTest::newRow("trailing-blank-kept") << QByteArray("a=b ") << one("a", "b ") << none;
    QTest::newRow("leading-blanks") << QByteArray("   \ta=b") << one("a", "b") << none;
    QTest::newRow("empty-value") << QByteArray("a=") << one("a", "") << none;
    QTest::newRow("separators-in-value") << QByteArray("a=b=c:d#e!f") << one("a", "b=c:d#e!f") << none;
    // escapes
    QTest::newRow("tab-escape") << QByteArray("key=x\\ty") << one("key", "x\ty") << none;
    QTest::newRow("first-value-char-literal") << QByteArray("key=\\ty") << one("key", "\\ty") << none;
    QTest::newRow("all-value-escapes") << QByteArray("k=.\\t\\n\\r\\\\\\\"\\'\\ .") << one("k", ".\t\n\r\\\"' .")
                                       << none;
    QTest::newRow("escaped-equals-in-key") << QByteArray("a\\=b=c") << one("a=b", "c") << none;
    QTest::newRow("escaped-blank-in-key") << QByteArray("a\\ b=c") << one("a b", "c") << none;
    QTest::newRow("unicode") << QByteArray("key=a\\u0041") << one("key", "aA") << none;
    QTest::newRow("short-unicode") << QByteArray("key=a\\u41z") << one("key", "aAz") << none;
    QTest::newRow("unicode-at-end") << QByteArray("key=a\\u4") << one("key", "a\x04") << none;
    QTest::newRow("unicode-no-digit") << QByteArray("key=a\\u") << one("key", "a") << none;
    QTest::newRow("unicode-five-digits") << QByteArray("key=x\\u00e9f") << one("key", "x\u00e9f") << none;
    QTest::newRow("windows-path")
        << QByteArray("f=D:\\code\\a.log") << one("f", "D:codea.log")
        << QStringList { QStringLiteral("Unknown escape sequence '\\c' in value of property starting at line 1"),
               QStringLiteral("Unknown escape sequence '\\a' in value of property starting at line 1") };
    // nothing to store
    QTest::newRow("empty") << QByteArray("") << none << none;
    QTest::newRow("blank-line") << QByteArray("   \n\t\n") << none << none;
    QTest::newRow("hash-comment") << QByteArray("#comment=1") << none << none;
    QTest::newRow("bang-comment") << QByteArray("  !comment") << none << none;
    QTest::newRow("hash-inside-key") << QByteArray("a#b=c") << none << none;
    QTest::newRow("comment-swallows-next-line") << QByteArray("# note \\\nkey=value") << none << none;
    // lines joined, repeated and counted: comments, blank lines and
    // continuations count; a key given twice is at its last line
    QTest::newRow("continuation-joins-lines") << QByteArray("pattern=%d \\\n    %m%n\nnext=1\nlast=open\\")
                                              << QStringList { QStringLiteral("last: open@4"),
                                                     QStringLiteral("next: 1@3"), QStringLiteral("pattern: %d %m%n@1") }
                                              << none;
    QTest::newRow("later-keys-overwrite")
        << QByteArray("# note\na=1\nb=x\\\n  y\n\nc=3\r\na=4")
        << QStringList { QStringLiteral("a: 4@7"), QStringLiteral("b: xy@3"), QStringLiteral("c: 3@6") } << none;
    // warnings name the line the property starts at
    QTest::newRow("key-escape") << QByteArray("x=1\na\\qb=c")
                                << QStringList { QStringLiteral("aqb: c@2"), QStringLiteral("x: 1@1") }
                                << QStringList { QStringLiteral(
                                       "Unknown escape sequence '\\q' in key of property starting at line 2") };
    QTest::newRow("value-without-key") << QByteArray("=orphan") << QStringList { QStringLiteral(": orphan@1") }
                                       << QStringList { QStringLiteral(
                                              "Found value with no key in property starting at line 1") };
}

void tst_Properties::reads()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, properties);
    QFETCH(QStringList, warnings);
    Capture capture(QStringLiteral("LogEngine::Properties"));
    const Properties read = load(text);
    QStringList found;
    for (const QString &key : read.keys())
        found.append(
            key + QLatin1String(": ") + read.value(key) + QLatin1Char('@') + QString::number(read.lineOf(key)));
    found.sort();
    QCOMPARE(found, properties);
    QCOMPARE(read.lineOf(QStringLiteral("absent")), 0);
    QCOMPARE(capture->texts(Level::WARN_INT), warnings);
    // Each stored value is traced once, as it is loaded.
    for (const QString &key : read.keys())
        QVERIFY(capture->count(QStringLiteral("Loaded property '%1' : '%2'").arg(key, read.value(key))) >= 1);
}

// Each level of defaults answers for the keys the levels above it lack, and
// its names come first, each name once.
void tst_Properties::defaultsAnswerWhatIsNotOwn()
{
    Properties grand;
    grand.insert(QStringLiteral("deep"), QStringLiteral("g"));
    Properties defaults(&grand);
    defaults.insert(QStringLiteral("shared"), QStringLiteral("d"));
    Properties properties(&defaults);
    properties.insert(QStringLiteral("shared"), QStringLiteral("own"));
    properties.insert(QStringLiteral("empty"), QString());
    QCOMPARE(properties.property(QStringLiteral("shared")), QStringLiteral("own"));
    QCOMPARE(properties.property(QStringLiteral("deep")), QStringLiteral("g"));
    const QString empty = properties.property(QStringLiteral("empty"));
    QVERIFY(empty.isEmpty() && !empty.isNull());
    QVERIFY(properties.property(QStringLiteral("absent")).isNull());
    QCOMPARE(properties.propertyNames(),
        (QStringList { QStringLiteral("deep"), QStringLiteral("shared"), QStringLiteral("empty") }));
}

void tst_Properties::loadsSettingsGroupKeysOnly()
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("app.ini")), QSettings::IniFormat);
    settings.setValue(QStringLiteral("LogEngine/Properties/log4j.rootLogger"), QStringLiteral("INFO, A"));
    settings.setValue(QStringLiteral("LogEngine/Properties/number"), 5);
    settings.setValue(QStringLiteral("LogEngine/Properties/sub/nested"), QStringLiteral("no"));
    settings.beginGroup(QStringLiteral("LogEngine/Properties"));
    Properties properties;
    properties.insert(QStringLiteral("number"), QStringLiteral("old"));
    properties.load(settings);
    QCOMPARE(properties.value(QStringLiteral("log4j.rootLogger")), QStringLiteral("INFO, A"));
    QCOMPARE(properties.value(QStringLiteral("number")), QStringLiteral("5"));
    QCOMPARE(properties.size(), 2);
}

void tst_Properties::nullDeviceWarns()
{
    Capture capture(QStringLiteral("LogEngine::Properties"));
    Properties properties;
    properties.load(static_cast<QIODevice *>(nullptr));
    QCOMPARE(capture->texts(), QStringList { QStringLiteral("No device specified for load.") });
    QVERIFY(properties.isEmpty());
}

QObject *newPropertiesTest()
{
    return new tst_Properties;
}

#include "tst_properties.moc"
