#ifndef QORVLOG_TESTS_CHILDPROCESS_H
#define QORVLOG_TESTS_CHILDPROCESS_H

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>
#include <memory>

// Behaviour that shows only at process start or exit, or on the real
// standard streams, is tested in a child: the test executable runs itself
// again with QORVLOG_CHILD naming a scenario. Programs of the project (the
// command-line tool) run the same way, with arguments and standard input.
struct ChildResult {
    int exitCode = -1; // -1 when the child crashed or did not end within a minute
    QByteArray out;
    QByteArray err;
};

using ChildScenario = std::function<int()>;

// A child that runs while the test goes on (several may run at once); one
// still running when a failed check leaves the scope is killed with it.
class Child
{
public:
    Child() = default;
    ~Child();
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    // Starts `scenario` of this executable; true once it runs.
    bool start(const QString &scenario,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
        const QString &workingDirectory = QString());
    bool startProgram(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment,
        const QString &workingDirectory);
    // Waits up to a minute, after closing standard input; kills on timeout.
    ChildResult finish();

    QProcess &process() { return *m_process; }

private:
    std::unique_ptr<QProcess> m_process = std::make_unique<QProcess>();
};

// Runs `scenario` of this executable in a child process and waits for it.
ChildResult runChild(const QString &scenario,
    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
    const QString &workingDirectory = QString());

// Runs another program with `input` on its standard input and waits for it.
ChildResult runProgram(const QString &program, const QStringList &arguments, const QString &workingDirectory,
    const QByteArray &input = QByteArray(),
    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());

// The main of every test executable, called once its application object
// exists: runs a child scenario when asked to, otherwise every test object.
int runTestMain(
    int argc, char *argv[], const QMap<QString, ChildScenario> &scenarios, std::initializer_list<QObject *> tests);

#endif
