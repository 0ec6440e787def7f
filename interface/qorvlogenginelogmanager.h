#ifndef QORVLOGENGINELOGMANAGER_H
#define QORVLOGENGINELOGMANAGER_H

#include "qorvlogmanager.h"

namespace LogEngine
{
class Logger;
}

/*!
 * \internal
 * The log manager behind `QORVLogManager::instance()`, registered as
 * "LOGENGINE" while the library loads. A logger name of the interface is an
 * engine logger name (the empty name is the root logger); each request is
 * tested against that engine logger and logged on it. Files become file
 * appenders with a fixed TTCC layout, widgets the widget appenders.
 *
 * A logger that the engine does not have yet when the manager first reaches
 * it gets the manager's level for its name and additivity false: its output
 * goes only to what is attached to it. A logger made by configuration keeps
 * its settings.
 *
 * The enabled tests are the base class's: they answer from the levels table,
 * not from the engine.
 *
 * Thread-safe as far as the engine is: any thread may log and change levels.
 * Widgets are called on the thread that logs.
 */
class QORVLogEngineLogManager : public QORVLogManager
{
    Q_OBJECT

public:
    explicit QORVLogEngineLogManager(QObject *parent = nullptr);
    ~QORVLogEngineLogManager() override;

    /*! The library's manager, made on the first call; every call (re-)registers it as "LOGENGINE". */
    static QORVLogEngineLogManager *instance();

    QString name() const override;
    void setLevel(const QORVLogLevel &level, const QString &loggerName = QString()) override;
#ifdef QORVLOG_WITH_WIDGETS
    // Built without widgets, the base class's do nothing: no widget exists
    // to be handed in.
    void addLogWidget(QORVLogWidget *logWidget, const QString &loggerName) override;
    void removeLogWidget(QORVLogWidget *logWidget, const QString &loggerName) override;
    void addStatusBar(QORVLogStatusBar *statusBar, const QString &loggerName) override;
    void removeStatusBar(QORVLogStatusBar *statusBar, const QString &loggerName) override;
#endif
    void addFile(const QString &fileName, const QString &loggerName) override;
    void removeFile(const QString &fileName, const QString &loggerName) override;
    void trace(const QString &message, const QString &loggerName) const override;
    void debug(const QString &message, const QString &loggerName) const override;
    void info(const QString &message, const QString &loggerName) const override;
    void warn(const QString &message, const QString &loggerName) const override;
    void error(const QString &message, const QString &loggerName) const override;
    void fatal(const QString &message, const QString &loggerName) const override;
    void stat(const QString &message, const QString &loggerName) const override;
    void status(const QString &message, const QString &loggerName) const override;

private:
    /*! The engine logger of that name, made and prepared (`initLogger`) if the engine has none yet. */
    LogEngine::Logger *getLogger(const QString &loggerName) const;
    void initLogger(LogEngine::Logger *logger) const;
};

#endif
