#ifndef QORVLOGENGINELOGWIDGETAPPENDER_H
#define QORVLOGENGINELOGWIDGETAPPENDER_H

#include "engine/appenders/appenderskeleton.h"

#include <QPointer>

class QORVLogWidget;

/*!
 * \internal
 * Feeds a log widget the raw message and level of each event. It does not
 * own the widget; once the widget is destroyed, events are dropped silently.
 */
class QORVLogEngineLogWidgetAppender : public LogEngine::AppenderSkeleton
{
    Q_OBJECT

public:
    explicit QORVLogEngineLogWidgetAppender(QORVLogWidget *widget, QObject *parent = nullptr);
    ~QORVLogEngineLogWidgetAppender() override;

    QDebug debug(QDebug &debug) const override;
    bool requiresLayout() const override { return false; }

protected:
    void append(const LogEngine::LoggingEvent &event) override;

private:
    QPointer<QORVLogWidget> m_widget;
};

#endif
