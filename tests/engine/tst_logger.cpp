#include "common/capturingappender.h"
#include "engine/appenders/listappender.h"
#include "engine/hierarchy.h"
#include "engine/logger.h"
#include "engine/logmanager.h"

#include <QDebug>
#include <QPointer>
#include <QTest>

#include <atomic>
#include <functional>
#include <limits>
#include <thread>

using namespace LogEngine;

namespace
{

// Counts how often the logger turns it into text.
struct Expensive {
    int *conversions;
    operator QString() const
    {
        ++*conversions;
        return QStringLiteral("expensive");
    }
};

// Runs an action for each event it is handed, on the delivering thread.
class ActingAppender : public AppenderSkeleton
{
    Q_OBJECT

public:
    explicit ActingAppender(std::function<void(const LoggingEvent &)> action)
        : m_action(std::move(action))
    {
    }
    bool requiresLayout() const override { return false; }
    QDebug debug(QDebug &debug) const override { return debug << "ActingAppender()"; }

protected:
    void append(const LoggingEvent &event) override { m_action(event); }

private:
    std::function<void(const LoggingEvent &)> m_action;
};

} // namespace

class tst_Logger : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void additivityStopsDelivery();
    void messageForms();
    void substitutionMatchesQStringArg_data();
    void substitutionMatchesQStringArg();
    void numbersMatchQStringNumber();
    void disabledRequestFormatsNothing();
    void appenderBookkeeping();
    void removalsByNameRaceSafely();
    void deliveringThreadChangesAppenders_data();
    void deliveringThreadChangesAppenders();
};

void tst_Logger::additivityStopsDelivery()
{
    Logger *parent = LogManager::logger(QStringLiteral("add"));
    Logger *child = LogManager::logger(QStringLiteral("add::child"));
    Capture onParent(QStringLiteral("add"));
    Capture onChild(QStringLiteral("add::child"));
    // A logger without appenders of its own passes events on only as far
    // as its additivity lets them go.
    Logger *empty = LogManager::logger(QStringLiteral("add::child::empty"));
    empty->info("both");
    empty->setAdditivity(false);
    empty->info("nobody");
    child->setAdditivity(false);
    empty->setAdditivity(true);
    empty->info("child only");
    parent->info("parent only");
    QCOMPARE(onChild->texts(), (QStringList { QStringLiteral("both"), QStringLiteral("child only") }));
    QCOMPARE(onParent->texts(), (QStringList { QStringLiteral("both"), QStringLiteral("parent only") }));
    child->setAdditivity(true);
    // One appender attached to a logger and its parent gets the event twice.
    child->addAppender(onParent.appender());
    child->error("once per attachment");
    QCOMPARE(onParent->count(QStringLiteral("once per attachment")), 2);
    child->removeAppender(onParent.appender());
    QCOMPARE(parent->appenders().size(), 1);
}

void tst_Logger::messageForms()
{
    Logger *logger = LogManager::logger(QStringLiteral("forms"));
    Capture capture(QStringLiteral("forms"));
    logger->info(QStringLiteral("qstring"));
    logger->info("utf8 \xc3\xa9");
    logger->log(Level::FATAL_INT, "via log %1", 7);
    logger->info("%1 %2 %3", std::numeric_limits<qint64>::min(), std::numeric_limits<quint64>::max(), true);
    logger->error(LogError(QStringLiteral("Broken"), 4, QStringLiteral("SYM"), QStringLiteral("Ctx")));
    const QList<CapturedMessage> messages = capture->messages();
    QCOMPARE(capture->texts(),
        (QStringList { QStringLiteral("qstring"), QString::fromUtf8("utf8 \xc3\xa9"), QStringLiteral("via log 7"),
            QStringLiteral("-9223372036854775808 18446744073709551615 1"), QStringLiteral("Broken (Ctx::SYM, 4)") }));
    QCOMPARE(messages.at(2).level, int(Level::FATAL_INT));
    QCOMPARE(messages.at(4).level, int(Level::ERROR_INT));
    QCOMPARE(messages.at(0).logger, QStringLiteral("forms"));
}

