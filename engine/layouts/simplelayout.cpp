#include "engine/layouts/simplelayout.h"

#include "engine/loggingevent.h"

namespace LogEngine
{

SimpleLayout::SimpleLayout(QObject *parent)
    : Layout(parent)
{
}

QDebug SimpleLayout::debug(QDebug &debug) const
{
    debug.nospace() << "SimpleLayout("
                    << "name:" << name() << " "
                    << "referencecount:" << referenceCount() << ")";
    return debug.space();
}

QString SimpleLayout::format(const LoggingEvent &event)
{
    return event.level().toString() + QLatin1String(" - ") + event.messageRef() + QLatin1String("\r\n");
}

} // namespace LogEngine
