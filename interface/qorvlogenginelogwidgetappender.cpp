#include "qorvlogenginelogwidgetappender.h"

#include "engine/loggingevent.h"
#include "qorvlogwidget.h"

QORVLogEngineLogWidgetAppender::QORVLogEngineLogWidgetAppender(QORVLogWidget *widget, QObject *parent)
    : AppenderSkeleton(false, parent)
    , m_widget(widget)
{
}

QORVLogEngineLogWidgetAppender::~QORVLogEngineLogWidgetAppender()
{
    close();
}

void QORVLogEngineLogWidgetAppender::append(const LogEngine::LoggingEvent &event)
{
    if (QORVLogWidget *widget = m_widget.data())
        widget->addLogMessage(event.message(), QORVLogLevel::fromLogEngineLevel(event.level()));
}

QDebug QORVLogEngineLogWidgetAppender::debug(QDebug &debug) const
{
    debug.nospace() << "QORVLogWidgetLogEngineAppender(";
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
