#include "childprocess.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>
#include <QVector>

#include <cstdio>
#include <cstring>

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
    // "tst_Faults diskFull" runs that one object (and function); any other
    // arguments go to every object.
    const char *only = argc > 1 && std::strncmp(argv[1], "tst_", 4) == 0 ? argv[1] : nullptr;
    QVector<char *> arguments(argv, argv + argc);
    if (only)
        arguments.remove(1);
    int failures = 0;
    bool found = false;
    for (QObject *test : tests) {
        if (!test)
            continue;
        if (!only || std::strcmp(test->metaObject()->className(), only) == 0) {
            found = true;
            failures += QTest::qExec(test, arguments.size(), arguments.data());
        }
        delete test;
    }
    if (!found)
        std::fprintf(stderr, "No test object %s\n", only);
    return failures == 0 && found ? 0 : 1;
}
