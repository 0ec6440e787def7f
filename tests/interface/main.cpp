#include "common/childprocess.h"

#include <QApplication>

QObject *newQORVLogLevelTest();
QObject *newQORVLogManagerTest();
QObject *newQORVLogEngineLogManagerTest();
QObject *newQORVLoggerTest();
QObject *newWidgetsTest();
int instanceDefaultScenario();
int instanceRegisteredScenario();
int managerAtLoadScenario();

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return runTestMain(argc, argv,
        { { QStringLiteral("instance-default"), instanceDefaultScenario },
            { QStringLiteral("instance-registered"), instanceRegisteredScenario },
            { QStringLiteral("manager-at-load"), managerAtLoadScenario } },
        { newQORVLogLevelTest(), newQORVLogManagerTest(), newQORVLogEngineLogManagerTest(), newQORVLoggerTest(),
            newWidgetsTest() });
}
