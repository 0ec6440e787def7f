#include "common/childprocess.h"

#include <QApplication>

QObject *newQORVLogLevelTest();
QObject *newQORVLogManagerTest();
QObject *newWidgetsTest();
int instanceDefaultScenario();
int instanceRegisteredScenario();

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return runTestMain(argc, argv,
        { { QStringLiteral("instance-default"), instanceDefaultScenario },
            { QStringLiteral("instance-registered"), instanceRegisteredScenario } },
        { newQORVLogLevelTest(), newQORVLogManagerTest(), newWidgetsTest() });
}
