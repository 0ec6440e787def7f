#ifndef QORVLOG_TESTS_RECORDINGWIDGETS_H
#define QORVLOG_TESTS_RECORDINGWIDGETS_H

#include "qorvlogstatusbar.h"
#include "qorvlogwidget.h"

#include <QList>
#include <QPair>

// Application widgets that note what the library hands them.
using ReceivedMessages = QList<QPair<QString, QORVLogLevel::Level>>;

class RecordingLogWidget : public QORVLogWidget
{
    Q_OBJECT

public:
    ReceivedMessages received;
    void addLogMessage(const QString &message, const QORVLogLevel &level) override
    {
        received.append({ message, level.getLevel() });
    }
};

class RecordingStatusBar : public QORVLogStatusBar
{
    Q_OBJECT

public:
    QList<QPair<QString, int>> received;
    void showLogMessage(const QString &message, int timeout) override { received.append({ message, timeout }); }
};

#endif
