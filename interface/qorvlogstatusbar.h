#ifndef QORVLOGSTATUSBAR_H
#define QORVLOGSTATUSBAR_H

#include "qorvlog_export.h"

#include <QStatusBar>

/*!
 * A status bar that the application implements. Attached to a logger, it is
 * handed each message with a display time of 5000 ms, on the thread that logged.
 */
class QORVLOG_EXPORT QORVLogStatusBar : public QStatusBar
{
    Q_OBJECT

public:
    explicit QORVLogStatusBar(QWidget *parent = nullptr);
    ~QORVLogStatusBar() override;

    virtual void showLogMessage(const QString &message, int timeout) = 0;
};

#endif
