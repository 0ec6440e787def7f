#ifndef DEMOWINDOW_H
#define DEMOWINDOW_H

#include <QMainWindow>

#include <functional>

class LogView;
class StatusLine;

// A window whose log view and status bar are fed by the library, with
// buttons that log at every level from the GUI thread and from a worker.
class DemoWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit DemoWindow(QWidget *parent = nullptr);
    ~DemoWindow() override;

    LogView *logView() const { return m_view; }

    void logEveryLevel();
    /*! Logs from a new worker thread; `finished` runs on the GUI thread once its messages are shown. */
    void logFromWorker(const std::function<void()> &finished = {});

private:
    LogView *m_view;
    StatusLine *m_status;
    int m_round = 0;
};

#endif
