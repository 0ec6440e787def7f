#include "common/childprocess.h"

#ifdef QORVLOG_WITH_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

QObject *newQORVLogLevelTest();
QObject *newQORVLogManagerTest();
QObject *newQORVLogEngineLogManagerTest();
int instanceScenario();

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TestApplication app(argc, argv);
    return runTestMain(argc, argv, { { QStringLiteral("instance"), instanceScenario } },
        { newQORVLogLevelTest(), newQORVLogManagerTest(), newQORVLogEngineLogManagerTest() });
}
