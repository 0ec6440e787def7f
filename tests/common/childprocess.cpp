#include "childprocess.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

ChildResult runChild(const QString &scenario, const QProcessEnvironment &environment, const QString &workingDirectory)
{
    QProcess process;
    QProcessEnvironment env = environment;
    env.insert(QStringLiteral("QORVLOG_CHILD"), scenario);
    process.setProcessEnvironment(env);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(QCoreApplication::applicationFilePath(), QStringList());
    ChildResult result;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

int runTestMain(
    int argc, char *argv[], const QMap<QString, ChildScenario> &scenarios, std::initializer_list<QObject *> tests)
{
    const QString child = qEnvironmentVariable("QORVLOG_CHILD");
    if (!child.isEmpty()) {
        // Gone first, so that a leak check in the child sees only the scenario.
        qDeleteAll(tests);
        const auto it = scenarios.constFind(child);
        return it == scenarios.constEnd() ? 99 : (*it)();
    }
    int failures = 0;
    for (QObject *test : tests) {
        failures += QTest::qExec(test, argc, argv);
        delete test;
    }
    return failures == 0 ? 0 : 1;
}
