#include "common/childprocess.h"

#include <QCoreApplication>

QObject *newAppenderSkeletonTest();
QObject *newFiltersTest();
QObject *newWriterAppenderTest();
QObject *newConsoleAppenderTest();
QObject *newConcurrencyTest();
int consoleScenario();
int lockOrderScenario();

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return runTestMain(argc, argv,
        { { QStringLiteral("console"), consoleScenario }, { QStringLiteral("lockorder"), lockOrderScenario } },
        { newAppenderSkeletonTest(), newFiltersTest(), newWriterAppenderTest(), newConsoleAppenderTest(),
            newConcurrencyTest() });
}
