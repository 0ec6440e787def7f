#include "engine/appenders/filter.h"

namespace LogEngine
{

Filter::Filter(QObject *parent)
    : LogObject(parent)
{
}

Filter::~Filter() = default;

void Filter::activate()
{
}

void Filter::debugNext(QDebug &debug) const
{
    debug << "next:" << static_cast<QObject *>(m_next.data());
    debug.nospace();
}

} // namespace LogEngine
