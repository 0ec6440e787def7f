#include "common/capturingappender.h"
#include "common/testfiles.h"
#include "engine/logger.h"
#include "engine/loggerrepository.h"
#include "engine/logmanager.h"
#include "qorvlogenginelogmanager.h"
#include "qorvlogger.h"
#include "qorvlogstatusbar.h"
#include "qorvlogwidget.h"

#include <QPointer>
#include <QRegularExpression>
#include <QTest>

#include <atomic>
#include <thread>

using namespace LogEngine;

namespace
{

// Application widgets that note what the library hands them.
using ReceivedMessages = QList<QPair<QString, QORVLogLevel::Level>>;

class RecordingLogWidget : public QORVLogWidget
{
    Q_OBJECT

public:
    ReceivedMessages received;
    void addLogMessage(const QString &message, const QORVLogLevel &level) override
    {
        received.append({ message, level.getLevel() });
    }
};

class RecordingStatusBar : public QORVLogStatusBar
{
    Q_OBJECT

public:
    QList<QPair<QString, int>> received;
    void showLogMessage(const QString &message, int timeout) override { received.append({ message, timeout }); }
};

LogObjectPtr<CapturingAppender> attachCapture(Logger *logger)
{
    LogObjectPtr<CapturingAppender> capture(new CapturingAppender);
    capture->activate();
    logger->addAppender(capture);
    return capture;
}

} // namespace

class tst_QORVLogEngineLogManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void operationsLogAtTheirEngineLevel_data();
    void operationsLogAtTheirEngineLevel();
    void everyLoggerIsPreparedOnce_data();
    void everyLoggerIsPreparedOnce();
    void overlongNameLogsOnAnAncestor();
    void filesGetTheTimeLevelAndMessage();
    void widgetsAttachByObjectName();
    void levelsChangeWhileOthersLog();
};

void tst_QORVLogEngineLogManager::operationsLogAtTheirEngineLevel_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<int>("engineLevel");
    QTest::newRow("trace") << int(QORVLogLevel::TraceLevel) << int(Level::TRACE_INT);
    QTest::newRow("debug") << int(QORVLogLevel::DebugLevel) << int(Level::DEBUG_INT);
    QTest::newRow("info") << int(QORVLogLevel::InfoLevel) << int(Level::INFO_INT);
    QTest::newRow("warn") << int(QORVLogLevel::WarnLevel) << int(Level::WARN_INT);
    QTest::newRow("error") << int(QORVLogLevel::ErrorLevel) << int(Level::ERROR_INT);
    QTest::newRow("fatal") << int(QORVLogLevel::FatalLevel) << int(Level::FATAL_INT);
    // The host-only severities have no engine level of their own.
    QTest::newRow("stat-is-info") << int(QORVLogLevel::StatLevel) << int(Level::INFO_INT);
    QTest::newRow("status-is-info") << int(QORVLogLevel::StatusLevel) << int(Level::INFO_INT);
}

void tst_QORVLogEngineLogManager::operationsLogAtTheirEngineLevel()
{
    QFETCH(int, operation);
    QFETCH(int, engineLevel);
    QORVLogEngineLogManager manager;
    const QString name = QStringLiteral("levels::") + QString::fromLatin1(QTest::currentDataTag());
    manager.setLevel(QORVLogLevel::TraceLevel, name);
    const auto capture = attachCapture(LogManager::logger(name));
    manager.log(static_cast<QORVLogLevel::Level>(operation), QStringLiteral("unchanged %1 text"), name);
    const QList<CapturedMessage> messages = capture->messages();
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.at(0).level, engineLevel);
    QCOMPARE(messages.at(0).message, QStringLiteral("unchanged %1 text"));
    LogManager::logger(name)->removeAllAppenders();
}

void tst_QORVLogEngineLogManager::everyLoggerIsPreparedOnce_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("ascii") << QStringLiteral("once::plain");
    QTest::newRow("latin-1") << QStringLiteral("once::caf\u00e9");
    QTest::newRow("outside-latin-1") << QStringLiteral("once::\u03a9mega");
    QTest::newRow("outside-the-basic-plane") << QStringLiteral("once::\U0001F600");
}

