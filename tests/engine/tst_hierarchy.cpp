#include "common/capturingappender.h"
#include "engine/appenders/listappender.h"
#include "engine/hierarchy.h"
#include "engine/logger.h"

#include <QDebug>
#include <QTest>
#include <QThread>

using namespace LogEngine;

class tst_Hierarchy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rootIsStoredUnderEmptyName();
    void createsAncestorsAlongDoubleColons_data();
    void createsAncestorsAlongDoubleColons();
    void deepNameNeedsNoStackPerSegment();
    void thresholdDisables_data();
    void thresholdDisables();
    void resetRestoresDefaults();
    void debugDescriptions();
};

// The root is the logger of the empty name, not of "root"; its level is
// never NULL.
void tst_Hierarchy::rootIsStoredUnderEmptyName()
{
    Hierarchy hierarchy;
    QVERIFY(hierarchy.exists(QString()));
    QVERIFY(!hierarchy.exists(QStringLiteral("root")));
    Logger *root = hierarchy.logger(QString());
    QCOMPARE(root, hierarchy.rootLogger());
    QCOMPARE(root->name(), QStringLiteral("root"));
    Logger *named = hierarchy.logger(QStringLiteral("root"));
    QVERIFY(named != root);
    QCOMPARE(named->parentLogger(), root);
    Capture warnings(QStringLiteral("LogEngine::Logger"));
    root->setLevel(Level::FATAL_INT);
    root->setLevel(Level::NULL_INT);
    QCOMPARE(root->level().toInt(), int(Level::DEBUG_INT));
    named->setLevel(Level::NULL_INT);
    QCOMPARE(warnings->texts(),
        QStringList { QStringLiteral("Invalid root logger level NULL_INT. Using DEBUG_INT instead") });
}

void tst_Hierarchy::createsAncestorsAlongDoubleColons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<int>("loggers");
    QTest::newRow("two-levels-down") << QStringLiteral("a::b::c") << QStringLiteral("a::b") << 4;
    QTest::newRow("dotted-is-one-child") << QStringLiteral("x.y.z") << QStringLiteral("root") << 2;
    QTest::newRow("leading-separator") << QStringLiteral("::a") << QStringLiteral("root") << 2;
    QTest::newRow("trailing-separator") << QStringLiteral("a::") << QStringLiteral("a") << 3;
    QTest::newRow("triple-colon") << QStringLiteral("a:::b") << QStringLiteral("a:") << 3;
}

void tst_Hierarchy::createsAncestorsAlongDoubleColons()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(int, loggers);
    Hierarchy hierarchy;
    QVERIFY(!hierarchy.existingLogger(name));
    Logger *leaf = hierarchy.logger(name);
    QCOMPARE(leaf->parentLogger()->name(), parent);
    QCOMPARE(hierarchy.loggers().size(), loggers);
    QCOMPARE(hierarchy.existingLogger(name), leaf);
    QCOMPARE(hierarchy.logger(name), leaf);
    // Each ancestor up to the root is found under its own name.
    int steps = 1;
    for (Logger *logger = leaf->parentLogger(); logger != hierarchy.rootLogger(); logger = logger->parentLogger()) {
        QCOMPARE(hierarchy.existingLogger(logger->name()), logger);
        ++steps;
    }
    QCOMPARE(steps, loggers - 1);
}

// A thread with a small stack asks for a name of thousands of (empty)
// segments: the ancestors must be made without one stack frame each.
void tst_Hierarchy::deepNameNeedsNoStackPerSegment()
{
    constexpr int depth = 3000;
    Hierarchy hierarchy;
    const QString name = QStringLiteral("::").repeated(depth);
    Logger *leaf = nullptr;
    QScopedPointer<QThread> thread(QThread::create([&] { leaf = hierarchy.logger(name); }));
    thread->setStackSize(128 * 1024);
    thread->start();
    QVERIFY(thread->wait());
    QVERIFY(leaf);
    QCOMPARE(hierarchy.loggers().size(), depth + 1);
    int steps = 0;
    for (Logger *logger = leaf; logger != hierarchy.rootLogger(); logger = logger->parentLogger())
        ++steps;
    QCOMPARE(steps, depth);
}

