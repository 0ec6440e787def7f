#include "engine/configuration/configuratorhelper.h"
#include "engine/logmanager.h"

#include <QSignalSpy>
#include <QTest>

using namespace LogEngine;

namespace
{

// Stands in for a configurator run: it stores its errors in the helper, as
// every run does, so a guard held across the call would never return.
void configure(const QString &fileName)
{
    QList<LoggingEvent> errors;
    if (fileName == QLatin1String("bad.properties"))
        errors.append(LoggingEvent(LogManager::logger(QStringLiteral("cfg")), Level::ERROR_INT, QStringLiteral("e")));
    ConfiguratorHelper::setConfigurationErrors(errors);
}

void invokeChanged(const QString &fileName)
{
    QMetaObject::invokeMethod(
        ConfiguratorHelper::instance(), "doConfigurationFileChanged", Qt::DirectConnection, Q_ARG(QString, fileName));
}

} // namespace

class tst_ConfiguratorHelper : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { cleanup(); }
    void cleanup();
    void changeWithoutConfigureFunctionDoesNothing();
    void changeAppliesTheFileAndAnnouncesIt_data();
    void changeAppliesTheFileAndAnnouncesIt();
};

void tst_ConfiguratorHelper::cleanup()
{
    ConfiguratorHelper::setConfigurationFile(QString(), nullptr);
    ConfiguratorHelper::setConfigurationErrors({});
}

void tst_ConfiguratorHelper::changeWithoutConfigureFunctionDoesNothing()
{
    QSignalSpy changed(ConfiguratorHelper::instance(), &ConfiguratorHelper::configurationFileChanged);
    invokeChanged(QStringLiteral("bad.properties"));
    QCOMPARE(changed.count(), 0);
    QVERIFY(ConfiguratorHelper::configurationErrors().isEmpty());
}

void tst_ConfiguratorHelper::changeAppliesTheFileAndAnnouncesIt_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("error");

    QTest::newRow("run-with-errors") << QStringLiteral("bad.properties") << true;
    QTest::newRow("run-without-errors") << QStringLiteral("good.properties") << false;
}

void tst_ConfiguratorHelper::changeAppliesTheFileAndAnnouncesIt()
{
    QFETCH(QString, fileName);
    QFETCH(bool, error);
    ConfiguratorHelper::setConfigurationFile(fileName, configure);
    QSignalSpy changed(ConfiguratorHelper::instance(), &ConfiguratorHelper::configurationFileChanged);
    // A receiver that starts another run: the guard must be free during the signal too.
    int storedInReceiver = -1;
    const QMetaObject::Connection connection = connect(ConfiguratorHelper::instance(),
        &ConfiguratorHelper::configurationFileChanged, this, [&storedInReceiver](const QString &name, bool) {
            configure(name);
            storedInReceiver = ConfiguratorHelper::configurationErrors().size();
        });
    invokeChanged(fileName);
    disconnect(connection);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().at(0).toString(), fileName);
    QCOMPARE(changed.first().at(1).toBool(), error);
    QCOMPARE(storedInReceiver, error ? 1 : 0);
}

QObject *newConfiguratorHelperTest()
{
    return new tst_ConfiguratorHelper;
}

#include "tst_configuratorhelper.moc"
