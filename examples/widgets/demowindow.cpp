#include "demowindow.h"

#include "logview.h"
#include "statusline.h"

#include <qorvlogmanager.h>

#include <QThread>
#include <QToolBar>

namespace
{

const QString loggerName = QStringLiteral("widgets");

} // namespace

DemoWindow::DemoWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_view(new LogView)
    , m_status(new StatusLine)
{
    setWindowTitle(QStringLiteral("qorvlog widgets demo"));
    m_view->setObjectName(QStringLiteral("logView"));
    m_status->setObjectName(QStringLiteral("statusLine"));
    setCentralWidget(m_view);
    setStatusBar(m_status);
    QToolBar *tools = addToolBar(QStringLiteral("Log"));
    tools->addAction(QStringLiteral("Log every level"), this, &DemoWindow::logEveryLevel);
    tools->addAction(QStringLiteral("Log from a worker"), this, [this] { logFromWorker(); });

    QORVLogManager *log = QORVLogManager::instance();
    log->setLevel(QORVLogLevel::TraceLevel, loggerName);
    log->addLogWidget(m_view, loggerName);
    log->addStatusBar(m_status, loggerName);
    resize(640, 360);
}

DemoWindow::~DemoWindow()
{
    QORVLogManager *log = QORVLogManager::instance();
    log->removeLogWidget(m_view, loggerName);
    log->removeStatusBar(m_status, loggerName);
}

void DemoWindow::logEveryLevel()
{
    QORVLogManager *log = QORVLogManager::instance();
    const QString round = QString::number(++m_round);
    log->trace(QStringLiteral("Round %1: entering the settings page").arg(round), loggerName);
    log->debug(QStringLiteral("Round %1: 3 items in the cache").arg(round), loggerName);
    log->info(QStringLiteral("Round %1: document opened").arg(round), loggerName);
    log->warn(QStringLiteral("Round %1: autosave is off").arg(round), loggerName);
    log->error(QStringLiteral("Round %1: printer not found").arg(round), loggerName);
    log->fatal(QStringLiteral("Round %1: licence expired").arg(round), loggerName);
    log->stat(QStringLiteral("Round %1: 42 pages rendered").arg(round), loggerName);
    log->status(QStringLiteral("Round %1: ready").arg(round), loggerName);
}

void DemoWindow::logFromWorker(const std::function<void()> &finished)
{
    QThread *worker = QThread::create([] {
        QORVLogManager *log = QORVLogManager::instance();
        for (int step = 1; step <= 3; ++step)
            log->info(QStringLiteral("Worker: step %1 of 3").arg(step), loggerName);
        log->warn(QStringLiteral("Worker: done, one file skipped"), loggerName);
    });
    // Delivered on the GUI thread after the worker's own queued messages.
    connect(worker, &QThread::finished, this, [worker, finished] {
        worker->deleteLater();
        if (finished)
            finished();
    });
    worker->start();
}
