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
    void lookupAlongDefaults();
    void namesDefaultsFirst();
    void loadsSettingsGroupKeysOnly();
    void nullDeviceWarns();
};

void tst_Properties::reads_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("properties"); // "key: value@line of its start", sorted
    QTest::addColumn<QStringList>("warnings");
    const auto one = [](const QString &key, const QString &value) {
        return QStringList { key + QLatin1String(": ") + value + QLatin1String("@1") };
    };
    // separators
    QTest::newRow("equals") << QByteArray("a=b") << one(QStringLiteral("a"), QStringLiteral("b")) << QStringList();
    QTest::newRow("blanks-around-equals")
        << QByteArray("a = b") << one(QStringLiteral("a"), QStringLiteral("b")) << QStringList();
    QTest::newRow("colon") << QByteArray("a:b") << one(QStringLiteral("a"), QStringLiteral("b")) << QStringList();
    QTest::newRow("blank-only") << QByteArray("a b") << one(QStringLiteral("a"), QStringLiteral("b")) << QStringList();
    QTest::newRow("blanks-after-equals") << QByteArray("a=   b") << one(QStringLiteral("a"), QStringLiteral("b"))
                                         << QStringList();
    QTest::newRow("trailing-blank-kept") << QByteArray("a=b ") << one(QStringLiteral("a"), QStringLiteral("b "))
                                         << QStringList();
    QTest::newRow("leading-blanks") << QByteArray("   \ta=b") << one(QStringLiteral("a"), QStringLiteral("b"))
                                    << QStringList();
    QTest::newRow("empty-value") << QByteArray("a=") << one(QStringLiteral("a"), QStringLiteral("")) << QStringList();
    QTest::newRow("separators-in-value") << QByteArray("a=b=c:d#e!f")
                                         << one(QStringLiteral("a"), QStringLiteral("b=c:d#e!f")) << QStringList();
    // escapes
    QTest::newRow("tab-escape") << QByteArray("key=x\\ty") << one(QStringLiteral("key"), QStringLiteral("x\ty"))
                                << QStringList();
    QTest::newRow("first-value-char-literal")
        << QByteArray("key=\\ty") << one(QStringLiteral("key"), QStringLiteral("\\ty")) << QStringList();
    QTest::newRow("all-value-escapes") << QByteArray("k=.\\t\\n\\r\\\\\\\"\\'\\ .")
                                       << one(QStringLiteral("k"), QStringLiteral(".\t\n\r\\\"' .")) << QStringList();
    QTest::newRow("escaped-equals-in-key")
        << QByteArray("a\\=b=c") << one(QStringLiteral("a=b"), QStringLiteral("c")) << QStringList();
    QTest::newRow("escaped-blank-in-key")
        << QByteArray("a\\ b=c") << one(QStringLiteral("a b"), QStringLiteral("c")) << QStringList();
    QTest::newRow("unicode") << QByteArray("key=a\\u0041") << one(QStringLiteral("key"), QStringLiteral("aA"))
                             << QStringList();
    QTest::newRow("short-unicode") << QByteArray("key=a\\u41z") << one(QStringLiteral("key"), QStringLiteral("aAz"))
                                   << QStringList();
    QTest::newRow("unicode-at-end") << QByteArray("key=a\\u4") << one(QStringLiteral("key"), QStringLiteral("a\x04"))
                                    << QStringList();
    QTest::newRow("unicode-no-digit") << QByteArray("key=a\\u") << one(QStringLiteral("key"), QStringLiteral("a"))
                                      << QStringList();
    QTest::newRow("unicode-five-digits") << QByteArray("key=x\\u00e9f")
                                         << one(QStringLiteral("key"),
                                                QString::fromUtf8("x\xc3\xa9"
                                                                  "f"))
                                         << QStringList();
    QTest::newRow("windows-path")
        << QByteArray("f=D:\\code\\a.log") << one(QStringLiteral("f"), QStringLiteral("D:codea.log"))
        << QStringList { QStringLiteral("Unknown escape sequence '\\c' in value of property starting at line 1"),
               QStringLiteral("Unknown escape sequence '\\a' in value of property starting at line 1") };
    // nothing to store
    QTest::newRow("empty") << QByteArray("") << QStringList() << QStringList();
    QTest::newRow("blank-line") << QByteArray("   \n\t\n") << QStringList() << QStringList();
    QTest::newRow("hash-comment") << QByteArray("#comment=1") << QStringList() << QStringList();
    QTest::newRow("bang-comment") << QByteArray("  !comment") << QStringList() << QStringList();
    QTest::newRow("hash-inside-key") << QByteArray("a#b=c") << QStringList() << QStringList();
    QTest::newRow("comment-swallows-next-line") << QByteArray("# note \\\nkey=value") << QStringList() << QStringList();
    // lines joined, repeated and counted: comments, blank lines and
    // continuations count; a key given twice is at its last line
    QTest::newRow("continuation-joins-lines") << QByteArray("pattern=%d \\\n    %m%n\nnext=1\nlast=open\\")
                                              << QStringList { QStringLiteral("last: open@4"),
                                                     QStringLiteral("next: 1@3"), QStringLiteral("pattern: %d %m%n@1") }
                                              << QStringList();
    QTest::newRow("later-keys-overwrite")
        << QByteArray("# note\na=1\nb=x\\\n  y\n\nc=3\r\na=4")
        << QStringList { QStringLiteral("a: 4@7"), QStringLiteral("b: xy@3"), QStringLiteral("c: 3@6") }
        << QStringList();
    // warnings name the line the property starts at
    QTest::newRow("key-escape") << QByteArray("x=1\na\\qb=c")
                                << QStringList { QStringLiteral("aqb: c@2"), QStringLiteral("x: 1@1") }
                                << QStringList { QStringLiteral(
                                       "Unknown escape sequence '\\q' in key of property starting at line 2") };
    QTest::newRow("value-escape") << QByteArray("\n\nk=a\\qb") << QStringList { QStringLiteral("k: aqb@3") }
                                  << QStringList { QStringLiteral(
                                         "Unknown escape sequence '\\q' in value of property starting at line 3") };
    QTest::newRow("value-without-key") << QByteArray("=orphan") << QStringList { QStringLiteral(": orphan@1") }
                                       << QStringList { QStringLiteral(
                                              "Found value with no key in property starting at line 1") };
    QTest::newRow("continued-property-names-first-line")
        << QByteArray("a=1\nb=x\\\n  \\q") << QStringList { QStringLiteral("a: 1@1"), QStringLiteral("b: xq@2") }
        << QStringList { QStringLiteral("Unknown escape sequence '\\q' in value of property starting at line 2") };
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
    QStringList warned;
    for (const CapturedMessage &m : capture->messages()) {
        if (m.level == Level::WARN_INT)
            warned.append(m.message);
    }
    QCOMPARE(warned, warnings);
    // Each stored value is traced once, as it is loaded.
    for (const QString &key : read.keys())
        QVERIFY(capture->count(QStringLiteral("Loaded property '%1' : '%2'").arg(key, read.value(key))) >= 1);
}

void tst_Properties::lookupAlongDefaults()
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
}

void tst_Properties::namesDefaultsFirst()
{
    Properties defaults;
    defaults.insert(QStringLiteral("d1"), QStringLiteral("1"));
    Properties properties(&defaults);
    properties.insert(QStringLiteral("own"), QStringLiteral("2"));
    properties.insert(QStringLiteral("d1"), QStringLiteral("3"));
    const QStringList names = properties.propertyNames();
    QCOMPARE(names, (QStringList { QStringLiteral("d1"), QStringLiteral("own") }));
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
