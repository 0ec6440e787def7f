#include "engine/configuration/configuratorhelper.h"
#include "engine/scopedlock.h"

#include <QFileSystemWatcher>

#include <atomic>

namespace LogEngine
{

namespace
{

std::atomic<ConfiguratorHelper *> s_instance { nullptr };

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

void ConfiguratorHelper::setConfigurationFile(const QString &fileName, ConfigureFunction function)
{
    ConfiguratorHelper *helper = instance();
    ScopedLock locker(&helper->m_objectGuard);
    helper->m_configurationFile = fileName;
    helper->m_configureFunction = function;
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
