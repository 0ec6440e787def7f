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
    void parsesOneProperty_data();
    void parsesOneProperty();
    void storesNothing_data();
    void storesNothing();
    void warnsWithStartLine_data();
    void warnsWithStartLine();
    void continuationJoinsLines();
    void laterKeysOverwrite();
    void remembersStartLines();
    void lookupAlongDefaults();
    void namesDefaultsFirst();
    void loadsSettingsGroupKeysOnly();
    void nullDeviceWarns();
};

void tst_Properties::parsesOneProperty_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    // separators
    QTest::newRow("equals") << QByteArray("a=b") << "a"
                            << "b";
    QTest::newRow("blanks-around-equals") << QByteArray("a = b") << "a"
                                          << "b";
    QTest::newRow("colon") << QByteArray("a:b") << "a"
                           << "b";
    QTest::newRow("blank-only") << QByteArray("a b") << "a"
                                << "b";
    QTest::newRow("blanks-after-equals") << QByteArray("a=   b") << "a"
                                         << "b";
    QTest::newRow("trailing-blank-kept") << QByteArray("a=b ") << "a"
                                         << "b ";
    QTest::newRow("leading-blanks") << QByteArray("   \ta=b") << "a"
                                    << "b";
    QTest::newRow("empty-value") << QByteArray("a=") << "a"
                                 << "";
    QTest::newRow("separators-in-value") << QByteArray("a=b=c:d#e!f") << "a"
                                         << "b=c:d#e!f";
    // escapes
    QTest::newRow("tab-escape") << QByteArray("key=x\\ty") << "key"
                                << "x\ty";
    QTest::newRow("first-value-char-literal") << QByteArray("key=\\ty") << "key"
                                              << "\\ty";
    QTest::newRow("all-value-escapes") << QByteArray("k=.\\t\\n\\r\\\\\\\"\\'\\ .") << "k"
                                       << ".\t\n\r\\\"' .";
    QTest::newRow("escaped-equals-in-key") << QByteArray("a\\=b=c") << "a=b"
                                           << "c";
    QTest::newRow("escaped-blank-in-key") << QByteArray("a\\ b=c") << "a b"
                                          << "c";
    QTest::newRow("unicode") << QByteArray("key=a\\u0041") << "key"
                             << "aA";
    QTest::newRow("short-unicode") << QByteArray("key=a\\u41z") << "key"
                                   << "aAz";
    QTest::newRow("unicode-at-end") << QByteArray("key=a\\u4") << "key"
                                    << "a\x04";
    QTest::newRow("unicode-no-digit") << QByteArray("key=a\\u") << "key"
                                      << "a";
    QTest::newRow("unicode-five-digits") << QByteArray("key=x\\u00e9f") << "key"
                                         << QString::fromUtf8("x\xc3\xa9"
                                                              "f");
    QTest::newRow("windows-path") << QByteArray("f=D:\\code\\a.log") << "f"
                                  << "D:codea.log";
}

void tst_Properties::parsesOneProperty()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const Properties properties = load(text);
    QCOMPARE(properties.size(), 1);
    QCOMPARE(properties.value(key), value);
}

void tst_Properties::storesNothing_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("blank-line") << QByteArray("   \n\t\n");
    QTest::newRow("hash-comment") << QByteArray("#comment=1");
    QTest::newRow("bang-comment") << QByteArray("  !comment");
    QTest::newRow("hash-inside-key") << QByteArray("a#b=c");
    QTest::newRow("comment-swallows-next-line") << QByteArray("# note \\\nkey=value");
}

void tst_Properties::storesNothing()
{
    QFETCH(QByteArray, text);
    QVERIFY(load(text).isEmpty());
}

void tst_Properties::warnsWithStartLine_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("key-escape") << QByteArray("x=1\na\\qb=c")
                                << "Unknown escape sequence '\\q' in key of property starting at line 2"
                                << "aqb"
                                << "c";
    QTest::newRow("value-escape") << QByteArray("\n\nk=a\\qb")
                                  << "Unknown escape sequence '\\q' in value of property starting at line 3"
                                  << "k"
                                  << "aqb";
    QTest::newRow("value-without-key") << QByteArray("=orphan")
                                       << "Found value with no key in property starting at line 1"
                                       << ""
                                       << "orphan";
    QTest::newRow("continued-property-names-first-line")
        << QByteArray("a=1\nb=x\\\n  \\q") << "Unknown escape sequence '\\q' in value of property starting at line 2"
        << "b"
        << "xq";
}

void tst_Properties::warnsWithStartLine()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, warning);
    QFETCH(QString, key);
    QFETCH(QString, value);
    Capture capture(QStringLiteral("LogEngine::Properties"));
    const Properties properties = load(text);
    QStringList warnings;
    for (const CapturedMessage &m : capture->messages()) {
        if (m.level == Level::WARN_INT)
            warnings.append(m.message);
    }
    QCOMPARE(warnings, QStringList { warning });
    QCOMPARE(properties.value(key), value);
    QCOMPARE(capture->count(QStringLiteral("Loaded property '%1' : '%2'").arg(key, value)), 1);
}

void tst_Properties::continuationJoinsLines()
{
    const Properties properties = load("pattern=%d \\\n    %m%n\nnext=1\nlast=open\\");
    QCOMPARE(properties.value(QStringLiteral("pattern")), QStringLiteral("%d %m%n"));
    QCOMPARE(properties.value(QStringLiteral("next")), QStringLiteral("1"));
    QCOMPARE(properties.value(QStringLiteral("last")), QStringLiteral("open"));
}

void tst_Properties::laterKeysOverwrite()
{
    const Properties properties = load("a=1\r\nb=2\r\na=3\r\n");
    QCOMPARE(properties.size(), 2);
    QCOMPARE(properties.value(QStringLiteral("a")), QStringLiteral("3"));
    QCOMPARE(properties.value(QStringLiteral("b")), QStringLiteral("2"));
}

// Comments, blank lines and continuations count; a key given twice is at
// its last line, where the value that counts comes from.
void tst_Properties::remembersStartLines()
{
    const Properties properties = load("# note\na=1\nb=x\\\n  y\n\nc=3\r\na=4");
    QCOMPARE(properties.lineOf(QStringLiteral("a")), 7);
    QCOMPARE(properties.lineOf(QStringLiteral("b")), 3);
    QCOMPARE(properties.lineOf(QStringLiteral("c")), 6);
    QCOMPARE(properties.lineOf(QStringLiteral("absent")), 0);
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
