#ifndef QORVLOGENGINESTATUSBARAPPENDER_H
#define QORVLOGENGINESTATUSBARAPPENDER_H

#include "engine/appenders/appenderskeleton.h"

#include <QPointer>

class QORVLogStatusBar;

/*!
 * \internal
 * Shows the raw message of each event on a status bar for 5000 ms. It does not
 * own the status bar; once it is destroyed, events are dropped silently.
 */
class QORVLogEngineStatusBarAppender : public LogEngine::AppenderSkeleton
{
    Q_OBJECT

public:
    explicit QORVLogEngineStatusBarAppender(QORVLogStatusBar *widget, QObject *parent = nullptr);
    ~QORVLogEngineStatusBarAppender() override;

    QDebug debug(QDebug &debug) const override;
    bool requiresLayout() const override { return false; }

protected:
    void append(const LogEngine::LoggingEvent &event) override;

private:
    QPointer<QORVLogStatusBar> m_widget;
};

#endif
