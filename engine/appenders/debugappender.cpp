#include "engine/appenders/debugappender.h"

#include "engine/layouts/layout.h"

#include <cstdio>

namespace LogEngine
{

DebugAppender::DebugAppender(QObject *parent)
    : AppenderSkeleton(true, parent)
{
}

DebugAppender::DebugAppender(Layout *layout, QObject *parent)
    : AppenderSkeleton(true, parent)
{
    setLayout(layout);
}

DebugAppender::~DebugAppender() = default;

void DebugAppender::append(const LoggingEvent &event)
{
    // Bytes, not a format string: percent signs in the text stay as they are.
    const QByteArray text = layout()->format(event).toLocal8Bit();
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stderr);
    std::fflush(stderr);
}

QDebug DebugAppender::debug(QDebug &debug) const
{
    debug.nospace() << "DebugAppender(";
    debugName(debug);
    debug << " ";
    debugFilter(debug);
    debug << " ";
    debugFlags(debug, " ");
    debug << " ";
    debugLayout(debug);
    debug << " "
          << "referencecount:" << referenceCount() << " ";
    debugThreshold(debug);
    debug << ")";
    return debug.space();
}

} // namespace LogEngine
