#include "common/capturingappender.h"
#include "engine/appenders/nullappender.h"

#include <QTest>

using namespace LogEngine;

class tst_NullAppender : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void debugDescription();
};

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
