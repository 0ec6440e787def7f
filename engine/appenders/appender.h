#ifndef LOGENGINE_APPENDER_H
#define LOGENGINE_APPENDER_H

#include "engine/layouts/layout.h"
#include "engine/logobject.h"

namespace LogEngine
{

class Filter;
class LoggingEvent;

/*!
 * A destination of log output, as the loggers hold it and the configurator
 * creates it by class and property name.
 */
class Appender : public LogObject
{
    Q_OBJECT
    Q_PROPERTY(LogEngine::Layout *layout READ layout WRITE setLayout)
    Q_PROPERTY(QString name READ name WRITE setName)
    Q_PROPERTY(bool requiresLayout READ requiresLayout)

public:
    explicit Appender(QObject *parent = nullptr);
    ~Appender() override;

    virtual Filter *filter() const = 0;
    virtual QString name() const = 0;
    virtual Layout *layout() const = 0;
    virtual bool requiresLayout() const = 0;
    virtual void setLayout(Layout *layout) = 0;
    virtual void setName(const QString &name) = 0;
    virtual void addFilter(Filter *filter) = 0;
    virtual void clearFilters() = 0;
    virtual void close() = 0;
    virtual void handleEvent(const LoggingEvent &event) = 0;
};

} // namespace LogEngine

#endif
