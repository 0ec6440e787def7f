#include "common/capturingappender.h"
#include "engine/appenders/denyallfilter.h"
#include "engine/appenders/levelmatchfilter.h"
#include "engine/appenders/levelrangefilter.h"
#include "engine/appenders/listappender.h"
#include "engine/appenders/stringmatchfilter.h"
#include "engine/loggingevent.h"
#include "filetesting.h"

#include <QPointer>
#include <QTest>

using namespace LogEngine;
using namespace FileTesting;

Q_DECLARE_METATYPE(LogEngine::Filter::Decision)

class tst_Filters : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decisions_data();
    void decisions();
    void chainHoldsEachFilterOnce();
    void addingCannotCloseALoop_data();
    void addingCannotCloseALoop();
};

void tst_Filters::decisions_data()
{
    QTest::addColumn<QString>("filter"); // "match LEVEL", "range MIN MAX", "string TEXT" or "deny"
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("level");
    QTest::addColumn<Filter::Decision>("decision");
    QTest::addColumn<QString>("message");
    QTest::newRow("match, no level, accepting") << "match NULL" << true << "WARN" << Filter::NEUTRAL << "m";
    QTest::newRow("match, no level, denying") << "match NULL" << false << "NULL" << Filter::NEUTRAL << "m";
    QTest::newRow("match accepts") << "match WARN" << true << "WARN" << Filter::ACCEPT << "m";
    QTest::newRow("match denies") << "match WARN" << false << "WARN" << Filter::DENY << "m";
    QTest::newRow("match, other level") << "match WARN" << false << "ERROR" << Filter::NEUTRAL << "m";
    QTest::newRow("range, widest, accepting") << "range NULL OFF" << true << "ALL" << Filter::ACCEPT << "m";
    QTest::newRow("range, widest, neutral") << "range NULL OFF" << false << "FATAL" << Filter::NEUTRAL << "m";
    QTest::newRow("range, at min") << "range INFO ERROR" << false << "INFO" << Filter::NEUTRAL << "m";
    QTest::newRow("range, at max") << "range INFO ERROR" << true << "ERROR" << Filter::ACCEPT << "m";
    QTest::newRow("string contained") << "string disk" << true << "INFO" << Filter::ACCEPT << "the disk is full";
    QTest::newRow("string contained, denying") << "string disk" << false << "INFO" << Filter::DENY << "disk";
    QTest::newRow("string, other case") << "string disk" << true << "INFO" << Filter::NEUTRAL << "the DISK is full";
    QTest::newRow("string, empty message") << "string disk" << true << "INFO" << Filter::NEUTRAL << "";
    QTest::newRow("string, empty text") << "string " << false << "INFO" << Filter::NEUTRAL << "anything";
    QTest::newRow("deny all") << "deny" << true << "FATAL" << Filter::DENY << "m";
}

void tst_Filters::decisions()
{
    QFETCH(QString, filter);
    QFETCH(bool, accept);
    QFETCH(QString, level);
    QFETCH(Filter::Decision, decision);
    QFETCH(QString, message);
    const QStringList words = filter.split(QLatin1Char(' '));
    LogObjectPtr<Filter> made;
    if (words.first() == QLatin1String("match")) {
        auto *match = new LevelMatchFilter;
        match->setLevelToMatch(Level::fromString(words.at(1)));
        match->setAcceptOnMatch(accept);
        made = match;
    } else if (words.first() == QLatin1String("range")) {
        auto *range = new LevelRangeFilter;
        range->setLevelMin(Level::fromString(words.at(1)));
        range->setLevelMax(Level::fromString(words.at(2)));
        range->setAcceptOnMatch(accept);
        made = range;
    } else if (words.first() == QLatin1String("string")) {
        auto *string = new StringMatchFilter;
        string->setStringToMatch(words.at(1));
        string->setAcceptOnMatch(accept);
        made = string;
    } else {
        made = new DenyAllFilter;
    }
    QCOMPARE(made->decide(eventAt(Level::fromString(level).toInt(), message)), decision);
}

// Each filter holds the next one once, however often it is set, and the
// chain goes with its head.
void tst_Filters::chainHoldsEachFilterOnce()
{
    QPointer<DenyAllFilter> tail = new DenyAllFilter;
    {
        LogObjectPtr<Filter> head(new StringMatchFilter);
        auto *middle = new LevelRangeFilter;
        head->setNext(middle);
        middle->setNext(tail);
        middle->setNext(tail);
        QVERIFY(tail);
        QCOMPARE(tail->referenceCount(), 1);
    }
    QVERIFY(!tail);
}

// A loop in the chain would make the walk endless on neutral answers and keep
// its filters alive for ever. Script: a letter adds that filter ("0" a null
// one), "/" clears the chain; X starts out linked to A.
void tst_Filters::addingCannotCloseALoop_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("chain");
    const QString duplicate = QStringLiteral("Adding of duplicate filter to Appender 'L'");
    QTest::newRow("tail-again") << "AA" << duplicate << "A";
    QTest::newRow("earlier-filter-again") << "ABA" << duplicate << "AB";
    QTest::newRow("reversed-after-clear") << "AB/BA" << duplicate << "B";
    QTest::newRow("successors-lead-into-chain") << "AX" << duplicate << "A";
    QTest::newRow("same-order-after-clear") << "AB/AB" << QString() << "AB";
    QTest::newRow("null-ignored") << "A0" << QStringLiteral("Adding null Filter to Appender 'L'") << "A";
}

void tst_Filters::addingCannotCloseALoop()
{
    QFETCH(QString, script);
    QFETCH(QString, warning);
    QFETCH(QString, chain);
    QHash<QChar, LogObjectPtr<Filter>> filters;
    for (const QChar name : QStringLiteral("ABX")) {
        filters.insert(name, new LevelMatchFilter); // neutral for every event
        filters.value(name)->setObjectName(name);
    }
    filters.value(QLatin1Char('X'))->setNext(filters.value(QLatin1Char('A')));
    LogObjectPtr<ListAppender> list(new ListAppender);
    list->setName(QStringLiteral("L"));
    Capture warnings(QStringLiteral("LogEngine::ListAppender"));
    warnings.appender()->setThreshold(Level::WARN_INT);
    for (const QChar step : script) {
        if (step == QLatin1Char('/'))
            list->clearFilters();
        else
            list->addFilter(filters.value(step));
    }
    QString walked;
    for (const Filter *filter = list->filter(); filter && walked.size() <= script.size(); filter = filter->next())
        walked += filter->objectName();
    QCOMPARE(walked, chain);
    QCOMPARE(warnings->texts(), warning.isEmpty() ? QStringList() : QStringList { warning });
    list->handleEvent(eventAt(Level::INFO_INT));
    QCOMPARE(list->list().size(), 1);
    filters.value(QLatin1Char('X'))->setNext(nullptr);
}

QObject *newFiltersTest()
{
    return new tst_Filters;
}

#include "tst_filters.moc"
