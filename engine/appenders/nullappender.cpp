#include "engine/appenders/nullappender.h"

namespace LogEngine
{

NullAppender::NullAppender(QObject *parent)
    : AppenderSkeleton(false, parent)
{
}

NullAppender::~NullAppender() = default;

void NullAppender::append(const LoggingEvent &)
{
}

QDebug NullAppender::debug(QDebug &debug) const
{
    debug.nospace() << "NullAppender(";
    debugName(debug);
    debug << " ";
    debugFlags(debug, " ");
    debug << " ";
    debugLayout(debug);
    debug << " ";
    debugThreshold(debug);
    debug << " )";
    return debug.space();
}

} // namespace LogEngine
