#include "common/childprocess.h"

#include <QCoreApplication>

QObject *newLevelTest();
QObject *newLogObjectTest();
QObject *newLogErrorTest();
QObject *newLoggingEventTest();
QObject *newLoggerTest();
QObject *newHierarchyTest();
QObject *newInitialisationHelperTest();
QObject *newLogManagerTest();
QObject *newProcessEndTest();
int internalStreamsScenario();
int qtMessageScenario();
int firstUseRaceScenario();
int levelNamesFromWorkerScenario();
int qtWarningRaceScenario();
int defaultInitScenario();
int defaultInitAtLoadScenario();
int killedScenario();
int exitScenario();
int blockedAtExitScenario();

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return runTestMain(argc, argv,
        { { QStringLiteral("internal-streams"), internalStreamsScenario },
            { QStringLiteral("qt-message"), qtMessageScenario },
            { QStringLiteral("first-use-race"), firstUseRaceScenario },
            { QStringLiteral("level-names-from-worker"), levelNamesFromWorkerScenario },
            { QStringLiteral("qt-warning-race"), qtWarningRaceScenario },
            { QStringLiteral("default-init"), defaultInitScenario },
            { QStringLiteral("default-init-at-load"), defaultInitAtLoadScenario },
            { QStringLiteral("killed"), killedScenario }, { QStringLiteral("exit"), exitScenario },
            { QStringLiteral("blocked-at-exit"), blockedAtExitScenario } },
        { newLevelTest(), newLogObjectTest(), newLogErrorTest(), newLoggingEventTest(), newLoggerTest(),
            newHierarchyTest(), newInitialisationHelperTest(), newLogManagerTest(), newProcessEndTest() });
}