// Every text with one, two and three arguments, each form against Qt's own.
void tst_Logger::substitutionMatchesQStringArg_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("in order") << QByteArray("plain %1 and %2 and %3");
    QTest::newRow("reversed and repeated") << QByteArray("%3%3 %2 %1%1");
    QTest::newRow("numbers with gaps") << QByteArray("%2 then %5 then %9");
    QTest::newRow("more placeholders than arguments") << QByteArray("%1 %2 %3 %4 %4");
    QTest::newRow("percent signs that are text") << QByteArray("100% %% %1%%2% %3 %a %");
    QTest::newRow("placeholder at the very end") << QByteArray("%1%2%3");
    QTest::newRow("zero is a placeholder") << QByteArray("%0 %1 %2 %3");
    QTest::newRow("localised form") << QByteArray("%L1 %2 %3");
    QTest::newRow("two digits") << QByteArray("%10 %1 %2 %3 %12");
    QTest::newRow("not ASCII") << QByteArray("\xc3\xa9 %1 \xe2\x82\xac %2 %3");
    QTest::newRow("pieces of 8, 9, 15, 16 and 17")
        << QByteArray("12345678%1123456789%2123456789abcde%3123456789abcdef%4123456789abcdefg");
}

void tst_Logger::substitutionMatchesQStringArg()
{
    QFETCH(QByteArray, format);
    Logger *logger = LogManager::logger(QStringLiteral("substitution"));
    Capture capture(QStringLiteral("substitution"));
    const QString first = QStringLiteral("x%1y");
    const char *third = "z\xc3\xa9";
    logger->info(format.constData(), -42);
    logger->info(format.constData(), first, 0u);
    logger->info(format.constData(), first, -42, third);
    logger->info(format.constData(), "%2", "");
    const QString text = QString::fromUtf8(format);
    QCOMPARE(capture->texts(),
        (QStringList { text.arg(QStringLiteral("-42")), text.arg(first, QStringLiteral("0")),
            text.arg(first, QStringLiteral("-42"), QString::fromUtf8(third)),
            text.arg(QStringLiteral("%2"), QString()) }));
}

// Numbers are written digit pair by digit pair: every length, at and
// around each power of ten, both signs, as QString::number writes them.
void tst_Logger::numbersMatchQStringNumber()
{
    Logger *logger = LogManager::logger(QStringLiteral("numbers"));
    Capture capture(QStringLiteral("numbers"));
    QStringList expected;
    for (quint64 power = 1;; power *= 10) {
        for (const quint64 value : { power - 1, power, power + 1 }) {
            const qint64 negative = -qint64(value / 2);
            logger->info("%1|%2", value, negative);
            expected << QString::number(value) + QLatin1Char('|') + QString::number(negative);
        }
        if (power > std::numeric_limits<quint64>::max() / 10)
            break;
    }
    QCOMPARE(capture->texts(), expected);
}

void tst_Logger::disabledRequestFormatsNothing()
{
    Logger *logger = LogManager::logger(QStringLiteral("lazy"));
    logger->setLevel(Level::WARN_INT);
    int conversions = 0;
    logger->debug("%1", Expensive { &conversions });
    QCOMPARE(conversions, 0);
    logger->warn("%1", Expensive { &conversions });
    QCOMPARE(conversions, 1);
}

// Duplicates, null appenders and strangers are refused with a warning (a
// name not attached silently); what a logger lets go of, by pointer, by
// name or all at once, is released, and may be added again; removing all
// keeps the configurator's list, which goes on collecting.
void tst_Logger::appenderBookkeeping()
{
    Logger *logger = LogManager::logger(QStringLiteral("keep"));
    LogObjectPtr<ListAppender> list(new ListAppender);
    list->setName(QStringLiteral("L"));
    LogObjectPtr<ListAppender> stranger(new ListAppender);
    stranger->setName(QStringLiteral("stranger"));
    auto *configuratorList = new ListAppender;
    configuratorList->setConfiguratorList(true);
    QPointer<ListAppender> byName = new ListAppender;
    byName->setName(QStringLiteral("gone"));
    QPointer<ListAppender> byAll = new ListAppender;
    Capture log(QStringLiteral("LogEngine::Logger"));

    logger->addAppender(list);
    logger->addAppender(list);
    logger->addAppender(nullptr);
    QCOMPARE(list->referenceCount(), 2);
    logger->removeAppender(QStringLiteral("not attached"));
    logger->removeAppender(static_cast<Appender *>(nullptr));
    logger->removeAppender(stranger.data());
    logger->removeAppender(list.data());
    QCOMPARE(list->referenceCount(), 1);
    for (Appender *appender : std::initializer_list<Appender *> { list.data(), configuratorList, byName, byAll })
        logger->addAppender(appender);
    QCOMPARE(logger->appender(QStringLiteral("gone")), byName.data());
    logger->removeAppender(QStringLiteral("gone"));
    QVERIFY(!byName && !logger->appender(QStringLiteral("gone")));
    logger->removeAllAppenders();
    QVERIFY(!byAll);
    QCOMPARE(list->referenceCount(), 1);
    QCOMPARE(logger->appenders(), QList<Appender *> { configuratorList });
    logger->addAppender(configuratorList);
    logger->error("still collected");
    QCOMPARE(configuratorList->list().size(), 1);
    QCOMPARE(log->texts(),
        (QStringList { QStringLiteral("Adding of duplicate appender 'L' to logger 'keep'"),
            QStringLiteral("Adding null Appender to Logger 'keep'"),
            QStringLiteral("Request to remove null Appender from Logger 'keep'"),
            QStringLiteral("Request to remove Appender 'stranger', which is not part of Logger 'keep' appenders"),
            QStringLiteral("Removing all appenders from logger 'keep'"),
            QStringLiteral("Adding of duplicate appender '' to logger 'keep'") }));
    QCOMPARE(log->messages().at(0).level, int(Level::WARN_INT));
    QCOMPARE(log->messages().at(4).level, int(Level::TRACE_INT));
    logger->removeAppender(configuratorList);
}

