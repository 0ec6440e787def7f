#include "common/capturingappender.h"
#include "engine/level.h"

#include <QBuffer>
#include <QDataStream>
#include <QTest>

using LogEngine::Level;

class tst_Level : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesOnlyExactNames_data();
    void parsesOnlyExactNames();
};

void tst_Level::parsesOnlyExactNames_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("ok");
    QTest::newRow("DEBUG") << QStringLiteral("DEBUG") << int(Level::DEBUG_INT) << true;
    QTest::newRow("lower-case") << QStringLiteral("debug") << int(Level::NULL_INT) << false;
}

void tst_Level::parsesOnlyExactNames()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QFETCH(bool, ok);
    Capture capture;
    bool parsed = !ok;
    QCOMPARE(Level::fromString(text, &parsed).toInt(), value);
    QCOMPARE(parsed, ok);
}

QObject *newLevelTest()
{
    return new tst_Level;
}

#include "tst_level.moc"
