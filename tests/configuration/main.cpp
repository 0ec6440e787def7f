#include "common/childprocess.h"

#include <QCoreApplication>

QObject *newPropertiesTest();
QObject *newOptionConverterTest();
QObject *newCorpusTest();
QObject *newConfiguratorHelperTest();
QObject *newFactoryTest();
QObject *newPropertyConfiguratorTest();
QObject *newLoadTest();
int configureAndWatchScenario();

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return runTestMain(argc, argv, { { QStringLiteral("configure-and-watch"), configureAndWatchScenario } },
        { newPropertiesTest(), newOptionConverterTest(), newCorpusTest(), newConfiguratorHelperTest(), newFactoryTest(),
            newPropertyConfiguratorTest(), newLoadTest() });
}
