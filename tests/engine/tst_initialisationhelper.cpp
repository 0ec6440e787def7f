#include "common/childprocess.h"
#include "startupchild.h"

#include <QTemporaryDir>
#include <QTest>

// The environment is read once, while the executable loads, so every case
// runs in a child with its own environment and application settings.
class tst_InitialisationHelper : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void settingLookup_data();
    void settingLookup();
};

void tst_InitialisationHelper::settingLookup_data()
{
    QTest::addColumn<QStringList>("variables");
    QTest::addColumn<QString>("applicationDebug");
    QTest::addColumn<QByteArray>("report");

    QTest::newRow("nothing-set-gives-the-default")
        << QStringList() << QString() << QByteArray("Debug=[ERROR] Configuration=[] environment=");
    QTest::newRow("environment-beats-application-settings")
        << QStringList { QStringLiteral("LOGENGINE_DEBUG=DEBUG") } << QStringLiteral("ERROR")
        << QByteArray("Debug=[DEBUG] Configuration=[] environment=Debug:DEBUG");
    QTest::newRow("application-settings-without-environment")
        << QStringList() << QStringLiteral("WARN") << QByteArray("Debug=[WARN] Configuration=[] environment=");
    QTest::newRow("other-letter-case-not-recognised")
        << QStringList { QStringLiteral("logengine_debug=DEBUG"), QStringLiteral("LogEngine_Debug=DEBUG") } << QString()
        << QByteArray("Debug=[ERROR] Configuration=[] environment=");
    // Trimmed on both sides, and only at the ends.
    QTest::newRow("environment-value-trimmed")
        << QStringList { QStringLiteral("LOGENGINE_CONFIGURATION= \t my file.properties  ") } << QString()
        << QByteArray("Debug=[ERROR] Configuration=[my file.properties] environment=Configuration:my file.properties");
    QTest::newRow("application-settings-value-trimmed")
        << QStringList() << QStringLiteral("  info  ") << QByteArray("Debug=[info] Configuration=[] environment=");
    QTest::newRow("empty-environment-value-still-wins")
        << QStringList { QStringLiteral("LOGENGINE_DEBUG=") } << QStringLiteral("WARN")
        << QByteArray("Debug=[] Configuration=[] environment=Debug:");
    QTest::newRow("all-four-variables-by-setting-name")
        << QStringList { QStringLiteral("LOGENGINE_DEBUG=ERROR"), QStringLiteral("LOGENGINE_DEFAULTINITOVERRIDE=true"),
               QStringLiteral("LOGENGINE_CONFIGURATION=a.properties"),
               QStringLiteral("LOGENGINE_CONFIGURATORCLASS=Custom") }
        << QString()
        << QByteArray("Debug=[ERROR] Configuration=[a.properties] environment=Configuration:a.properties,"
                      "ConfiguratorClass:Custom,Debug:ERROR,DefaultInitOverride:true");
}

void tst_InitialisationHelper::settingLookup()
{
    QFETCH(QStringList, variables);
    QFETCH(QString, applicationDebug);
    QFETCH(QByteArray, report);
    QTemporaryDir configHome;
    if (!applicationDebug.isNull())
        writeChildSetting(configHome.path(), QStringLiteral("Debug"), applicationDebug);
    const ChildResult result
        = runChild(QStringLiteral("start-up"), startUpEnvironment(configHome.path(), variables), configHome.path());
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(reportLine(result.out, "Debug="), report);
}

QObject *newInitialisationHelperTest()
{
    return new tst_InitialisationHelper;
}

#include "tst_initialisationhelper.moc"
