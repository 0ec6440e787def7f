#ifndef LOGVIEW_H
#define LOGVIEW_H

#include <qorvlogwidget.h>

class QPlainTextEdit;

// The application's log view: one line per message, coloured by level.
class LogView : public QORVLogWidget
{
    Q_OBJECT

public:
    explicit LogView(QWidget *parent = nullptr);

    void addLogMessage(const QString &message, const QORVLogLevel &level) override;
    QString text() const;

private:
    void appendLine(const QString &message, const QORVLogLevel &level);

    QPlainTextEdit *m_text;
};

#endif
