#include "engine/layouts/simplelayout.h"
#include "engine/logobjectptr.h"
#include "eventbuilder.h"

#include <QMetaProperty>
#include <QTest>

using namespace LogEngine;

class tst_SimpleLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formatsLevelSeparatorMessage_data();
    void formatsLevelSeparatorMessage();
    void contentTypePropertyKeepsItsName();
    void debugDescription();
};

void tst_SimpleLayout::formatsLevelSeparatorMessage_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("text");
    QTest::newRow("info") << "Started" << int(Level::INFO_INT) << "INFO - Started\r\n";
    QTest::newRow("empty-message") << "" << int(Level::WARN_INT) << "WARN - \r\n";
    QTest::newRow("unnamed-level") << "m" << 100 << "NULL - m\r\n";
    QTest::newRow("percent-kept") << "100% %1" << int(Level::ERROR_INT) << "ERROR - 100% %1\r\n";
}

void tst_SimpleLayout::formatsLevelSeparatorMessage()
{
    QFETCH(QString, message);
    QFETCH(int, level);
    QFETCH(QString, text);
    SimpleLayout layout;
    EventBuilder builder;
    builder.level = level;
    builder.message = message;
    QCOMPARE(layout.format(builder.build()), text);
}

void tst_SimpleLayout::contentTypePropertyKeepsItsName()
{
    SimpleLayout layout;
    QCOMPARE(layout.property("footercontentType").toString(), QStringLiteral("text/plain"));
    QCOMPARE(layout.metaObject()->indexOfProperty("contentType"), -1);
    QVERIFY(!layout.setProperty("footercontentType", QStringLiteral("text/html")));
    QCOMPARE(layout.contentType(), QStringLiteral("text/plain"));
}

void tst_SimpleLayout::debugDescription()
{
    LogObjectPtr<SimpleLayout> layout(new SimpleLayout);
    QString text;
    QDebug stream(&text);
    layout->debug(stream);
    QCOMPARE(text.trimmed(), QStringLiteral("SimpleLayout(name:\"\" referencecount:1)"));
}

QObject *newSimpleLayoutTest()
{
    return new tst_SimpleLayout;
}

#include "tst_simplelayout.moc"
