#ifndef QORVLOG_TESTS_ENVIRONMENTVARIABLES_H
#define QORVLOG_TESTS_ENVIRONMENTVARIABLES_H

#include <QByteArray>
#include <QVector>

#include <initializer_list>
#include <utility>

// Sets variables of the process environment for its lifetime, and puts
// back what was there before.
class EnvironmentVariables
{
public:
    EnvironmentVariables(std::initializer_list<std::pair<const char *, QByteArray>> variables)
    {
        for (const auto &variable : variables) {
            m_saved.append({ variable.first, qgetenv(variable.first), qEnvironmentVariableIsSet(variable.first) });
            qputenv(variable.first, variable.second);
        }
    }
    ~EnvironmentVariables()
    {
        for (const Saved &saved : std::as_const(m_saved)) {
            if (saved.wasSet)
                qputenv(saved.name, saved.value);
            else
                qunsetenv(saved.name);
        }
    }

private:
    struct Saved {
        const char *name;
        QByteArray value;
        bool wasSet;
    };
    QVector<Saved> m_saved;
    Q_DISABLE_COPY(EnvironmentVariables)
};

#endif
