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
    void createsAncestorsAlongDoubleColons();
    void deepNameNeedsNoStackPerSegment();
    void parentNames_data();
    void parentNames();
    void thresholdDisables_data();
    void thresholdDisables();
    void invalidThresholdTextSetsNull();
    void resetRestoresDefaults();
    void debugDescription();
};

void tst_Hierarchy::rootIsStoredUnderEmptyName()
{
    Hierarchy hierarchy;
    QVERIFY(hierarchy.exists(QString()));
    QVERIFY(!hierarchy.exists(QStringLiteral("root")));
    Logger *root = hierarchy.logger(QString());
    QCOMPARE(root, hierarchy.rootLogger());
    QCOMPARE(root->name(), QStringLiteral("root"));
    QCOMPARE(root->level().toInt(), int(Level::DEBUG_INT));
    Logger *named = hierarchy.logger(QStringLiteral("root"));
    QVERIFY(named != root);
    QCOMPARE(named->parentLogger(), root);
}

void tst_Hierarchy::createsAncestorsAlongDoubleColons()
{
    Hierarchy hierarchy;
    QVERIFY(!hierarchy.exists(QStringLiteral("a::b")));
    QVERIFY(!hierarchy.existingLogger(QStringLiteral("a::b::c")));
    Logger *leaf = hierarchy.logger(QStringLiteral("a::b::c"));
    QVERIFY(hierarchy.exists(QStringLiteral("a::b")));
    QCOMPARE(hierarchy.existingLogger(QStringLiteral("a::b::c")), leaf);
    QCOMPARE(hierarchy.existingLogger(QStringLiteral("a")), leaf->parentLogger()->parentLogger());
    QCOMPARE(hierarchy.loggers().size(), 4);
    QCOMPARE(leaf->parentLogger()->name(), QStringLiteral("a::b"));
    QCOMPARE(leaf->parentLogger()->parentLogger()->name(), QStringLiteral("a"));
    QCOMPARE(leaf->parentLogger()->parentLogger()->parentLogger(), hierarchy.rootLogger());
    QCOMPARE(leaf->level().toInt(), int(Level::NULL_INT));
    QVERIFY(leaf->additivity());
    QCOMPARE(hierarchy.logger(QStringLiteral("a::b::c")), leaf);
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

void tst_Hierarchy::parentNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<int>("loggers");
    QTest::newRow("dotted-is-one-child") << "x.y.z"
                                         << "root" << 2;
    QTest::newRow("leading-separator") << "::a"
                                       << "root" << 2;
    QTest::newRow("trailing-separator") << "a::"
                                        << "a" << 3;
    QTest::newRow("triple-colon") << "a:::b"
                                  << "a:" << 3;
}

void tst_Hierarchy::parentNames()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(int, loggers);
    Hierarchy hierarchy;
    QCOMPARE(hierarchy.logger(name)->parentLogger()->name(), parent);
    QCOMPARE(hierarchy.loggers().size(), loggers);
}

void tst_Hierarchy::thresholdDisables_data()
{
    QTest::addColumn<int>("threshold");
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("disabled");
    QTest::newRow("info-below-warn") << int(Level::WARN_INT) << int(Level::INFO_INT) << true;
    QTest::newRow("warn-at-warn") << int(Level::WARN_INT) << int(Level::WARN_INT) << false;
    QTest::newRow("error-above-warn") << int(Level::WARN_INT) << int(Level::ERROR_INT) << false;
    QTest::newRow("null-threshold-all") << int(Level::NULL_INT) << int(Level::ALL_INT) << false;
    QTest::newRow("null-threshold-null") << int(Level::NULL_INT) << int(Level::NULL_INT) << false;
}

void tst_Hierarchy::thresholdDisables()
{
    QFETCH(int, threshold);
    QFETCH(int, level);
    QFETCH(bool, disabled);
    Hierarchy hierarchy;
    hierarchy.setThreshold(Level(threshold));
    QCOMPARE(hierarchy.isDisabled(Level(level)), disabled);
}

void tst_Hierarchy::invalidThresholdTextSetsNull()
{
    Hierarchy hierarchy;
    hierarchy.setThreshold(QStringLiteral("ERROR"));
    QCOMPARE(hierarchy.threshold().toInt(), int(Level::ERROR_INT));
    Capture warnings(QStringLiteral("LogEngine::Level"));
    hierarchy.setThreshold(QStringLiteral("loud"));
    QCOMPARE(hierarchy.threshold().toInt(), int(Level::NULL_INT));
    QCOMPARE(warnings->messages().size(), 1);
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

void tst_Hierarchy::debugDescription()
{
    Hierarchy hierarchy;
    hierarchy.logger(QStringLiteral("a::b"));
    hierarchy.setThreshold(Level(Level::INFO_INT));
    QString text;
    QDebug stream(&text);
    hierarchy.debug(stream);
    QCOMPARE(text.trimmed(),
        QStringLiteral("Hierarchy(loggers:3 threshold:\"INFO\" root-level:\"DEBUG\" root-appenders:0)"));
}

QObject *newHierarchyTest()
{
    return new tst_Hierarchy;
}

#include "tst_hierarchy.moc"
