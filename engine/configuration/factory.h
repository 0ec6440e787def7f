#ifndef LOGENGINE_FACTORY_H
#define LOGENGINE_FACTORY_H

#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>

class QObject;

namespace LogEngine
{

class Appender;
class Filter;
class Layout;

/*!
 * Turns configuration text into engine objects: creates appenders, filters
 * and layouts by class name (the engine's own name or the log4j one) and
 * sets a Qt property of any engine object from a text, converted to the
 * property's type.
 *
 * Objects come back without a parent and with no reference taken: the first
 * LogObjectPtr that holds one owns it. Failures are logged on the class
 * logger "LogEngine::Factory", never returned or thrown.
 *
 * Thread-safety: one process-wide object, created on first use. Its tables
 * never change after construction; a non-recursive guard covers each lookup
 * and creation, none is held while a property is set.
 */
class Factory
{
public:
    using AppenderFactoryFunc = Appender *(*)();
    using FilterFactoryFunc = Filter *(*)();
    using LayoutFactoryFunc = Layout *(*)();

    ~Factory();

    static Factory *instance();

    /*! A new appender of the named class, or null (with a warning) for an unknown name. */
    static Appender *createAppender(const QString &appenderClassName);
    static Filter *createFilter(const QString &filterClassName);
    static Layout *createLayout(const QString &layoutClassName);
    /*! The names `createAppender`, `createFilter` and `createLayout` know, sorted. */
    static QStringList appenderClassNames();
    static QStringList filterClassNames();
    static QStringList layoutClassNames();

    /*!
     * Sets the property `property` of `object` from `value`. The name is
     * looked up as given, then with its first character in lower case (the
     * log4j form "ConversionPattern" finds "conversionPattern"). Properties
     * of type bool, int, QString and Level can be set; a value the option
     * converter rejects leaves the property as it was.
     */
    static void setObjectProperty(QObject *object, const QString &property, const QString &value);

private:
    Factory();

    void registerDefaultAppenders();
    void registerDefaultFilters();
    void registerDefaultLayouts();

    QMutex m_objectGuard;
    QHash<QString, AppenderFactoryFunc> m_appenderRegistry;
    QHash<QString, FilterFactoryFunc> m_filterRegistry;
    QHash<QString, LayoutFactoryFunc> m_layoutRegistry;

    Q_DISABLE_COPY(Factory)
};

} // namespace LogEngine

#endif
