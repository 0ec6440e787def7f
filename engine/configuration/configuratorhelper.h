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
 * recent run, and the watch through which a changed configuration file is
 * applied again and announced. One instance per process, created on first
 * use and kept to process end.
 *
 * The watch starts no thread: its file watcher and timer live on the thread
 * that installed them and are served by that thread's event loop, which also
 * runs the configure function and emits configurationFileChanged.
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

    /*! Milliseconds from the last change seen to the run that applies it: a burst of writes is applied once. */
    static constexpr int reapplyDelay = 250;

    ~ConfiguratorHelper() override;

    static ConfiguratorHelper *instance();

    /*! The error events of the most recent configurator run. */
    static QList<LoggingEvent> configurationErrors();
    /*! Called by the configurator at the end of every run, also when the list is empty. */
    static void setConfigurationErrors(const QList<LoggingEvent> &errors);

    /*! The absolute name of the watched file; empty while nothing is watched. */
    static QString configurationFile();
    /*!
     * From now on applies `fileName` (made absolute) with `function` whenever
     * the file changes, reappears or is replaced, and announces each run with
     * configurationFileChanged. Replaces an earlier watch. Needs an event loop
     * on the calling thread. Returns false, and reports why, when the name is
     * empty or the calling thread has no event dispatcher (then nothing is
     * watched afterwards), or when neither the file nor its directory can be
     * watched (then the watch stays installed but will not fire).
     */
    static bool watchConfigurationFile(const QString &fileName, ConfigureFunction function);
    /*! Ends the watch: no run starts afterwards, though one under way on the watching thread completes. */
    static void stopWatching();

Q_SIGNALS:
    /*! The file was applied again; `error` tells whether that run logged errors. */
    void configurationFileChanged(const QString &rFileName, bool error);

private Q_SLOTS:
    void doConfigurationFileChanged(const QString &rFileName);

private:
    ConfiguratorHelper();

    QFileSystemWatcher *takeWatch();

    mutable QMutex m_objectGuard;
    QString m_configurationFile;
    ConfigureFunction m_configureFunction = nullptr;
    QFileSystemWatcher *m_configurationFileWatch = nullptr;
    QList<LoggingEvent> m_configureErrors;
};

} // namespace LogEngine

#endif
