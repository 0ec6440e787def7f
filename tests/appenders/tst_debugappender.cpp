#include "common/capturingappender.h"
#include "common/childprocess.h"
#include "engine/appenders/debugappender.h"
#include "engine/layouts/simplelayout.h"

#include <QTest>

#include <cstdio>
#include <cstdlib>

using namespace LogEngine;

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

class tst_DebugAppender : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesEachEventToStandardError();
};

void tst_DebugAppender::writesEachEventToStandardError()
{
    const ChildResult result = runChild(QStringLiteral("debugappender"));
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.err, QByteArray("WARN - 100% %s %n done\r\n"));
    QCOMPARE(result.out, QByteArray());
}

QObject *newDebugAppenderTest()
{
    return new tst_DebugAppender;
}

#include "tst_debugappender.moc"
