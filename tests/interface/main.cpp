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
#ifdef QORVLOG_WITH_WIDGETS
QObject *newWidgetsTest();
#else
QObject *newWidgetsTest()
{
    return nullptr; // a library without widgets has none to test
}
#endif
int instanceScenario();
int managerAtLoadScenario();

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TestApplication app(argc, argv);
    return runTestMain(argc, argv,
        { { QStringLiteral("instance"), instanceScenario },
            { QStringLiteral("manager-at-load"), managerAtLoadScenario } },
        { newQORVLogLevelTest(), newQORVLogManagerTest(), newQORVLogEngineLogManagerTest(), newWidgetsTest() });
}
