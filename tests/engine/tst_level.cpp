#include "common/capturingappender.h"
#include "common/childprocess.h"
#include "engine/level.h"

#include <QCoreApplication>
#include <QDebug>
#include <QTest>
#include <QTranslator>

#include <cstdio>
#include <thread>

using LogEngine::Level;

namespace
{

QString cyrillicWarn()
{
    return QString::fromUtf8("\xd0\x92\xd0\x9d\xd0\x98\xd0\x9c\xd0\x90\xd0\x9d\xd0\x98\xd0\x95");
}

// Level names in a script outside Latin-1. Qt announces an installed
// translator to the application only when it has translations to give.
class CyrillicLevels : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        if (qstrcmp(context, "Level") == 0 && qstrcmp(source, "WARN") == 0)
            return cyrillicWarn();
        return QString();
    }
};

} // namespace

class tst_Level : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesExactNamesOnly_data();
    void parsesExactNamesOnly();
    void namesOnlyTheNamedValues();
    void ordersByInteger();
    void namesFollowTranslators();
};

void tst_Level::parsesExactNamesOnly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("ok");
    // every name parses to its value
    QTest::newRow("OFF") << "OFF" << int(Level::OFF_INT) << true;
    QTest::newRow("FATAL") << "FATAL" << int(Level::FATAL_INT) << true;
    QTest::newRow("ERROR") << "ERROR" << int(Level::ERROR_INT) << true;
    QTest::newRow("WARN") << "WARN" << int(Level::WARN_INT) << true;
    QTest::newRow("INFO") << "INFO" << int(Level::INFO_INT) << true;
    QTest::newRow("DEBUG") << "DEBUG" << int(Level::DEBUG_INT) << true;
    QTest::newRow("TRACE") << "TRACE" << int(Level::TRACE_INT) << true;
    QTest::newRow("ALL") << "ALL" << int(Level::ALL_INT) << true;
    QTest::newRow("NULL-is-a-name") << "NULL" << int(Level::NULL_INT) << true;
    // no case folding and no trimming
    QTest::newRow("lower-case") << "debug" << int(Level::NULL_INT) << false;
    QTest::newRow("leading-blank") << " DEBUG" << int(Level::NULL_INT) << false;
    QTest::newRow("empty") << "" << int(Level::NULL_INT) << false;
    QTest::newRow("placeholder-text") << "%1" << int(Level::NULL_INT) << false;
}

void tst_Level::parsesExactNamesOnly()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QFETCH(bool, ok);
    Capture capture(QStringLiteral("LogEngine::Level"));
    bool parsed = !ok;
    QCOMPARE(Level::fromString(text, &parsed).toInt(), value);
    QCOMPARE(parsed, ok);
    // Text that is no name is reported (at WARN: see the start-up tests).
    QCOMPARE(capture->texts(),
        ok ? QStringList()
           : QStringList {
               QStringLiteral("Use of invalid level string '%1'. Using 'Level::NULL_INT' instead.").arg(text) });
    if (ok)
        QCOMPARE(Level(value).toString(), text);
}

// Values between the named ones, or outside a byte, have no name.
void tst_Level::namesOnlyTheNamedValues()
{
    for (const int value : { -1, 100, 1000 })
        QCOMPARE(Level(value).toString(), QStringLiteral("NULL"));
}

void tst_Level::ordersByInteger()
{
    QVERIFY(Level(Level::WARN_INT) > Level(Level::INFO_INT));
    QVERIFY(Level(Level::WARN_INT) < Level(Level::ERROR_INT));
    for (int named : { 32, 64, 96, 128, 150, 182, 214, 255 })
        QVERIFY(Level(Level::NULL_INT) < Level(named));
    QVERIFY(Level(128) <= Level(128) && Level(128) >= Level(128) && !(Level(128) != Level(128)));
}

// The name, its debug form (without blanks) included, follows the
// translators. Until the application's thread has run its events, another
// thread cannot know of translators coming and going: it must not keep
// names meanwhile.
void tst_Level::namesFollowTranslators()
{
    const ChildResult child = runChild(QStringLiteral("level-names-from-worker"));
    const QByteArray warn = cyrillicWarn().toUtf8();
    QCOMPARE(child.out,
        "WARN Level(WARN) " + warn + ' ' + warn + ' ' + warn + " Level(" + warn + ") WARN WARN WARN Level(WARN)\n");
    QCOMPARE(child.exitCode, 0);
}

int levelNamesFromWorkerScenario()
{
    const Level warn(Level::WARN_INT);
    auto onWorker = [&warn] {
        QString name;
        std::thread([&] { name = warn.toString(); }).join();
        return name;
    };
    const auto debugForm = [&warn] {
        QString text;
        QDebug(&text) << warn;
        return text.trimmed();
    };
    QStringList names { onWorker(), debugForm() };
    CyrillicLevels translator;
    QCoreApplication::installTranslator(&translator);
    QString storage;
    names << onWorker() << warn.toString() << warn.name(storage).toString() << debugForm();
    QCoreApplication::removeTranslator(&translator);
    names << onWorker() << warn.toString();
    QCoreApplication::processEvents();
    names << onWorker() << debugForm();
    std::printf("%s\n", names.join(QLatin1Char(' ')).toUtf8().constData());
    return 0;
}

QObject *newLevelTest()
{
    return new tst_Level;
}

#include "tst_level.moc"
