#include "common/capturingappender.h"
#include "engine/appenders/listappender.h"
#include "engine/hierarchy.h"
#include "engine/logger.h"
#include "engine/logmanager.h"

#include <QDebug>
#include <QPointer>
#include <QTest>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <limits>
#include <mutex>
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

// A one-shot signal between threads, visible to the thread sanitizer.
class Latch
{
public:
    void open()
    {
        std::lock_guard<std::mutex> locker(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    void wait()
    {
        std::unique_lock<std::mutex> locker(m_mutex);
        m_changed.wait(locker, [this] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

} // namespace

class tst_Logger : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void inheritsLevelFromAncestors();
    void repositoryThresholdWins();
    void additivityStopsDelivery();
    void appenderOnChildAndParentGetsEventTwice();
    void messageForms();
    void substitutionMatchesQStringArg_data();
    void substitutionMatchesQStringArg();
    void numbersMatchQStringNumber();
    void messagesOutliveTheirRequests();
    void disabledRequestFormatsNothing();
    void duplicateAndNullAppendersWarn();
    void removalWarnings();
    void removeAllKeepsConfiguratorList();
    void removedAppenderIsDestroyed();
    void removalsByNameRaceSafely();
    void deliveringThreadChangesAppenders_data();
    void deliveringThreadChangesAppenders();
    void rootLevelNeverNull();
    void debugDescription();
};

void tst_Logger::inheritsLevelFromAncestors()
{
    Logger *parent = LogManager::logger(QStringLiteral("inherit"));
    Logger *child = LogManager::logger(QStringLiteral("inherit::child"));
    parent->setLevel(Level::WARN_INT);
    QCOMPARE(child->level().toInt(), int(Level::NULL_INT));
    QCOMPARE(child->effectiveLevel().toInt(), int(Level::WARN_INT));
    Capture capture(QStringLiteral("inherit::child"));
    child->setLevel(Level::NULL_INT); // Capture opened it up; back to inheriting
    child->info("dropped");
    child->warn("passes");
    QCOMPARE(capture->texts(), QStringList { QStringLiteral("passes") });
}

void tst_Logger::repositoryThresholdWins()
{
    Hierarchy hierarchy;
    Logger *logger = hierarchy.logger(QStringLiteral("t"));
    logger->setLevel(Level::TRACE_INT);
    hierarchy.setThreshold(Level(Level::ERROR_INT));
    QVERIFY(!logger->isWarnEnabled());
    QVERIFY(!hierarchy.rootLogger()->isWarnEnabled());
    QVERIFY(logger->isErrorEnabled());
}

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
}

void tst_Logger::appenderOnChildAndParentGetsEventTwice()
{
    Logger *parent = LogManager::logger(QStringLiteral("twice"));
    Logger *child = LogManager::logger(QStringLiteral("twice::child"));
    Capture capture(QStringLiteral("twice"));
    child->addAppender(capture.appender());
    child->error("once per attachment");
    QCOMPARE(capture->count(QStringLiteral("once per attachment")), 2);
    child->removeAppender(capture.appender());
    QCOMPARE(parent->appenders().size(), 1);
}

void tst_Logger::messageForms()
{
    Logger *logger = LogManager::logger(QStringLiteral("forms"));
    Capture capture(QStringLiteral("forms"));
    logger->info(QStringLiteral("qstring"));
    logger->info("utf8 \xc3\xa9");
    logger->info("%1 and %2 and %3", "one", 2, QStringLiteral("three"));
    logger->info("single pass: %1 %2", "%2", "b");
    logger->log(Level::FATAL_INT, "via log %1", 7);
    logger->info("%1 %2 %3", std::numeric_limits<qint64>::min(), std::numeric_limits<quint64>::max(), true);
    logger->error(LogError(QStringLiteral("Broken"), 4, QStringLiteral("SYM"), QStringLiteral("Ctx")));
    const QList<CapturedMessage> messages = capture->messages();
    QCOMPARE(capture->texts(),
        (QStringList { QStringLiteral("qstring"), QString::fromUtf8("utf8 \xc3\xa9"),
            QStringLiteral("one and 2 and three"), QStringLiteral("single pass: %2 b"), QStringLiteral("via log 7"),
            QStringLiteral("-9223372036854775808 18446744073709551615 1"), QStringLiteral("Broken (Ctx::SYM, 4)") }));
    QCOMPARE(messages.at(4).level, int(Level::FATAL_INT));
    QCOMPARE(messages.at(6).level, int(Level::ERROR_INT));
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

// Messages are built in room the thread keeps from one request to the next:
// events kept by an appender, a request made while another is delivered and
// one made from a thread-local object's destructor at thread exit each keep
// their own text.
void tst_Logger::messagesOutliveTheirRequests()
{
    Logger *outer = LogManager::logger(QStringLiteral("kept"));
    Logger *inner = LogManager::logger(QStringLiteral("keptInner"));
    Capture innerCapture(QStringLiteral("keptInner"));
    struct Relay : CapturingAppender {
        Logger *inner;
        void append(const LoggingEvent &event) override
        {
            CapturingAppender::append(event);
            inner->info("inner %1 of %2", event.message().size(), event.message());
        }
    };
    LogObjectPtr<Relay> relay(new Relay);
    relay->inner = inner;
    relay->activate();
    outer->addAppender(relay.data());
    outer->setLevel(Level::INFO_INT);
    for (int i = 1; i <= 3; ++i)
        outer->info("outer %1", i);
    struct LogsAtExit {
        Logger *logger;
        ~LogsAtExit() { logger->info("exit %1 %2", 42, "late"); }
    };
    std::thread([inner] {
        thread_local LogsAtExit atExit { inner };
        // Made after the destructor's owner, so gone before it runs.
        inner->info("thread %1", 1);
        (void)atExit;
    }).join();
    outer->removeAppender(relay.data());
    QCOMPARE(relay->texts(),
        (QStringList { QStringLiteral("outer 1"), QStringLiteral("outer 2"), QStringLiteral("outer 3") }));
    QCOMPARE(innerCapture->texts(),
        (QStringList { QStringLiteral("inner 7 of outer 1"), QStringLiteral("inner 7 of outer 2"),
            QStringLiteral("inner 7 of outer 3"), QStringLiteral("thread 1"), QStringLiteral("exit 42 late") }));
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

void tst_Logger::duplicateAndNullAppendersWarn()
{
    Logger *logger = LogManager::logger(QStringLiteral("dup"));
    LogObjectPtr<ListAppender> list(new ListAppender);
    list->setName(QStringLiteral("L"));
    Capture warnings(QStringLiteral("LogEngine::Logger"));
    logger->addAppender(list);
    logger->addAppender(list);
    logger->addAppender(nullptr);
    QCOMPARE(logger->appenders().size(), 1);
    QCOMPARE(warnings->texts(),
        (QStringList { QStringLiteral("Adding of duplicate appender 'L' to logger 'dup'"),
            QStringLiteral("Adding null Appender to Logger 'dup'") }));
    QCOMPARE(warnings->messages().at(0).level, int(Level::WARN_INT));
    QCOMPARE(list->referenceCount(), 2);
    // Once removed, by either way, it may be added again.
    logger->removeAllAppenders();
    logger->addAppender(list);
    logger->removeAppender(list.data());
    logger->addAppender(list);
    QCOMPARE(logger->appenders(), QList<Appender *> { list.data() });
    QCOMPARE(warnings->count(QStringLiteral("Adding of duplicate appender 'L' to logger 'dup'")), 1);
    logger->removeAllAppenders();
}

void tst_Logger::removalWarnings()
{
    Logger *logger = LogManager::logger(QStringLiteral("removal"));
    LogObjectPtr<ListAppender> list(new ListAppender);
    list->setName(QStringLiteral("stranger"));
    Capture warnings(QStringLiteral("LogEngine::Logger"));
    logger->removeAppender(QStringLiteral("not attached"));
    QVERIFY(warnings->messages().isEmpty());
    logger->removeAppender(static_cast<Appender *>(nullptr));
    logger->removeAppender(list.data());
    QCOMPARE(warnings->texts(),
        (QStringList { QStringLiteral("Request to remove null Appender from Logger 'removal'"),
            QStringLiteral(
                "Request to remove Appender 'stranger', which is not part of Logger 'removal' appenders") }));
}

void tst_Logger::removeAllKeepsConfiguratorList()
{
    Logger *logger = LogManager::logger(QStringLiteral("keep"));
    auto *configuratorList = new ListAppender;
    configuratorList->setConfiguratorList(true);
    auto *plainList = new ListAppender;
    QPointer<ListAppender> plainWatch = plainList;
    logger->addAppender(configuratorList);
    logger->addAppender(plainList);
    Capture trace(QStringLiteral("LogEngine::Logger"));
    logger->removeAllAppenders();
    QCOMPARE(trace->texts(), QStringList { QStringLiteral("Removing all appenders from logger 'keep'") });
    QCOMPARE(trace->messages().at(0).level, int(Level::TRACE_INT));
    QVERIFY(!plainWatch);
    QCOMPARE(logger->appenders(), QList<Appender *> { configuratorList });
    trace->clear();
    logger->addAppender(configuratorList);
    QCOMPARE(trace->texts(), QStringList { QStringLiteral("Adding of duplicate appender '' to logger 'keep'") });
    logger->error("still collected");
    QCOMPARE(configuratorList->list().size(), 1);
    logger->removeAppender(configuratorList);
}

void tst_Logger::removedAppenderIsDestroyed()
{
    Logger *logger = LogManager::logger(QStringLiteral("destroy"));
    QPointer<ListAppender> watch = new ListAppender;
    watch->setName(QStringLiteral("gone"));
    logger->addAppender(watch.data());
    QCOMPARE(logger->appender(QStringLiteral("gone")), watch.data());
    logger->removeAppender(QStringLiteral("gone"));
    QVERIFY(!watch);
    QVERIFY(!logger->appender(QStringLiteral("gone")));
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

void tst_Logger::rootLevelNeverNull()
{
    Hierarchy hierarchy;
    Capture warnings(QStringLiteral("LogEngine::Logger"));
    hierarchy.rootLogger()->setLevel(Level::NULL_INT);
    QCOMPARE(hierarchy.rootLogger()->level().toInt(), int(Level::DEBUG_INT));
    hierarchy.logger(QStringLiteral("child"))->setLevel(Level::NULL_INT);
    QCOMPARE(warnings->texts(),
        QStringList { QStringLiteral("Invalid root logger level NULL_INT. Using DEBUG_INT instead") });
}

void tst_Logger::debugDescription()
{
    Logger *logger = LogManager::logger(QStringLiteral("describe::me"));
    logger->setLevel(Level::WARN_INT);
    QString text;
    QDebug(&text) << *logger;
    QCOMPARE(text.trimmed(),
        QStringLiteral(
            "Logger(name:\"describe::me\" appenders:0 additivity:true Level(WARN) parentLogger:\"describe\")"));
}

QObject *newLoggerTest()
{
    return new tst_Logger;
}

#include "tst_logger.moc"
