#include "common/capturingappender.h"
#include "engine/logger.h"
#include "engine/logmanager.h"
#include "qorvlogenginelogwidgetappender.h"
#include "qorvlogenginestatusbarappender.h"
#include "recordingwidgets.h"

#include <QPointer>
#include <QTest>

using namespace LogEngine;

class tst_Widgets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void logWidgetGetsRawMessageAndLevel();
    void deletedWidgetStopsReceiving();
};

// The appender starts inactive and refuses events with an error record; once
// active, it hands the widget each raw message with its level.
void tst_Widgets::logWidgetGetsRawMessageAndLevel()
{
    RecordingLogWidget widget;
    Logger *logger = LogManager::logger(QStringLiteral("ui::log"));
    logger->setLevel(Level::ALL_INT); // the root is at INFO since the library's manager set it up
    LogObjectPtr<QORVLogEngineLogWidgetAppender> appender(new QORVLogEngineLogWidgetAppender(&widget, logger));
    appender->setName(QStringLiteral("w"));
    QVERIFY(!appender->requiresLayout());
    QString text;
    QDebug stream(&text);
    appender->debug(stream);
    QCOMPARE(text.trimmed(),
        QStringLiteral("QORVLogWidgetLogEngineAppender(name:\"w\" isactive:false isclosed:false "
                       "layout:\"\" threshold:\"NULL\")"));
    Capture errors(QStringLiteral("QORVLogEngineLogWidgetAppender"));
    appender->handleEvent(LoggingEvent(nullptr, Level::ERROR_INT, QStringLiteral("early")));
    QCOMPARE(errors->messages().size(), 1);

    appender->activate();
    logger->addAppender(appender);
    logger->warn("Disk %1% full", 91);
    logger->log(Level(100), "odd level");
    logger->removeAppender(appender.data());
    QCOMPARE(widget.received,
        (ReceivedMessages { { QStringLiteral("Disk 91% full"), QORVLogLevel::WarnLevel },
            { QStringLiteral("odd level"), QORVLogLevel::NullLevel } }));
}

void tst_Widgets::deletedWidgetStopsReceiving()
{
    auto *widget = new RecordingLogWidget;
    auto *bar = new RecordingStatusBar;
    Logger *logger = LogManager::logger(QStringLiteral("ui::gone"));
    QPointer<QORVLogEngineLogWidgetAppender> widgetAppender = new QORVLogEngineLogWidgetAppender(widget, logger);
    auto *barAppender = new QORVLogEngineStatusBarAppender(bar, logger);
    widgetAppender->activate();
    barAppender->activate();
    logger->addAppender(widgetAppender.data());
    logger->addAppender(barAppender);
    delete widget;
    delete bar;
    // Attached after the dead widgets: delivery must go on past them.
    Capture delivered(QStringLiteral("ui::gone"));
    Capture errors(QStringLiteral("QORVLogEngineLogWidgetAppender"));
    logger->error("nobody listens");
    QCOMPARE(delivered->count(QStringLiteral("nobody listens")), 1);
    QVERIFY(errors->messages().isEmpty());
    QCOMPARE(logger->appenders().size(), 3);
    logger->removeAllAppenders();
    QVERIFY(!widgetAppender);
}

QObject *newWidgetsTest()
{
    return new tst_Widgets;
}

#include "tst_widgets.moc"