// The first request gives a logger the manager's level and no additivity.
// Configuration may change it after that; later requests must not undo it.
void tst_QORVLogEngineLogManager::everyLoggerIsPreparedOnce()
{
    QFETCH(QString, name);
    QORVLogEngineLogManager manager;
    manager.debug(QStringLiteral("dropped"), name);
    Logger *logger = LogManager::logger(name);
    QCOMPARE(logger->level().toInt(), int(Level::INFO_INT));
    QVERIFY(!logger->additivity());

    const auto own = attachCapture(logger);
    const auto parent = attachCapture(logger->parentLogger());
    manager.info(QStringLiteral("passes"), name);
    QVERIFY(!manager.isDebugEnabled(name));
    manager.setLevel(QORVLogLevel::DebugLevel, name);
    QVERIFY(manager.isDebugEnabled(name));
    QCOMPARE(logger->level().toInt(), int(Level::DEBUG_INT));
    logger->setLevel(Level::TRACE_INT);
    logger->setAdditivity(true);
    manager.trace(QStringLiteral("passes now"), name);
    QCOMPARE(own->texts(), (QStringList { QStringLiteral("passes"), QStringLiteral("passes now") }));
    QCOMPARE(parent->texts(), QStringList { QStringLiteral("passes now") });
    QCOMPARE(logger->level().toInt(), int(Level::TRACE_INT));
    logger->removeAllAppenders();
    logger->parentLogger()->removeAllAppenders();
}

// Each level of a name is a logger that lives for good with its own copy of
// its prefix: a name past the limit is not made, and its message goes to
// the nearest ancestor whose name fits.
void tst_QORVLogEngineLogManager::overlongNameLogsOnAnAncestor()
{
    QORVLogEngineLogManager manager;
    QString ancestor = QStringLiteral("overlong");
    while (ancestor.size() + 3 <= LoggerRepository::maxNameLength)
        ancestor += QStringLiteral("::s");
    const QString name = ancestor + QStringLiteral("::beyond");
    const auto capture = attachCapture(LogManager::logger(ancestor));
    Capture errors(QStringLiteral("LogEngine::QORVLogEngineLogManager"));
    manager.error(QStringLiteral("kept"), name);
    QCOMPARE(capture->texts(), QStringList { QStringLiteral("kept") });
    QVERIFY(!LogManager::loggerRepository()->exists(name));
    QCOMPARE(errors->texts(),
        QStringList { QStringLiteral("Refused a logger name of %1 characters, '%2... (%1 characters)'; the limit is "
                                     "%3. Logging on '%4... (%5 characters)' instead (QORVLogEngineLogManager)")
                          .arg(name.size())
                          .arg(name.left(256))
                          .arg(LoggerRepository::maxNameLength)
                          .arg(ancestor.left(256))
                          .arg(ancestor.size()) });
    LogManager::logger(ancestor)->removeAllAppenders();
}

void tst_QORVLogEngineLogManager::filesGetTheTimeLevelAndMessage()
{
    QORVLogEngineLogManager manager;
    const TestFolder dir;
    const QString fileName = dir.write(QStringLiteral("app.log"), "left from an earlier run\n");
    const QString name = QStringLiteral("files::app");

    manager.addFile(fileName, name);
    QPointer<Appender> appender = LogManager::logger(name)->appender(fileName);
    QVERIFY(appender);
    manager.info(QStringLiteral("first line"), name);
    manager.debug(QStringLiteral("dropped"), name);
    manager.stat(QStringLiteral("statistics"), name);
    manager.removeFile(fileName, name);
    QVERIFY(!appender);
    manager.warn(QStringLiteral("after removal"), name);

    const QString text = QString::fromUtf8(dir.read(QStringLiteral("app.log")));
    const QString stamp = QStringLiteral("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}");
    const QRegularExpression expected(
        QStringLiteral("\\A%1 INFO  - first line\r\n%1 INFO  - statistics\r\n\\z").arg(stamp));
    QVERIFY2(expected.match(text).hasMatch(), qPrintable(text));
}

