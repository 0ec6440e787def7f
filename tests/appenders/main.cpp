#include "common/childprocess.h"

#include <QCoreApplication>

QObject *newAppenderSkeletonTest();
QObject *newFiltersTest();
QObject *newWriterAppenderTest();
QObject *newStandardStreamsTest();
QObject *newFileAppenderTest();
QObject *newRollingFileAppendersTest();
QObject *newConcurrencyTest();
QObject *newFaultsTest();
QObject *newSyslogAppenderTest();
QObject *newAsyncAppenderTest();
int consoleScenario();
int debugAppenderScenario();
int dailyWalkScenario();
int diskFullScenario();
int asyncExitScenario();

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return runTestMain(argc, argv,
        { { QStringLiteral("console"), consoleScenario }, { QStringLiteral("debugappender"), debugAppenderScenario },
            { QStringLiteral("dailywalk"), dailyWalkScenario }, { QStringLiteral("diskfull"), diskFullScenario },
            { QStringLiteral("asyncexit"), asyncExitScenario } },
        { newAppenderSkeletonTest(), newFiltersTest(), newWriterAppenderTest(), newStandardStreamsTest(),
            newFileAppenderTest(), newRollingFileAppendersTest(), newConcurrencyTest(), newFaultsTest(),
            newSyslogAppenderTest(), newAsyncAppenderTest() });
}
