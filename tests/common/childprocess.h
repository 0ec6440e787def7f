#ifndef QORVLOG_TESTS_CHILDPROCESS_H
#define QORVLOG_TESTS_CHILDPROCESS_H

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>

#include <functional>
#include <initializer_list>

// Behaviour that shows only at process start or exit, or on the real
// standard streams, is tested in a child: the test executable runs itself
// again with QORVLOG_CHILD naming a scenario.
struct ChildResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

using ChildScenario = std::function<int()>;

// Runs `scenario` of this executable in a child process and waits for it.
ChildResult runChild(const QString &scenario,
    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
    const QString &workingDirectory = QString());

// The main of every test executable, called once its application object
// exists: runs a child scenario when asked to, otherwise every test object.
int runTestMain(
    int argc, char *argv[], const QMap<QString, ChildScenario> &scenarios, std::initializer_list<QObject *> tests);

#endif
