#include "common/childprocess.h"
#include "qorvlogmanagerregistry.h"
#include "testmanager.h"

#include <QTemporaryDir>
#include <QTest>

#include <iostream>

class tst_QORVLogManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void levelsArePerExactName();
    void logDispatchesOnLevel_data();
    void logDispatchesOnLevel();
    void debugVariantsNeedDebugEnabled();
    void registryBookkeeping();
    void instanceInAFreshProcess();
};

// A name's level is its own entry in the table, or INFO.
void tst_QORVLogManager::levelsArePerExactName()
{
    TestManager manager;
    QCOMPARE(manager.getLevel(QStringLiteral("any")).getLevel(), QORVLogLevel::InfoLevel);
    QVERIFY(manager.isInfoEnabled(QString()));
    QVERIFY(manager.isWarnEnabled(QString()));
    QVERIFY(manager.isStatEnabled(QString()));
    QVERIFY(manager.isStatusEnabled(QString()));
    QVERIFY(!manager.isTraceEnabled(QString()));
    QVERIFY(!manager.isDebugEnabled(QString()));
    manager.setLevel(QORVLogLevel::StatLevel, QStringLiteral("x"));
    QVERIFY(!manager.isFatalEnabled(QStringLiteral("x")));
    QVERIFY(manager.isStatEnabled(QStringLiteral("x")));
    QVERIFY(manager.isStatusEnabled(QStringLiteral("x")));
    QVERIFY(manager.isFatalEnabled(QStringLiteral("y")));
    QVERIFY(manager.isFatalEnabled(QStringLiteral("x::child")));
    manager.setLevel(QORVLogLevel::DebugLevel, QStringLiteral("x"));
    QVERIFY(manager.isDebugEnabled(QStringLiteral("x")));
    // The properties: the root name's level, and the indentation (four blanks at first).
    QVERIFY(manager.setProperty("level", QVariant::fromValue(QORVLogLevel(QORVLogLevel::ErrorLevel))));
    QVERIFY(!manager.isWarnEnabled(QString()) && manager.isInfoEnabled(QStringLiteral("any")));
    QCOMPARE(manager.property("level").value<QORVLogLevel>().getLevel(), QORVLogLevel::ErrorLevel);
    QCOMPARE(manager.property("indentation").toString(), QStringLiteral("    "));
    QVERIFY(manager.setProperty("indentation", QStringLiteral("\t")));
    QCOMPARE(manager.getIndentation(), QStringLiteral("\t"));
}

void tst_QORVLogManager::logDispatchesOnLevel_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("call");
    QTest::newRow("null") << int(QORVLogLevel::NullLevel) << "";
    QTest::newRow("all") << int(QORVLogLevel::AllLevel) << "";
    QTest::newRow("trace") << int(QORVLogLevel::TraceLevel) << "trace:m@n";
    QTest::newRow("debug") << int(QORVLogLevel::DebugLevel) << "debug:m@n";
    QTest::newRow("info") << int(QORVLogLevel::InfoLevel) << "info:m@n";
    QTest::newRow("warn") << int(QORVLogLevel::WarnLevel) << "warn:m@n";
    QTest::newRow("error") << int(QORVLogLevel::ErrorLevel) << "error:m@n";
    QTest::newRow("fatal") << int(QORVLogLevel::FatalLevel) << "fatal:m@n";
    QTest::newRow("stat") << int(QORVLogLevel::StatLevel) << "stat:m@n";
    QTest::newRow("status") << int(QORVLogLevel::StatusLevel) << "status:m@n";
    QTest::newRow("off") << int(QORVLogLevel::OffLevel) << "";
}

void tst_QORVLogManager::logDispatchesOnLevel()
{
    QFETCH(int, level);
    QFETCH(QString, call);
    TestManager manager;
    manager.setLevel(QORVLogLevel::OffLevel, QStringLiteral("n")); // log does not consult the table
    manager.log(static_cast<QORVLogLevel::Level>(level), QStringLiteral("m"), QStringLiteral("n"));
    QCOMPARE(manager.calls, call.isEmpty() ? QStringList() : QStringList { call });
}

void tst_QORVLogManager::debugVariantsNeedDebugEnabled()
{
    TestManager manager;
    manager.debugError(QStringLiteral("e"), QStringLiteral("n"));
    manager.debugWarn(QStringLiteral("w"), QStringLiteral("n"));
    QVERIFY(manager.calls.isEmpty());
    manager.setLevel(QORVLogLevel::DebugLevel, QStringLiteral("n"));
    manager.debugError(QStringLiteral("e"), QStringLiteral("n"));
    manager.debugWarn(QStringLiteral("w"), QStringLiteral("n"));
    QCOMPARE(manager.calls, (QStringList { QStringLiteral("error:e@n"), QStringLiteral("warn:w@n") }));
}

void tst_QORVLogManager::registryBookkeeping()
{
    QORVLogManagerRegistry *registry = QORVLogManagerRegistry::instance();
    QVERIFY(!registry->getLogManager(QStringLiteral("never")));
    QVERIFY(!registry->unregisterLogManager(QStringLiteral("never")));
    TestManager first;
    TestManager second;
    registry->registerLogManager(QStringLiteral("Name"), &first);
    registry->registerLogManager(QStringLiteral("Name"), &second);
    registry->registerLogManager(QStringLiteral("name"), &first);
    QCOMPARE(registry->getLogManager(QStringLiteral("Name")), &second);
    QCOMPARE(registry->getLogManager(QStringLiteral("name")), &first);
    QCOMPARE(registry->unregisterLogManager(QStringLiteral("Name")), &second);
    QVERIFY(!registry->getLogManager(QStringLiteral("Name")));
    QCOMPARE(registry->unregisterLogManager(QStringLiteral("name")), &first);
    registry->registerLogManager(QStringLiteral("null"), nullptr);
    QVERIFY(!registry->getLogManager(QStringLiteral("null")));
    registry->unregisterLogManager(QStringLiteral("null"));
}

// Child: a manager registered before the first call is the one handed out.
// Once it is destroyed the registry is asked again: with nothing registered
// the default manager is taken, and kept even after a manager is registered.
int instanceScenario()
{
    QORVLogManagerRegistry *registry = QORVLogManagerRegistry::instance();
    auto *registered = new TestManager;
    registry->registerLogManager(QStringLiteral("LOGENGINE"), registered);
    const bool found = QORVLogManager::instance() == registered;
    registry->unregisterLogManager(QStringLiteral("LOGENGINE"));
    delete registered;
    QORVLogManager *fallback = QORVLogManager::instance();
    static TestManager later;
    registry->registerLogManager(QStringLiteral("LOGENGINE"), &later);
    fallback->info(QStringLiteral("nothing happens"), QString());
    std::cout << found << '|' << qPrintable(fallback->name()) << '|' << (QORVLogManager::instance() == fallback)
              << std::endl;
    registry->unregisterLogManager(QStringLiteral("LOGENGINE"));
    return 0;
}

// In a child, in a folder without a configuration.
void tst_QORVLogManager::instanceInAFreshProcess()
{
    QTemporaryDir empty;
    const ChildResult result
        = runChild(QStringLiteral("instance"), QProcessEnvironment::systemEnvironment(), empty.path());
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, QByteArray("1|Default Log Manager|1\n"));
}

QObject *newQORVLogManagerTest()
{
    return new tst_QORVLogManager;
}

#include "tst_qorvlogmanager.moc"
