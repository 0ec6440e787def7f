#include "engine/appenders/appender.h"

namespace LogEngine
{

Appender::Appender(QObject *parent)
    : LogObject(parent)
{
}

Appender::~Appender() = default;

} // namespace LogEngine
