#include "engine/configuration/factory.h"
#include "engine/detail/classlogger.h"
#include "engine/detail/scopedlock.h"

#include "engine/appenders/asyncappender.h"
#include "engine/appenders/consoleappender.h"
#include "engine/appenders/dailyrollingfileappender.h"
#include "engine/appenders/debugappender.h"
#include "engine/appenders/denyallfilter.h"
#include "engine/appenders/fileappender.h"
#include "engine/appenders/levelmatchfilter.h"
#include "engine/appenders/levelrangefilter.h"
#include "engine/appenders/listappender.h"
#include "engine/appenders/nullappender.h"
#include "engine/appenders/rollingfileappender.h"
#include "engine/appenders/stringmatchfilter.h"
#include "engine/appenders/syslogappender.h"
#include "engine/configuration/optionconverter.h"
#include "engine/layouts/jsonlayout.h"
#include "engine/layouts/patternlayout.h"
#include "engine/layouts/simplelayout.h"
#include "engine/layouts/ttcclayout.h"
#include "engine/logger.h"
#include "engine/logmanager.h"

#include <QMetaProperty>

#include <atomic>

namespace LogEngine
{

namespace
{

std::atomic<Factory *> s_instance { nullptr };
const ClassLogger factoryLogger("LogEngine::Factory");

template <class Base, class T> Base *create()
{
    return new T;
}

// Each class under its log4j name and its engine name.
template <class T, class Base>
void registerClass(QHash<QString, Base *(*)()> &table, const char *log4jName, const char *engineName)
{
    table.insert(QLatin1String(log4jName), &create<Base, T>);
    table.insert(QLatin1String(engineName), &create<Base, T>);
}

// Every property failure is the same record; what failed is its cause.
void reportPropertyError(const char *cause, const QString &property = QString(), const QString &className = QString())
{
    LogError error("Unable to set property value on object", LogError::CONFIGURATOR_PROPERTY_ERROR,
        "CONFIGURATOR_PROPERTY_ERROR", "LogEngine::Factory");
    LogError causingError(cause, 0, nullptr, "LogEngine::Factory");
    if (!property.isNull())
        causingError << property << className;
    error.addCausingError(causingError);
    factoryLogger()->error(error);
}

// The creation runs under the guard, as the lookup does; the warning is
// written once the guard is let go, by a logger resolved before it was taken
// (resolving takes the repository's lock).
template <class T, class Table>
T *createObject(QMutex *guard, const Table &table, const QString &className, const char *kind)
{
    Logger *log = factoryLogger();
    {
        ScopedLock locker(guard);
        if (const auto function = table.value(className))
            return function();
    }
    log->warn("Request for the creation of %1 with class '%2', which is not registered", QString::fromLatin1(kind),
        className);
    return nullptr;
}

} // namespace

Factory::Factory()
{
    registerDefaultAppenders();
    registerDefaultFilters();
    registerDefaultLayouts();
}

Factory::~Factory() = default;

Factory *Factory::instance()
{
    Factory *factory = s_instance.load(std::memory_order_acquire);
    if (!factory) {
        auto *made = new Factory;
        if (s_instance.compare_exchange_strong(factory, made, std::memory_order_acq_rel))
            factory = made;
        else
            delete made;
    }
    return factory;
}

void Factory::registerDefaultAppenders()
{
    registerClass<AsyncAppender>(m_appenderRegistry, "org.apache.log4j.AsyncAppender", "LogEngine::AsyncAppender");
    registerClass<ConsoleAppender>(
        m_appenderRegistry, "org.apache.log4j.ConsoleAppender", "LogEngine::ConsoleAppender");
    registerClass<DailyRollingFileAppender>(
        m_appenderRegistry, "org.apache.log4j.DailyRollingFileAppender", "LogEngine::DailyRollingFileAppender");
    registerClass<DebugAppender>(
        m_appenderRegistry, "org.apache.log4j.varia.DebugAppender", "LogEngine::DebugAppender");
    registerClass<FileAppender>(m_appenderRegistry, "org.apache.log4j.FileAppender", "LogEngine::FileAppender");
    registerClass<ListAppender>(m_appenderRegistry, "org.apache.log4j.varia.ListAppender", "LogEngine::ListAppender");
    registerClass<NullAppender>(m_appenderRegistry, "org.apache.log4j.varia.NullAppender", "LogEngine::NullAppender");
    registerClass<RollingFileAppender>(
        m_appenderRegistry, "org.apache.log4j.RollingFileAppender", "LogEngine::RollingFileAppender");
    registerClass<SyslogAppender>(
        m_appenderRegistry, "org.apache.log4j.net.SyslogAppender", "LogEngine::SyslogAppender");
}

void Factory::registerDefaultFilters()
{
    registerClass<DenyAllFilter>(m_filterRegistry, "org.apache.log4j.varia.DenyAllFilter", "LogEngine::DenyAllFilter");
    registerClass<LevelMatchFilter>(
        m_filterRegistry, "org.apache.log4j.varia.LevelMatchFilter", "LogEngine::LevelMatchFilter");
    registerClass<LevelRangeFilter>(
        m_filterRegistry, "org.apache.log4j.varia.LevelRangeFilter", "LogEngine::LevelRangeFilter");
    registerClass<StringMatchFilter>(
        m_filterRegistry, "org.apache.log4j.varia.StringMatchFilter", "LogEngine::StringMatchFilter");
}

void Factory::registerDefaultLayouts()
{
    registerClass<JSONLayout>(m_layoutRegistry, "org.apache.log4j.JSONLayout", "LogEngine::JSONLayout");
    registerClass<PatternLayout>(m_layoutRegistry, "org.apache.log4j.PatternLayout", "LogEngine::PatternLayout");
    registerClass<SimpleLayout>(m_layoutRegistry, "org.apache.log4j.SimpleLayout", "LogEngine::SimpleLayout");
    registerClass<TTCCLayout>(m_layoutRegistry, "org.apache.log4j.TTCCLayout", "LogEngine::TTCCLayout");
}

Appender *Factory::createAppender(const QString &appenderClassName)
{
    Factory *factory = instance();
    return createObject<Appender>(&factory->m_objectGuard, factory->m_appenderRegistry, appenderClassName, "Appender");
}

Filter *Factory::createFilter(const QString &filterClassName)
{
    Factory *factory = instance();
    return createObject<Filter>(&factory->m_objectGuard, factory->m_filterRegistry, filterClassName, "Filter");
}

Layout *Factory::createLayout(const QString &layoutClassName)
{
    Factory *factory = instance();
    return createObject<Layout>(&factory->m_objectGuard, factory->m_layoutRegistry, layoutClassName, "Layout");
}

QStringList Factory::appenderClassNames()
{
    Factory *factory = instance();
    ScopedLock locker(&factory->m_objectGuard);
    QStringList names = factory->m_appenderRegistry.keys();
    names.sort();
    return names;
}

QStringList Factory::filterClassNames()
{
    Factory *factory = instance();
    ScopedLock locker(&factory->m_objectGuard);
    QStringList names = factory->m_filterRegistry.keys();
    names.sort();
    return names;
}

QStringList Factory::layoutClassNames()
{
    Factory *factory = instance();
    ScopedLock locker(&factory->m_objectGuard);
    QStringList names = factory->m_layoutRegistry.keys();
    names.sort();
    return names;
}

void Factory::setObjectProperty(QObject *object, const QString &property, const QString &value)
{
    if (!object) {
        reportPropertyError("Invalid null object pointer");
        return;
    }
    if (property.isEmpty()) {
        reportPropertyError("Invalid empty property name");
        return;
    }
    const QMetaObject *metaObject = object->metaObject();
    const QString className = QString::fromLatin1(metaObject->className());
    QString name = property;
    int index = metaObject->indexOfProperty(name.toLatin1().constData());
    if (index < 0) {
        // The log4j form: "File" for "file", "ConversionPattern" for "conversionPattern".
        name[0] = name.at(0).toLower();
        index = metaObject->indexOfProperty(name.toLatin1().constData());
    }
    if (index < 0) {
        reportPropertyError("Property '%1' does not exist in class '%2'", name, className);
        return;
    }
    const QMetaProperty metaProperty = metaObject->property(index);
    if (!metaProperty.isWritable()) {
        reportPropertyError("Property '%1' is not writable in class '%2'", name, className);
        return;
    }

    const QString propertyName = QString::fromLatin1(metaProperty.name());
    const QLatin1String typeName(metaProperty.typeName());
    factoryLogger()->debug(
        "Setting property '%1' on object of class '%2' to value '%3'", propertyName, className, value);
    bool ok = true;
    QVariant variant;
    if (typeName == QLatin1String("bool")) {
        variant = OptionConverter::toBoolean(value, &ok);
    } else if (typeName == QLatin1String("int")) {
        variant = OptionConverter::toInt(value, &ok);
    } else if (typeName == QLatin1String("LogEngine::Level") || typeName == QLatin1String("Level")) {
        variant = QVariant::fromValue(OptionConverter::toLevel(value, &ok));
    } else if (typeName == QLatin1String("QString")) {
        variant = value;
    } else {
        LogError error("Cannot convert to type '%1' for property '%2' on object of class '%3'",
            LogError::CONFIGURATOR_UNKNOWN_TYPE_ERROR, "CONFIGURATOR_UNKNOWN_TYPE_ERROR", "LogEngine::Factory");
        error << QString(typeName) << propertyName << className;
        factoryLogger()->error(error);
        return;
    }
    // The converter has reported the text; the property keeps its value.
    if (!ok)
        return;
    if (!metaProperty.write(object, variant))
        factoryLogger()->warn("Unxpected error result from QMetaProperty.write()");
}

} // namespace LogEngine
