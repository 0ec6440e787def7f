#include "qorvlogconfigurator.h"

#include "engine/configuration/propertyconfigurator.h"

bool QORVLogConfigurator::configure(const QString &fileName)
{
    return LogEngine::PropertyConfigurator::configure(fileName);
}

bool QORVLogConfigurator::configureAndWatch(const QString &fileName)
{
    return LogEngine::PropertyConfigurator::configureAndWatch(fileName);
}

void QORVLogConfigurator::stopWatching()
{
    LogEngine::PropertyConfigurator::stopWatching();
}
