// The library feeding an application's own widgets: a log view and a status
// bar, with messages from the GUI thread and from a worker.
//
//     qorvlog_widgets_demo                   shows the window
//     qorvlog_widgets_demo --screenshot FILE logs one round, saves the window
//                                            as a PNG, prints the log view's
//                                            text and the status bar's
//                                            message and exits (runs without a
//                                            display under QT_QPA_PLATFORM=offscreen)
#include "demowindow.h"
#include "logview.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPixmap>
#include <QStatusBar>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
        QStringLiteral("Log one round, save the window to <file> and exit."), QStringLiteral("file"));
    parser.addOption(screenshot);
    parser.process(app);

    DemoWindow window;
    window.show();
    if (!parser.isSet(screenshot))
        return app.exec();

    const QString file = parser.value(screenshot);
    int result = 1;
    window.logEveryLevel();
    window.logFromWorker([&] {
        if (window.grab().save(file, "PNG")) {
            std::printf("%s\nStatus bar: %s\n", qPrintable(window.logView()->text()),
                qPrintable(window.statusBar()->currentMessage()));
            result = 0;
        } else {
            std::fprintf(stderr, "Cannot save the screenshot to %s\n", qPrintable(file));
        }
        app.quit();
    });
    app.exec();
    return result;
}