// Each widget is handed the raw message with its level; removal goes by
// object name (the first one attached goes). Widgets deleted while attached
// are passed over, and delivery goes on past them.
void tst_QORVLogEngineLogManager::widgetsAttachByObjectName()
{
    QORVLogEngineLogManager manager;
    const QString name = QStringLiteral("widgets::view");
    Logger *logger = LogManager::logger(name);
    manager.addLogWidget(nullptr, name);
    manager.addStatusBar(nullptr, name);
    QVERIFY(logger->appenders().isEmpty());

    auto *deletedWidget = new RecordingLogWidget;
    auto *deletedBar = new RecordingStatusBar;
    manager.addLogWidget(deletedWidget, name);
    manager.addStatusBar(deletedBar, name);
    delete deletedWidget;
    delete deletedBar;
    RecordingLogWidget first;
    RecordingLogWidget second;
    RecordingStatusBar bar;
    first.setObjectName(QStringLiteral("view"));
    second.setObjectName(QStringLiteral("view"));
    bar.setObjectName(QStringLiteral("bar"));
    manager.addLogWidget(&first, name);
    manager.addLogWidget(&second, name);
    manager.addStatusBar(&bar, name);
    QCOMPARE(logger->appenders().size(), 5);
    QString text;
    QDebug(&text) << *logger->appender(QStringLiteral("view"));
    QCOMPARE(text.trimmed(),
        QStringLiteral("QORVLogWidgetLogEngineAppender(name:\"view\" isactive:true isclosed:false layout:\"\" "
                       "threshold:\"NULL\")"));
    Capture errors(QStringLiteral("QORVLogEngineLogWidgetAppender"));
    manager.status(QStringLiteral("both"), name);
    manager.removeLogWidget(&second, name);
    manager.removeStatusBar(&bar, name);
    manager.warn(QStringLiteral("second only"), name);

    const QPair<QString, QORVLogLevel::Level> both(QStringLiteral("both"), QORVLogLevel::InfoLevel);
    QCOMPARE(first.received, (ReceivedMessages { both }));
    QCOMPARE(second.received, (ReceivedMessages { both, { QStringLiteral("second only"), QORVLogLevel::WarnLevel } }));
    QCOMPARE(bar.received, (QList<QPair<QString, int>> { { QStringLiteral("both"), 5000 } }));
    QCOMPARE(errors->messages().size(), 0);
    logger->removeAllAppenders();
}

// An application's settings dialog gives levels to new names while its
// workers log through the manager and through handles, and while the level
// of the handles' parent and the threshold change: the manager's table grows,
// and rehashes, under them. Once the changes end, every handle answers what
// its engine logger lets through, though each kept an answer made under an
// older level.
void tst_QORVLogEngineLogManager::levelsChangeWhileOthersLog()
{
    QORVLogEngineLogManager manager;
    constexpr int names = 500;
    auto name = [](int i) { return QStringLiteral("race::n%1").arg(i); };
    auto levelOf = [](int i) { return i % 2 ? QORVLogLevel::DebugLevel : QORVLogLevel::WarnLevel; };
    Logger *parent = LogManager::logger(QStringLiteral("race::handles"));
    parent->setLevel(Level::WARN_INT);
    const QORVLogger handle("race::handles::child");
    QVERIFY(!handle.isInfoEnabled());
    std::atomic<bool> done { false };
    auto work = [&] {
        const QORVLogger copy = handle;
        for (int i = 0; !done.load(); i = (i + 1) % names) {
            if (manager.isDebugEnabled(name(i)))
                manager.debug(QStringLiteral("enabled"), name(i));
            manager.info(QStringLiteral("info"), name(names - 1 - i));
            QORVLOG_INFO(copy, "%1", 1);
            QORVLOG_DEBUG(QORVLogger("race::handles::child"), "%1", 2);
        }
    };
    std::thread first(work);
    std::thread second(work);
    constexpr int levels[] = { Level::TRACE_INT, Level::DEBUG_INT, Level::INFO_INT, Level::ERROR_INT };
    for (int i = 0; i < names; ++i) {
        manager.setLevel(levelOf(i), name(i));
        parent->setLevel(levels[i % 4]);
        LogManager::loggerRepository()->setThreshold(Level(i % 3 ? Level::NULL_INT : Level::INFO_INT));
    }
    parent->setLevel(Level::DEBUG_INT);
    LogManager::loggerRepository()->setThreshold(Level(Level::NULL_INT));
    done.store(true);
    first.join();
    second.join();
    for (int i = 0; i < names; ++i)
        QCOMPARE(manager.getLevel(name(i)).getLevel(), levelOf(i));
    QVERIFY(handle.isDebugEnabled() && !handle.isTraceEnabled());
    parent->setLevel(Level::OFF_INT);
    QVERIFY(!handle.isFatalEnabled());
    parent->setLevel(Level::NULL_INT);
}

QObject *newQORVLogEngineLogManagerTest()
{
    return new tst_QORVLogEngineLogManager;
}

#include "tst_qorvlogenginelogmanager.moc"
