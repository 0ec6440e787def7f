#include "engine/appenders/denyallfilter.h"

namespace LogEngine
{

DenyAllFilter::DenyAllFilter(QObject *parent)
    : Filter(parent)
{
}

QDebug DenyAllFilter::debug(QDebug &debug) const
{
    debug.nospace() << "DenyAllFilter(";
    debugNext(debug);
    debug << "referencecount:" << referenceCount() << " "
          << ")";
    return debug.space();
}

Filter::Decision DenyAllFilter::decide(const LoggingEvent &) const
{
    return DENY;
}

} // namespace LogEngine
