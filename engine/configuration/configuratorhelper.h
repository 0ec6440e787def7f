#ifndef LOGENGINE_CONFIGURATORHELPER_H
#define LOGENGINE_CONFIGURATORHELPER_H

#include "engine/loggingevent.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

class QFileSystemWatcher;

namespace LogEngine
{

/*!
 * Keeps what outlives one configurator run: the error events of the most
 * recent run, and the hook through which a changed configuration file is
 * applied again and announced. One instance per process, created on first
 * use and kept to process end.
 *
 * Thread-safety: every field is guarded by one non-recursive mutex, which is
 * never held while the configure function runs or the signal is emitted: a
 * configurator run stores its errors here, and a receiver may start one.
 */
class ConfiguratorHelper : public QObject
{
    Q_OBJECT

public:
    using ConfigureFunction = void (*)(const QString &fileName);

    ~ConfiguratorHelper() override;

    static ConfiguratorHelper *instance();

    /*! The error events of the most recent configurator run. */
    static QList<LoggingEvent> configurationErrors();
    /*! Called by the configurator at the end of every run, also when the list is empty. */
    static void setConfigurationErrors(const QList<LoggingEvent> &errors);

    static QString configurationFile();
    /*! The file to apply again when it changes, and the function that applies it. */
    static void setConfigurationFile(const QString &fileName, ConfigureFunction function);

Q_SIGNALS:
    /*! The file was applied again; `error` tells whether that run logged errors. */
    void configurationFileChanged(const QString &rFileName, bool error);

private Q_SLOTS:
    void doConfigurationFileChanged(const QString &rFileName);

private:
    ConfiguratorHelper();

    mutable QMutex m_objectGuard;
    QString m_configurationFile;
    ConfigureFunction m_configureFunction = nullptr;
    QFileSystemWatcher *m_configurationFileWatch = nullptr;
    QList<LoggingEvent> m_configureErrors;
};

} // namespace LogEngine

#endif
