#include "common/childprocess.h"

#include <QCoreApplication>

QObject *newLevelTest();
QObject *newLogObjectTest();
QObject *newLogErrorTest();
QObject *newLoggingEventTest();
QObject *newLoggerTest();
QObject *newHierarchyTest();
QObject *newRecursiveLocksTest();

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return runTestMain(argc, argv, {},
        { newLevelTest(), newLogObjectTest(), newLogErrorTest(), newLoggingEventTest(), newLoggerTest(),
            newHierarchyTest(), newRecursiveLocksTest() });
}
