#include "engine/detail/initialisationhelper.h"
#include "engine/detail/qtcompat.h"

#include "engine/level.h"
#include "engine/logerror.h"
#include "engine/loggingevent.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMetaType>
#include <QProcess>
#include <QSettings>
#include <QStringList>

#include <atomic>

namespace LogEngine
{

namespace
{

std::atomic<InitialisationHelper *> s_instance { nullptr };

} // namespace

InitialisationHelper::InitialisationHelper()
    : m_startTime(QDateTime::currentMSecsSinceEpoch())
{
    QtCompat::registerStreamableType<LogError>("LogEngine::LogError");
    QtCompat::registerStreamableType<Level>("LogEngine::Level");
    QtCompat::registerStreamableType<LoggingEvent>("LogEngine::LoggingEvent");
    readEnvironment();
}

void InitialisationHelper::readEnvironment()
{
    static const char *const names[] = { "Debug", "DefaultInitOverride", "Configuration", "ConfiguratorClass" };
    QHash<QString, QString> settingByVariable;
    for (const char *name : names) {
        const QString setting = QString::fromLatin1(name);
        settingByVariable.insert(QStringLiteral("logengine_").append(setting).toUpper(), setting);
    }
    // The names are compared exactly: logengine_debug is somebody else's variable.
    const QStringList environment = QProcess::systemEnvironment();
    for (const QString &entry : environment) {
        const int equals = entry.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        const auto it = settingByVariable.constFind(entry.left(equals));
        if (it != settingByVariable.constEnd())
            m_environmentSettings.insert(*it, entry.mid(equals + 1).trimmed());
    }
}

QString InitialisationHelper::setting(const QString &key, const QString &defaultValue)
{
    const InitialisationHelper *helper = instance();
    const auto it = helper->m_environmentSettings.constFind(key);
    if (it != helper->m_environmentSettings.constEnd())
        return *it;
    if (!QCoreApplication::instance())
        return defaultValue;
    QSettings settings;
    settings.beginGroup(QStringLiteral("LogEngine"));
    return settings.value(key, defaultValue).toString().trimmed();
}

InitialisationHelper::~InitialisationHelper() = default;

InitialisationHelper *InitialisationHelper::instance()
{
    InitialisationHelper *helper = s_instance.load(std::memory_order_acquire);
    if (!helper) {
        auto *made = new InitialisationHelper;
        if (s_instance.compare_exchange_strong(helper, made, std::memory_order_acq_rel))
            helper = made;
        else
            delete made;
    }
    return helper;
}

// Runs while the library (or a test executable holding the engine's objects) loads.
static const InitialisationHelper *const s_atLoad = InitialisationHelper::instance();

} // namespace LogEngine
