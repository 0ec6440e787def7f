#include "common/childprocess.h"
#include "engine/appenders/consoleappender.h"
#include "engine/appenders/debugappender.h"
#include "engine/detail/droppedevents.h"
#include "engine/layouts/simplelayout.h"
#include "engine/logger.h"
#include "engine/loggingevent.h"
#include "engine/logmanager.h"

#include <QTest>

#include <cstdio>
#include <cstdlib>

using namespace LogEngine;

// Runs in a child: everything it prints is compared byte for byte.
int consoleScenario()
{
    auto *layout = new SimpleLayout;
    layout->setHeader(QStringLiteral("H"));
    layout->setFooter(QStringLiteral("F"));
    Logger *root = LogManager::logger(QString());
    root->setLevel(Level::INFO_INT);
    LogObjectPtr<ConsoleAppender> out(new ConsoleAppender(layout, ConsoleAppender::STDOUT_TARGET));
    out->activate();
    LogObjectPtr<ConsoleAppender> err(new ConsoleAppender(layout, ConsoleAppender::STDOUT_TARGET));
    err->setTarget(QStringLiteral("System.Err"));
    err->setThreshold(Level::WARN_INT);
    err->activate();
    root->addAppender(out);
    root->addAppender(err);
    root->debug("dropped");
    root->info("Started");
    root->warn("Careful %1%", 90);
    out->activate(); // ends the first stream, starts a second one
    root->info("Again");
    root->removeAllAppenders();
    out->close();
    err->close();
    root->info("after close");
    // Reactivated after closing: the new streams still end with a footer,
    // on the next close or at destruction.
    out->activate();
    err->activate();
    out->close();
    return 0;
}

// Runs in a child whose standard error is fully buffered and which ends
// without flushing anything: only what the appender flushed arrives.
int debugAppenderScenario()
{
    static char buffer[BUFSIZ];
    std::setvbuf(stderr, buffer, _IOFBF, sizeof buffer);
    LogObjectPtr<DebugAppender> appender(new DebugAppender(new SimpleLayout));
    appender->handleEvent(LoggingEvent(nullptr, Level(Level::WARN_INT), QStringLiteral("100% %s %n done")));
    std::_Exit(0);
}

// The console and debug appenders write to the process's own streams.
class tst_StandardStreams : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void consoleAppenderWritesToTheRealStreams();
    void debugAppenderWritesEachEventToStandardError();
};

void tst_StandardStreams::consoleAppenderWritesToTheRealStreams()
{
    // In a build with the address sanitizer, a stream left behind fails the child.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=1"));
    const ChildResult result = runChild(QStringLiteral("console"), environment);
    QCOMPARE(result.err.indexOf("LeakSanitizer"), -1);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out,
        QByteArray("H\r\nINFO - Started\r\nWARN - Careful 90%\r\nF\r\nH\r\nINFO - Again\r\nF\r\nH\r\nF\r\n"));
    // Nothing is configured, so the request after the removal says once that
    // events are dropped.
    QCOMPARE(result.err,
        QByteArray("H\r\nWARN - Careful 90%\r\nF\r\n") + DroppedEvents::notice() + QByteArray("H\r\nF\r\n"));
}

void tst_StandardStreams::debugAppenderWritesEachEventToStandardError()
{
    const ChildResult result = runChild(QStringLiteral("debugappender"));
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.err, QByteArray("WARN - 100% %s %n done\r\n"));
    QCOMPARE(result.out, QByteArray());
}

QObject *newStandardStreamsTest()
{
    return new tst_StandardStreams;
}

#include "tst_standardstreams.moc"
