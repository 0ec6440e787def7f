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
    void levelMatch_data();
    void levelMatch();
    void levelRange_data();
    void levelRange();
    void stringMatch_data();
    void stringMatch();
    void rangeThenDenyAllChain_data();
    void rangeThenDenyAllChain();
    void settingSameNextKeepsIt();
    void releasingHeadReleasesChain();
    void debugDescription();
    void addingCannotCloseALoop_data();
    void addingCannotCloseALoop();
};

void tst_Filters::levelMatch_data()
{
    QTest::addColumn<int>("toMatch");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("level");
    QTest::addColumn<Filter::Decision>("decision");
    QTest::newRow("no-level-accepting") << 0 << true << int(Level::WARN_INT) << Filter::NEUTRAL;
    QTest::newRow("no-level-denying") << 0 << false << 0 << Filter::NEUTRAL;
    QTest::newRow("warn-accepts-warn") << int(Level::WARN_INT) << true << int(Level::WARN_INT) << Filter::ACCEPT;
    QTest::newRow("warn-denies-warn") << int(Level::WARN_INT) << false << int(Level::WARN_INT) << Filter::DENY;
    QTest::newRow("warn-neutral-error") << int(Level::WARN_INT) << false << int(Level::ERROR_INT) << Filter::NEUTRAL;
}

void tst_Filters::levelMatch()
{
    QFETCH(int, toMatch);
    QFETCH(bool, accept);
    QFETCH(int, level);
    QFETCH(Filter::Decision, decision);
    LevelMatchFilter filter;
    filter.setLevelToMatch(toMatch);
    filter.setAcceptOnMatch(accept);
    QCOMPARE(filter.decide(eventAt(level)), decision);
}

void tst_Filters::levelRange_data()
{
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("level");
    QTest::addColumn<Filter::Decision>("decision");
    QTest::newRow("defaults-accept-all") << 0 << 255 << true << int(Level::ALL_INT) << Filter::ACCEPT;
    QTest::newRow("defaults-neutral") << 0 << 255 << false << int(Level::FATAL_INT) << Filter::NEUTRAL;
    QTest::newRow("below-min") << int(Level::INFO_INT) << int(Level::ERROR_INT) << true << int(Level::DEBUG_INT)
                               << Filter::DENY;
    QTest::newRow("above-max") << int(Level::INFO_INT) << int(Level::ERROR_INT) << false << int(Level::FATAL_INT)
                               << Filter::DENY;
    QTest::newRow("at-min") << int(Level::INFO_INT) << int(Level::ERROR_INT) << false << int(Level::INFO_INT)
                            << Filter::NEUTRAL;
    QTest::newRow("at-max") << int(Level::INFO_INT) << int(Level::ERROR_INT) << true << int(Level::ERROR_INT)
                            << Filter::ACCEPT;
}

void tst_Filters::levelRange()
{
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(bool, accept);
    QFETCH(int, level);
    QFETCH(Filter::Decision, decision);
    LevelRangeFilter filter;
    filter.setLevelMin(min);
    filter.setLevelMax(max);
    filter.setAcceptOnMatch(accept);
    QCOMPARE(filter.decide(eventAt(level)), decision);
}

void tst_Filters::stringMatch_data()
{
    QTest::addColumn<QString>("toMatch");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("message");
    QTest::addColumn<Filter::Decision>("decision");
    QTest::newRow("contains") << "disk" << true << "the disk is full" << Filter::ACCEPT;
    QTest::newRow("contains-deny") << "disk" << false << "disk" << Filter::DENY;
    QTest::newRow("other-case") << "disk" << true << "the DISK is full" << Filter::NEUTRAL;
    QTest::newRow("empty-message") << "disk" << true << "" << Filter::NEUTRAL;
    QTest::newRow("empty-pattern") << "" << false << "anything" << Filter::NEUTRAL;
}

void tst_Filters::stringMatch()
{
    QFETCH(QString, toMatch);
    QFETCH(bool, accept);
    QFETCH(QString, message);
    QFETCH(Filter::Decision, decision);
    StringMatchFilter filter;
    filter.setStringToMatch(toMatch);
    filter.setAcceptOnMatch(accept);
    QCOMPARE(filter.decide(eventAt(Level::INFO_INT, message)), decision);
}

void tst_Filters::rangeThenDenyAllChain_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("passed");
    QTest::newRow("accepting-range-passes-up-to-info") << true << 3;
    QTest::newRow("neutral-range-passes-nothing") << false << 0;
}

void tst_Filters::rangeThenDenyAllChain()
{
    QFETCH(bool, accept);
    QFETCH(int, passed);
    LogObjectPtr<ListAppender> list(new ListAppender);
    auto *range = new LevelRangeFilter;
    range->setLevelMax(Level::INFO_INT);
    range->setAcceptOnMatch(accept);
    list->addFilter(range);
    list->addFilter(new DenyAllFilter);
    for (int level : { Level::TRACE_INT, Level::DEBUG_INT, Level::INFO_INT, Level::WARN_INT, Level::FATAL_INT })
        list->handleEvent(eventAt(level));
    QCOMPARE(list->list().size(), passed);
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

void tst_Filters::debugDescription()
{
    LevelRangeFilter filter;
    filter.setLevelMin(Level::WARN_INT);
    filter.setAcceptOnMatch(false);
    QString text;
    QDebug stream(&text);
    filter.debug(stream);
    QVERIFY2(text.startsWith(QStringLiteral(
                 "LevelRangeFilter(acceptonmatch:false levelmin:\"WARN\" levelmax:\"OFF\" next:QObject(0x0)")),
        qPrintable(text));
    QVERIFY2(text.trimmed().endsWith(QStringLiteral("referencecount:0 )")), qPrintable(text));
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
