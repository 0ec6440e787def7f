#ifndef QORVLOG_TESTS_TESTMANAGER_H
#define QORVLOG_TESTS_TESTMANAGER_H

#include "qorvlogmanager.h"

#include <QStringList>

// A base-class manager that notes which output operations were called.
class TestManager : public QORVLogManager
{
    Q_OBJECT

public:
    mutable QStringList calls;

    void trace(const QString &m, const QString &l) const override { note("trace", m, l); }
    void debug(const QString &m, const QString &l) const override { note("debug", m, l); }
    void info(const QString &m, const QString &l) const override { note("info", m, l); }
    void warn(const QString &m, const QString &l) const override { note("warn", m, l); }
    void error(const QString &m, const QString &l) const override { note("error", m, l); }
    void fatal(const QString &m, const QString &l) const override { note("fatal", m, l); }
    void stat(const QString &m, const QString &l) const override { note("stat", m, l); }
    void status(const QString &m, const QString &l) const override { note("status", m, l); }

private:
    void note(const char *what, const QString &message, const QString &logger) const
    {
        calls.append(QLatin1String(what) + QLatin1Char(':') + message + QLatin1Char('@') + logger);
    }
};

#endif
