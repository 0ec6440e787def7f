#include "logview.h"

#include <QMetaObject>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace
{

QString colourOf(const QORVLogLevel &level)
{
    switch (level.getLevel()) {
    case QORVLogLevel::TraceLevel:
    case QORVLogLevel::DebugLevel:
        return QStringLiteral("gray");
    case QORVLogLevel::WarnLevel:
        return QStringLiteral("darkorange");
    case QORVLogLevel::ErrorLevel:
        return QStringLiteral("red");
    case QORVLogLevel::FatalLevel:
        return QStringLiteral("darkred");
    default:
        return QStringLiteral("black");
    }
}

} // namespace

LogView::LogView(QWidget *parent)
    : QORVLogWidget(parent)
    , m_text(new QPlainTextEdit(this))
{
    m_text->setReadOnly(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_text);
}

// The library calls this on whichever thread logged, and widgets may only be
// touched on the GUI thread: a message from another thread is handed over
// as a queued call. From the GUI thread it is shown at once.
void LogView::addLogMessage(const QString &message, const QORVLogLevel &level)
{
    QMetaObject::invokeMethod(
        this, [this, message, level] { appendLine(message, level); }, Qt::AutoConnection);
}

void LogView::appendLine(const QString &message, const QORVLogLevel &level)
{
    m_text->appendHtml(QStringLiteral("<span style=\"color:%1\">%2 %3</span>")
                           .arg(colourOf(level), level.toString().toHtmlEscaped(), message.toHtmlEscaped()));
}

QString LogView::text() const
{
    return m_text->toPlainText();
}
