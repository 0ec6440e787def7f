#include "qorvlogenginestatusbarappender.h"

#include "engine/loggingevent.h"
#include "qorvlogstatusbar.h"

namespace
{

constexpr int displayTimeout = 5000;

} // namespace

QORVLogEngineStatusBarAppender::QORVLogEngineStatusBarAppender(QORVLogStatusBar *statusBar, QObject *parent)
    : AppenderSkeleton(false, parent)
    , m_widget(statusBar)
{
}

QORVLogEngineStatusBarAppender::~QORVLogEngineStatusBarAppender()
{
    close();
}

void QORVLogEngineStatusBarAppender::append(const LogEngine::LoggingEvent &event)
{
    if (QORVLogStatusBar *statusBar = m_widget.data())
        statusBar->showLogMessage(event.message(), displayTimeout);
}

QDebug QORVLogEngineStatusBarAppender::debug(QDebug &debug) const
{
    debug.nospace() << "QORVLogEngineStatusBarAppender(";
    debugName(debug);
    debug << " ";
    debugFlags(debug, " ");
    debug << " ";
    debugLayout(debug);
    debug << " ";
    debugThreshold(debug);
    debug << ")";
    return debug.space();
}
