#include "common/capturingappender.h"
#include "engine/appenders/denyallfilter.h"
#include "engine/appenders/levelmatchfilter.h"
#include "engine/appenders/levelrangefilter.h"
#include "engine/appenders/listappender.h"
#include "engine/appenders/stringmatchfilter.h"
#include "engine/loggingevent.h"

#include <QPointer>
#include <QTest>

using namespace LogEngine;

Q_DECLARE_METATYPE(LogEngine::Filter::Decision)

namespace
{

LoggingEvent eventAt(int level, const QString &message = QStringLiteral("message"))
{
    return LoggingEvent(nullptr, Level(level), message);
}

} // namespace

class tst_Filters : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decisions_data();
    void decisions();
    void settingSameNextKeepsIt();
    void releasingHeadReleasesChain();
    void addingCannotCloseALoop_data();
    void addingCannotCloseALoop();
};

void tst_Filters::decisions_data()
{
    QTest::addColumn<QString>("filter"); // "match LEVEL", "range MIN MAX", "string TEXT" or "deny"
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("level");
    QTest::addColumn<QString>("message");
    QTest::addColumn<Filter::Decision>("decision");
    QTest::newRow("match, no level, accepting") << "match NULL" << true << "WARN"
                                                << "m" << Filter::NEUTRAL;
    QTest::newRow("match, no level, denying") << "match NULL" << false << "NULL"
                                              << "m" << Filter::NEUTRAL;
    QTest::newRow("match accepts") << "match WARN" << true << "WARN"
                                   << "m" << Filter::ACCEPT;
    QTest::newRow("match denies") << "match WARN" << false << "WARN"
                                  << "m" << Filter::DENY;
    QTest::newRow("match, other level") << "match WARN" << false << "ERROR"
                                        << "m" << Filter::NEUTRAL;
    QTest::newRow("range, widest, accepting") << "range NULL OFF" << true << "ALL"
                                              << "m" << Filter::ACCEPT;
    QTest::newRow("range, widest, neutral") << "range NULL OFF" << false << "FATAL"
                                            << "m" << Filter::NEUTRAL;
    QTest::newRow("range, below min") << "range INFO ERROR" << true << "DEBUG"
                                      << "m" << Filter::DENY;
    QTest::newRow("range, above max") << "range INFO ERROR" << false << "FATAL"
                                      << "m" << Filter::DENY;
    QTest::newRow("range, at min") << "range INFO ERROR" << false << "INFO"
                                   << "m" << Filter::NEUTRAL;
    QTest::newRow("range, at max") << "range INFO ERROR" << true << "ERROR"
                                   << "m" << Filter::ACCEPT;
    QTest::newRow("string contained") << "string disk" << true << "INFO"
                                      << "the disk is full" << Filter::ACCEPT;
    QTest::newRow("string contained, denying") << "string disk" << false << "INFO"
                                               << "disk" << Filter::DENY;
    QTest::newRow("string, other case") << "string disk" << true << "INFO"
                                        << "the DISK is full" << Filter::NEUTRAL;
    QTest::newRow("string, empty message") << "string disk" << true << "INFO"
                                           << "" << Filter::NEUTRAL;
    QTest::newRow("string, empty text") << "string " << false << "INFO"
                                        << "anything" << Filter::NEUTRAL;
    QTest::newRow("deny all") << "deny" << true << "FATAL"
                              << "m" << Filter::DENY;
}

void tst_Filters::decisions()
{
    QFETCH(QString, filter);
    QFETCH(bool, accept);
    QFETCH(QString, level);
    QFETCH(QString, message);
    QFETCH(Filter::Decision, decision);
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

void tst_Filters::settingSameNextKeepsIt()
{
    LevelMatchFilter head;
    QPointer<DenyAllFilter> next = new DenyAllFilter;
    head.setNext(next);
    head.setNext(next);
    QVERIFY(next);
    QCOMPARE(next->referenceCount(), 1);
}

void tst_Filters::releasingHeadReleasesChain()
{
    QPointer<DenyAllFilter> tail = new DenyAllFilter;
    {
        LogObjectPtr<Filter> head(new StringMatchFilter);
        auto *middle = new LevelRangeFilter;
        head->setNext(middle);
        middle->setNext(tail);
    }
    QVERIFY(!tail);
}

// A loop in the chain would make the walk endless on neutral answers and keep
// its filters alive for ever. Script: a letter adds that filter, "/" clears
// the chain; X starts out linked to A.
void tst_Filters::addingCannotCloseALoop_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("chain");
    QTest::addColumn<int>("refused");
    QTest::newRow("tail-again") << "AA"
                                << "A" << 1;
    QTest::newRow("earlier-filter-again") << "ABA"
                                          << "AB" << 1;
    QTest::newRow("reversed-after-clear") << "AB/BA"
                                          << "B" << 1;
    QTest::newRow("successors-lead-into-chain") << "AX"
                                                << "A" << 1;
    QTest::newRow("same-order-after-clear") << "AB/AB"
                                            << "AB" << 0;
}

void tst_Filters::addingCannotCloseALoop()
{
    QFETCH(QString, script);
    QFETCH(QString, chain);
    QFETCH(int, refused);
    QHash<QChar, LogObjectPtr<Filter>> filters;
    for (const QChar name : QStringLiteral("ABX")) {
        filters.insert(name, new LevelMatchFilter); // neutral for every event
        filters.value(name)->setObjectName(name);
    }
    filters.value(QLatin1Char('X'))->setNext(filters.value(QLatin1Char('A')));
    LogObjectPtr<ListAppender> list(new ListAppender);
    list->setName(QStringLiteral("L"));
    Capture warnings(QStringLiteral("LogEngine::ListAppender"));
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
    QCOMPARE(warnings->texts(),
        refused ? QStringList { QStringLiteral("Adding of duplicate filter to Appender 'L'") } : QStringList());
    list->handleEvent(eventAt(Level::INFO_INT));
    QCOMPARE(list->list().size(), 1);
    filters.value(QLatin1Char('X'))->setNext(nullptr);
}

QObject *newFiltersTest()
{
    return new tst_Filters;
}

#include "tst_filters.moc"