// Two threads remove appenders of one name while a third keeps adding fresh
// ones: the thread that loses a race for an appender must not touch it once
// the winner has let it go.
void tst_Logger::removalsByNameRaceSafely()
{
    constexpr int rounds = 8000;
    Hierarchy hierarchy;
    Logger *logger = hierarchy.logger(QStringLiteral("race"));
    std::atomic<bool> added { false };
    auto remover = [&] {
        while (!added.load() || logger->appender(QStringLiteral("victim")))
            logger->removeAppender(QStringLiteral("victim"));
    };
    std::thread one(remover);
    std::thread two(remover);
    for (int i = 0; i < rounds; ++i) {
        auto *victim = new ListAppender;
        victim->setName(QStringLiteral("victim"));
        logger->addAppender(victim);
    }
    added.store(true);
    one.join();
    two.join();
    QVERIFY(logger->appenders().isEmpty());
}

// An appender may change the appenders of the logger it delivers for, its
// own place included: the change takes effect, and the delivery in progress
// ends on the appenders it began with, none of them released under it.
void tst_Logger::deliveringThreadChangesAppenders_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("fromParent");
    QTest::addColumn<QString>("after");
    QTest::newRow("add-to-own-logger") << "add" << false << "present,acting,extra";
    QTest::newRow("remove-from-own-logger") << "remove" << false << "acting";
    QTest::newRow("remove-by-name-from-own-logger") << "remove-by-name" << false << "acting";
    QTest::newRow("remove-all-from-own-logger") << "remove-all" << false << "";
    QTest::newRow("add-to-child-from-parent-appender") << "add" << true << "present,extra";
}

void tst_Logger::deliveringThreadChangesAppenders()
{
    QFETCH(QString, change);
    QFETCH(bool, fromParent);
    QFETCH(QString, after);
    Hierarchy hierarchy;
    Logger *child = hierarchy.logger(QStringLiteral("p::c"));
    QPointer<ListAppender> present(new ListAppender);
    present->setName(QStringLiteral("present"));
    child->addAppender(present);
    LogObjectPtr<ListAppender> extra(new ListAppender);
    extra->setName(QStringLiteral("extra"));
    auto *acting = new ActingAppender([&](const LoggingEvent &) {
        if (change == QLatin1String("add"))
            child->addAppender(extra);
        else if (change == QLatin1String("remove"))
            child->removeAppender(present.data());
        else if (change == QLatin1String("remove-by-name"))
            child->removeAppender(QStringLiteral("present"));
        else
            child->removeAllAppenders();
    });
    acting->setName(QStringLiteral("acting"));
    (fromParent ? child->parentLogger() : child)->addAppender(acting);

    Capture capture(QStringLiteral("LogEngine::Logger"));
    child->info("deliver");
    QCOMPARE(appenderNames(child).join(QLatin1Char(',')), after);
    for (const CapturedMessage &message : capture->messages())
        QVERIFY2(message.level < Level::WARN_INT, qPrintable(message.message));
    // The removed list was released when the delivery let go of it.
    QCOMPARE(bool(present), after.contains(QLatin1String("present")));
    QCOMPARE(extra->list().size(), 0);
    child->removeAllAppenders();
    child->parentLogger()->removeAllAppenders();
}

QObject *newLoggerTest()
{
    return new tst_Logger;
}

#include "tst_logger.moc"
