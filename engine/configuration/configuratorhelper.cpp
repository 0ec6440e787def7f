#include "engine/configuration/configuratorhelper.h"
#include "engine/detail/classlogger.h"
#include "engine/detail/scopedlock.h"
#include "engine/logger.h"

#include <QAbstractEventDispatcher>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include <atomic>

namespace LogEngine
{

namespace
{

std::atomic<ConfiguratorHelper *> s_instance { nullptr };
const ClassLogger helperLogger("LogEngine::ConfiguratorHelper");

void reportUnwatchable(const QString &file)
{
    helperLogger()->error("Unable to watch configuration file '%1' or its directory", file);
}

// Watches the name rather than the file: a file replaced by rename leaves the
// watch on the old one (gone, or kept alive by a reader or a hard link), so
// the name is watched anew at every notification. While the name is missing
// its directory is watched instead, to see it come back. False when neither
// can be watched.
bool watchName(QFileSystemWatcher *watcher, const QString &file, const QString &directory)
{
    if (watcher->files().contains(file))
        watcher->removePath(file);
    const auto watchFile = [watcher, &file] { return QFileInfo(file).isFile() && watcher->addPath(file); };
    if (!watchFile()) {
        if (!watcher->directories().contains(directory) && !watcher->addPath(directory))
            return false;
        // It may have come back before the directory was watched, unseen.
        if (!watchFile())
            return true;
    }
    if (watcher->directories().contains(directory))
        watcher->removePath(directory);
    return true;
}

} // namespace

ConfiguratorHelper::ConfiguratorHelper() = default;

ConfiguratorHelper::~ConfiguratorHelper()
{
    delete m_configurationFileWatch;
}

ConfiguratorHelper *ConfiguratorHelper::instance()
{
    ConfiguratorHelper *helper = s_instance.load(std::memory_order_acquire);
    if (!helper) {
        auto *made = new ConfiguratorHelper;
        if (s_instance.compare_exchange_strong(helper, made, std::memory_order_acq_rel))
            helper = made;
        else
            delete made;
    }
    return helper;
}

QList<LoggingEvent> ConfiguratorHelper::configurationErrors()
{
    ConfiguratorHelper *helper = instance();
    ScopedLock locker(&helper->m_objectGuard);
    return helper->m_configureErrors;
}

void ConfiguratorHelper::setConfigurationErrors(const QList<LoggingEvent> &errors)
{
    ConfiguratorHelper *helper = instance();
    ScopedLock locker(&helper->m_objectGuard);
    helper->m_configureErrors = errors;
}

QString ConfiguratorHelper::configurationFile()
{
    ConfiguratorHelper *helper = instance();
    ScopedLock locker(&helper->m_objectGuard);
    return helper->m_configurationFile;
}

bool ConfiguratorHelper::watchConfigurationFile(const QString &fileName, ConfigureFunction function)
{
    Q_ASSERT(function);
    ConfiguratorHelper *helper = instance();
    if (fileName.isEmpty()) {
        stopWatching();
        reportUnwatchable(fileName);
        return false;
    }
    // Without a dispatcher (a thread not started by QThread, or the main
    // thread before the application object) the watcher would never report.
    if (!QAbstractEventDispatcher::instance()) {
        stopWatching();
        helperLogger()->error(
            "Unable to watch configuration file '%1': the calling thread has no event loop", fileName);
        return false;
    }
    // Absolute, so that a later change of the working directory does not
    // move the watch to another file.
    const QString file = QFileInfo(fileName).absoluteFilePath();
    const QString directory = QFileInfo(file).absolutePath();
    auto *watcher = new QFileSystemWatcher;
    auto *timer = new QTimer(watcher);
    timer->setSingleShot(true);
    timer->setInterval(reapplyDelay);
    const bool watching = watchName(watcher, file, directory);

    // A replaced or stopped watch is deleted later; until then it must neither
    // run nor report.
    const auto current = [helper, watcher] {
        ScopedLock locker(&helper->m_objectGuard);
        return helper->m_configurationFileWatch == watcher;
    };
    // Every notification restarts the timer, so the run reads the file once
    // the writer has been quiet for the delay, not half-way through.
    connect(watcher, &QFileSystemWatcher::fileChanged, watcher, [current, watcher, timer, file, directory] {
        if (!current())
            return;
        if (!watchName(watcher, file, directory))
            reportUnwatchable(file);
        timer->start();
    });
    connect(watcher, &QFileSystemWatcher::directoryChanged, watcher, [current, watcher, timer, file, directory] {
        // A change beside the file, or one announced before the directory was dropped.
        if (!current() || watcher->files().contains(file))
            return;
        if (!watchName(watcher, file, directory))
            reportUnwatchable(file);
        if (watcher->files().contains(file))
            timer->start();
    });
    connect(timer, &QTimer::timeout, watcher, [current, helper, file] {
        if (current())
            helper->doConfigurationFileChanged(file);
    });

    QFileSystemWatcher *previous;
    {
        ScopedLock locker(&helper->m_objectGuard);
        previous = helper->takeWatch();
        helper->m_configurationFile = file;
        helper->m_configureFunction = function;
        helper->m_configurationFileWatch = watcher;
    }
    if (previous)
        previous->deleteLater();
    if (!watching)
        reportUnwatchable(file);
    return watching;
}

void ConfiguratorHelper::stopWatching()
{
    ConfiguratorHelper *helper = instance();
    QFileSystemWatcher *previous;
    {
        ScopedLock locker(&helper->m_objectGuard);
        previous = helper->takeWatch();
    }
    // Later, never at once: this may run inside the watch's own timer signal
    // (a receiver of configurationFileChanged), or on another thread.
    if (previous)
        previous->deleteLater();
}

// The caller holds m_objectGuard.
QFileSystemWatcher *ConfiguratorHelper::takeWatch()
{
    QFileSystemWatcher *watcher = m_configurationFileWatch;
    m_configurationFileWatch = nullptr;
    m_configurationFile.clear();
    m_configureFunction = nullptr;
    return watcher;
}

void ConfiguratorHelper::doConfigurationFileChanged(const QString &rFileName)
{
    // The guard is taken twice, briefly: the configure function stores its
    // run's errors through setConfigurationErrors, and a receiver of the
    // signal may start another run.
    ConfigureFunction configure;
    {
        ScopedLock locker(&m_objectGuard);
        configure = m_configureFunction;
    }
    if (!configure)
        return;
    configure(rFileName);
    bool error;
    {
        ScopedLock locker(&m_objectGuard);
        error = !m_configureErrors.isEmpty();
    }
    Q_EMIT configurationFileChanged(rFileName, error);
}

} // namespace LogEngine
