#ifndef QORVLOGWIDGET_H
#define QORVLOGWIDGET_H

#include "qorvlog_export.h"
#include "qorvloglevel.h"

#include <QWidget>

/*!
 * A log view that the application implements. Attached to a logger, it is
 * handed each message with its level, on the thread that logged.
 */
class QORVLOG_EXPORT QORVLogWidget : public QWidget
{
    Q_OBJECT

public:
    ~QORVLogWidget() override;

    virtual void addLogMessage(const QString &message, const QORVLogLevel &level) = 0;

protected:
    explicit QORVLogWidget(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
};

#endif
