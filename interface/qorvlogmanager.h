#ifndef QORVLOGMANAGER_H
#define QORVLOGMANAGER_H

#include "qorvlog_export.h"
#include "qorvloglevel.h"

#include <QHash>
#include <QObject>
#include <QString>

class QORVLogWidget;
class QORVLogStatusBar;

/*!
 * The process-wide entry point through which applications log. The base
 * class keeps a table of levels per exact logger name (default INFO) and an
 * indentation text; its output operations do nothing. `instance()` gives the
 * manager registered as "LOGENGINE", or a base-class manager when none was
 * registered at its first call. The empty logger name is the root logger.
 *
 * Thread-safety: the levels table may be read and changed from any thread.
 * The indentation is plain data, and so is the state of `instance()`, which
 * is written by its first call (and after its manager is destroyed): make
 * that first call before other threads call it.
 */
class QORVLOG_EXPORT QORVLogManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QORVLogLevel level READ getLevel WRITE setLevel)
    Q_PROPERTY(QString indentation READ getIndentation WRITE setIndentation)

public:
    virtual QString name() const;
    virtual void setLevel(const QORVLogLevel &level, const QString &loggerName = QString());
    virtual QORVLogLevel getLevel(const QString &loggerName = QString()) const;
    virtual bool isTraceEnabled(const QString &loggerName) const;
    virtual bool isDebugEnabled(const QString &loggerName) const;
    virtual bool isInfoEnabled(const QString &loggerName) const;
    virtual bool isWarnEnabled(const QString &loggerName) const;
    virtual bool isErrorEnabled(const QString &loggerName) const;
    virtual bool isFatalEnabled(const QString &loggerName) const;
    virtual bool isStatEnabled(const QString &loggerName) const;
    virtual bool isStatusEnabled(const QString &loggerName) const;
    virtual bool isEnabledFor(const QORVLogLevel &level, const QString &loggerName) const;
    virtual void addLogWidget(QORVLogWidget *logWidget, const QString &loggerName);
    virtual void removeLogWidget(QORVLogWidget *logWidget, const QString &loggerName);
    virtual void addStatusBar(QORVLogStatusBar *statusBar, const QString &loggerName);
    virtual void removeStatusBar(QORVLogStatusBar *statusBar, const QString &loggerName);
    virtual void addFile(const QString &fileName, const QString &loggerName);
    virtual void removeFile(const QString &fileName, const QString &loggerName);
    virtual void trace(const QString &message, const QString &loggerName) const;
    virtual void debug(const QString &message, const QString &loggerName) const;
    virtual void info(const QString &message, const QString &loggerName) const;
    virtual void warn(const QString &message, const QString &loggerName) const;
    virtual void error(const QString &message, const QString &loggerName) const;
    virtual void fatal(const QString &message, const QString &loggerName) const;
    virtual void stat(const QString &message, const QString &loggerName) const;
    virtual void status(const QString &message, const QString &loggerName) const;
    virtual void log(const QORVLogLevel &level, const QString &message, const QString &loggerName) const;
    virtual void debugError(const QString &message, const QString &loggerName) const;
    virtual void debugWarn(const QString &message, const QString &loggerName) const;

    void setIndentation(const QString &indentation);
    QString getIndentation() const;

    static QORVLogManager *instance();

protected:
    explicit QORVLogManager(QObject *parent = nullptr);
    ~QORVLogManager() override;

private:
    QHash<QString, QORVLogLevel> m_levels;
    QString m_indentation;
};

#endif
