#include "common/childprocess.h"

#include <QCoreApplication>

QObject *newAppenderSkeletonTest();
QObject *newFiltersTest();
QObject *newWriterAppenderTest();
QObject *newConsoleAppenderTest();
QObject *newFileAppenderTest();
QObject *newRollingFileAppenderTest();
QObject *newDailyRollingFileAppenderTest();
QObject *newDebugAppenderTest();
QObject *newNullAppenderTest();
QObject *newConcurrencyTest();
QObject *newFaultsTest();
int consoleScenario();
int fileFaultScenario();
int debugAppenderScenario();
int dailyWalkScenario();
int diskFullScenario();

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return runTestMain(argc, argv,
        { { QStringLiteral("console"), consoleScenario }, { QStringLiteral("filefault"), fileFaultScenario },
            { QStringLiteral("debugappender"), debugAppenderScenario },
            { QStringLiteral("dailywalk"), dailyWalkScenario }, { QStringLiteral("diskfull"), diskFullScenario } },
        { newAppenderSkeletonTest(), newFiltersTest(), newWriterAppenderTest(), newConsoleAppenderTest(),
            newFileAppenderTest(), newRollingFileAppenderTest(), newDailyRollingFileAppenderTest(),
            newDebugAppenderTest(), newNullAppenderTest(), newConcurrencyTest(), newFaultsTest() });
}
