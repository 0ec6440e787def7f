#ifndef STATUSLINE_H
#define STATUSLINE_H

#include <qorvlogstatusbar.h>

// The application's status bar: shows each message for the time the library asks.
class StatusLine : public QORVLogStatusBar
{
    Q_OBJECT

public:
    explicit StatusLine(QWidget *parent = nullptr);

    void showLogMessage(const QString &message, int timeout) override;
};

#endif
