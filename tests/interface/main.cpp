#include "common/childprocess.h"

#include <QApplication>

QObject *newQORVLogLevelTest();
QObject *newQORVLogManagerTest();
QObject *newQORVLogEngineLogManagerTest();
int instanceScenario();

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return runTestMain(argc, argv, { { QStringLiteral("instance"), instanceScenario } },
        { newQORVLogLevelTest(), newQORVLogManagerTest(), newQORVLogEngineLogManagerTest() });
}
