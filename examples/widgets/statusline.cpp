#include "statusline.h"

#include <QMetaObject>

StatusLine::StatusLine(QWidget *parent)
    : QORVLogStatusBar(parent)
{
}

// Called on the thread that logged: the status bar is updated on the GUI
// thread, as every widget must be.
void StatusLine::showLogMessage(const QString &message, int timeout)
{
    QMetaObject::invokeMethod(
        this, [this, message, timeout] { showMessage(message, timeout); }, Qt::AutoConnection);
}
