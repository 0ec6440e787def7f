#include "common/capturingappender.h"
#include "engine/appenders/nullappender.h"

#include <QTest>

using namespace LogEngine;

class tst_NullAppender : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void acceptsOnlyOnceActivated();
    void debugDescription();
};

void tst_NullAppender::acceptsOnlyOnceActivated()
{
    LogObjectPtr<NullAppender> appender(new NullAppender);
    appender->setName(QStringLiteral("N"));
    Capture errors(QStringLiteral("LogEngine::NullAppender"));
    const LoggingEvent event(nullptr, Level(Level::INFO_INT), QStringLiteral("x"));
    appender->handleEvent(event);
    appender->activate();
    QVERIFY(appender->isActive());
    appender->handleEvent(event);
    QCOMPARE(errors->texts(),
        QStringList { QStringLiteral(
            "Use of non activated appender 'N' (LogEngine::NullAppender::APPENDER_NOT_ACTIVATED_ERROR, 7)") });
}

void tst_NullAppender::debugDescription()
{
    NullAppender appender;
    appender.setName(QStringLiteral("N"));
    QString text;
    QDebug stream(&text);
    appender.debug(stream);
    QCOMPARE(text,
        QStringLiteral("NullAppender(name:\"N\" isactive:false isclosed:false layout:\"\" threshold:\"NULL\" ) "));
}

QObject *newNullAppenderTest()
{
    return new tst_NullAppender;
}

#include "tst_nullappender.moc"