// The threshold, given as text, replaces the one before (text that is no
// level gives NULL, with a warning), and wins over the loggers' own levels.
void tst_Hierarchy::thresholdDisables_data()
{
    QTest::addColumn<QString>("threshold");
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("disabled");
    QTest::newRow("info-below-warn") << "WARN" << int(Level::INFO_INT) << true;
    QTest::newRow("warn-at-warn") << "WARN" << int(Level::WARN_INT) << false;
    QTest::newRow("error-above-warn") << "WARN" << int(Level::ERROR_INT) << false;
    QTest::newRow("null-threshold-all") << "NULL" << int(Level::ALL_INT) << false;
    QTest::newRow("null-threshold-null") << "NULL" << int(Level::NULL_INT) << false;
    QTest::newRow("invalid-text-is-null") << "loud" << int(Level::ALL_INT) << false;
}

void tst_Hierarchy::thresholdDisables()
{
    QFETCH(QString, threshold);
    QFETCH(int, level);
    QFETCH(bool, disabled);
    Hierarchy hierarchy;
    Logger *logger = hierarchy.logger(QStringLiteral("t"));
    logger->setLevel(Level::ALL_INT);
    hierarchy.setThreshold(Level(Level::OFF_INT));
    QVERIFY(!logger->isFatalEnabled());
    Capture warnings(QStringLiteral("LogEngine::Level"));
    hierarchy.setThreshold(threshold);
    QCOMPARE(hierarchy.isDisabled(Level(level)), disabled);
    if (level != Level::NULL_INT)
        QCOMPARE(logger->isEnabledFor(Level(level)), !disabled);
    QCOMPARE(warnings->messages().size(), threshold == QLatin1String("loud") ? 1 : 0);
}

void tst_Hierarchy::resetRestoresDefaults()
{
    Hierarchy hierarchy;
    Logger *a = hierarchy.logger(QStringLiteral("a"));
    Logger *b = hierarchy.logger(QStringLiteral("a::b"));
    a->setLevel(Level::ERROR_INT);
    b->setAdditivity(false);
    hierarchy.rootLogger()->setLevel(Level::FATAL_INT);
    hierarchy.setThreshold(Level(Level::WARN_INT));
    auto *kept = new ListAppender;
    kept->setConfiguratorList(true);
    b->addAppender(kept);
    b->addAppender(new ListAppender);
    hierarchy.rootLogger()->addAppender(new ListAppender);
    QVERIFY(!hierarchy.exists(QStringLiteral("Qt")));

    hierarchy.resetConfiguration();

    QVERIFY(hierarchy.exists(QStringLiteral("Qt")));
    QVERIFY(hierarchy.exists(QStringLiteral("LogEngine")));
    QCOMPARE(hierarchy.rootLogger()->level().toInt(), int(Level::DEBUG_INT));
    QCOMPARE(hierarchy.threshold().toInt(), int(Level::WARN_INT));
    for (Logger *logger : hierarchy.loggers()) {
        QVERIFY(logger->additivity());
        if (logger != hierarchy.rootLogger())
            QCOMPARE(logger->level().toInt(), int(Level::NULL_INT));
    }
    QCOMPARE(b->appenders(), QList<Appender *> { kept });
    QVERIFY(hierarchy.rootLogger()->appenders().isEmpty());
    b->removeAppender(kept);
}

void tst_Hierarchy::debugDescriptions()
{
    Hierarchy hierarchy;
    Logger *logger = hierarchy.logger(QStringLiteral("describe::me"));
    logger->setLevel(Level::WARN_INT);
    hierarchy.setThreshold(Level(Level::INFO_INT));
    QString text;
    QDebug stream(&text);
    hierarchy.debug(stream) << *logger;
    QCOMPARE(text.trimmed(),
        QStringLiteral(
            "Hierarchy(loggers:3 threshold:\"INFO\" root-level:\"DEBUG\" root-appenders:0) "
            "Logger(name:\"describe::me\" appenders:0 additivity:true Level(WARN) parentLogger:\"describe\")"));
}

QObject *newHierarchyTest()
{
    return new tst_Hierarchy;
}

#include "tst_hierarchy.moc"
