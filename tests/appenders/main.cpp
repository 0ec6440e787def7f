#include "common/childprocess.h"

#include <QCoreApplication>

QObject *newAppenderSkeletonTest();
QObject *newFiltersTest();
QObject *newWriterAppenderTest();
QObject *newConsoleAppenderTest();
QObject *newConcurrencyTest();
int consoleScenario();

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return runTestMain(argc, argv, { { QStringLiteral("console"), consoleScenario } },
        { newAppenderSkeletonTest(), newFiltersTest(), newWriterAppenderTest(), newConsoleAppenderTest(),
            newConcurrencyTest() });
}
