#include "childprocess.h"

#include <QCoreApplication>
#include <QTest>
#include <QVector>

#include <cstdio>
#include <cstring>

Child::~Child()
{
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished();
    }
}

bool Child::start(const QString &scenario, const QProcessEnvironment &environment, const QString &workingDirectory)
{
    QProcessEnvironment env = environment;
    env.insert(QStringLiteral("QORVLOG_CHILD"), scenario);
    return startProgram(QCoreApplication::applicationFilePath(), QStringList(), env, workingDirectory);
}

bool Child::startProgram(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment,
    const QString &workingDirectory)
{
    m_process->setProcessEnvironment(environment);
    if (!workingDirectory.isEmpty())
        m_process->setWorkingDirectory(workingDirectory);
    m_process->start(program, arguments);
    return m_process->waitForStarted();
}

ChildResult Child::finish()
{
    m_process->closeWriteChannel();
    ChildResult result;
    if (!m_process->waitForFinished(60000)) {
        m_process->kill();
        m_process->waitForFinished();
        return result;
    }
    result.exitCode = m_process->exitStatus() == QProcess::NormalExit ? m_process->exitCode() : -1;
    result.out = m_process->readAllStandardOutput();
    result.err = m_process->readAllStandardError();
    return result;
}

ChildResult runChild(const QString &scenario, const QProcessEnvironment &environment, const QString &workingDirectory)
{
    Child child;
    return child.start(scenario, environment, workingDirectory) ? child.finish() : ChildResult();
}

ChildResult runProgram(const QString &program, const QStringList &arguments, const QString &workingDirectory,
    const QByteArray &input, const QProcessEnvironment &environment)
{
    Child child;
    if (!child.startProgram(program, arguments, environment, workingDirectory))
        return ChildResult();
    child.process().write(input);
    return child.finish();
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
