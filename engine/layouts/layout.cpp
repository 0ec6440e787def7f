#include "engine/layouts/layout.h"

namespace LogEngine
{

Layout::Layout(QObject *parent)
    : LogObject(parent)
{
}

Layout::~Layout() = default;

QString Layout::contentType() const
{
    return QStringLiteral("text/plain");
}

void Layout::activate()
{
}

void Layout::appendFormatted(QString &out, const LoggingEvent &event)
{
    out += format(event);
}

} // namespace LogEngine
