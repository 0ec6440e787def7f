#include "engine/detail/qtcompat.h"
#include "engine/level.h"
#include "qorvloglevel.h"

#include <QTest>

using LogEngine::Level;

class tst_QORVLogLevel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void severityOrder();
    void conversions_data();
    void conversions();
    void valuesOutsideTheEnumerations();
    void namesRead_data();
    void namesRead();
    void defaultIsInfo();
};

void tst_QORVLogLevel::severityOrder()
{
    const QORVLogLevel stat(QORVLogLevel::StatLevel);
    QVERIFY(stat > QORVLogLevel(QORVLogLevel::FatalLevel));
    QVERIFY(stat < QORVLogLevel(QORVLogLevel::StatusLevel));
    for (int l = QORVLogLevel::NullLevel; l < QORVLogLevel::OffLevel; ++l)
        QVERIFY(QORVLogLevel(QORVLogLevel::OffLevel) > QORVLogLevel(static_cast<QORVLogLevel::Level>(l)));
    QVERIFY(stat >= stat && stat <= stat && stat == stat && !(stat != stat));
}

Q_DECLARE_METATYPE(ORV_MsgLevel)
Q_DECLARE_METATYPE(QORVLogLevel::Level)

void tst_QORVLogLevel::conversions_data()
{
    QTest::addColumn<QORVLogLevel::Level>("level");
    QTest::addColumn<ORV_MsgLevel>("host");
    QTest::addColumn<int>("engine");
    QTest::newRow("null") << QORVLogLevel::NullLevel << MsgInform << int(Level::NULL_INT);
    QTest::newRow("all") << QORVLogLevel::AllLevel << MsgInform << int(Level::ALL_INT);
    QTest::newRow("trace") << QORVLogLevel::TraceLevel << MsgInform << int(Level::TRACE_INT);
    QTest::newRow("debug") << QORVLogLevel::DebugLevel << MsgInform << int(Level::DEBUG_INT);
    QTest::newRow("info") << QORVLogLevel::InfoLevel << MsgInform << int(Level::INFO_INT);
    QTest::newRow("warn") << QORVLogLevel::WarnLevel << MsgWarn << int(Level::WARN_INT);
    QTest::newRow("error") << QORVLogLevel::ErrorLevel << MsgError << int(Level::ERROR_INT);
    QTest::newRow("fatal") << QORVLogLevel::FatalLevel << MsgFatal << int(Level::FATAL_INT);
    QTest::newRow("stat") << QORVLogLevel::StatLevel << MsgStatistic << int(Level::INFO_INT);
    QTest::newRow("status") << QORVLogLevel::StatusLevel << MsgStatusReport << int(Level::INFO_INT);
    QTest::newRow("off") << QORVLogLevel::OffLevel << MsgInform << int(Level::OFF_INT);
    QTest::newRow("outside") << static_cast<QORVLogLevel::Level>(11) << MsgInform << int(Level::NULL_INT);
}

void tst_QORVLogLevel::conversions()
{
    QFETCH(QORVLogLevel::Level, level);
    QFETCH(ORV_MsgLevel, host);
    QFETCH(int, engine);
    const QORVLogLevel value(level);
    QCOMPARE(value.toORVMsgLevel(), host);
    QCOMPARE(value.toLogEngineLevel().toInt(), engine);
    // Host severities map back, except that several levels share MsgInform.
    if (host != MsgInform || level == QORVLogLevel::InfoLevel) {
        QCOMPARE(QORVLogLevel(host).getLevel(), level);
        QCOMPARE(QORVLogLevel::fromORVMsgLevel(host).getLevel(), level);
    }
    // Engine levels map back, except that the host-only severities share INFO.
    if (level != QORVLogLevel::StatLevel && level != QORVLogLevel::StatusLevel && level <= QORVLogLevel::OffLevel)
        QCOMPARE(QORVLogLevel::fromLogEngineLevel(Level(engine)).getLevel(), level);
}

// Host severities outside their enumeration, and engine levels between the
// named ones, are NULL.
void tst_QORVLogLevel::valuesOutsideTheEnumerations()
{
    QCOMPARE(QORVLogLevel(static_cast<ORV_MsgLevel>(6)).getLevel(), QORVLogLevel::NullLevel);
    QCOMPARE(QORVLogLevel::fromORVMsgLevel(static_cast<ORV_MsgLevel>(-1)).getLevel(), QORVLogLevel::NullLevel);
    QCOMPARE(QORVLogLevel::fromLogEngineLevel(Level(100)).getLevel(), QORVLogLevel::NullLevel);
}

void tst_QORVLogLevel::namesRead_data()
{
    QTest::addColumn<bool>("logged"); // the token a log line shows, or the name shown to users
    QTest::addColumn<QString>("text");
    QTest::addColumn<QORVLogLevel::Level>("level");
    QTest::addColumn<bool>("ok");
    // display names, read back as printed, exactly
    QTest::newRow("status-report") << false << "STATUS REPORT" << QORVLogLevel::StatusLevel << true;
    QTest::newRow("statistic") << false << "STATISTIC" << QORVLogLevel::StatLevel << true;
    QTest::newRow("info") << false << "INFO" << QORVLogLevel::InfoLevel << true;
    QTest::newRow("null") << false << "NULL" << QORVLogLevel::NullLevel << true;
    QTest::newRow("off") << false << "OFF" << QORVLogLevel::OffLevel << true;
    QTest::newRow("mixed-case") << false << "Status Report" << QORVLogLevel::NullLevel << false;
    QTest::newRow("logged-token-is-no-name") << false << "STATRP" << QORVLogLevel::NullLevel << false;
    // logged tokens
    QTest::newRow("inform") << true << "INFORM" << QORVLogLevel::InfoLevel << true;
    QTest::newRow("statrp") << true << "STATRP" << QORVLogLevel::StatusLevel << true;
    QTest::newRow("stats") << true << "STATS" << QORVLogLevel::StatLevel << true;
    QTest::newRow("fatal") << true << "FATAL" << QORVLogLevel::FatalLevel << true;
    QTest::newRow("unknwn-is-valid") << true << "UNKNWN" << QORVLogLevel::NullLevel << true;
    QTest::newRow("info-is-no-token") << true << "INFO" << QORVLogLevel::NullLevel << false;
    QTest::newRow("debug") << true << "DEBUG" << QORVLogLevel::NullLevel << false;
    QTest::newRow("lower-case") << true << "warn" << QORVLogLevel::NullLevel << false;
}

void tst_QORVLogLevel::namesRead()
{
    QFETCH(bool, logged);
    QFETCH(QString, text);
    QFETCH(QORVLogLevel::Level, level);
    QFETCH(bool, ok);
    bool parsed = !ok;
    const QORVLogLevel value
        = logged ? QORVLogLevel::fromLoggedSeverity(text, &parsed) : QORVLogLevel::fromString(text, &parsed);
    QCOMPARE(value.getLevel(), level);
    QCOMPARE(parsed, ok);
    if (ok && !logged)
        QCOMPARE(value.toString(), text);
}

// Also as Qt's meta-type system makes one, for properties and signals.
void tst_QORVLogLevel::defaultIsInfo()
{
    QCOMPARE(QORVLogLevel().getLevel(), QORVLogLevel::InfoLevel);
    const int id = qRegisterMetaType<QORVLogLevel>("QORVLogLevel");
    QCOMPARE(QMetaType::typeName(id), "QORVLogLevel");
    void *created = QMetaType::create(id);
    QCOMPARE(static_cast<QORVLogLevel *>(created)->getLevel(), QORVLogLevel::InfoLevel);
    QMetaType::destroy(id, created);
    QCOMPARE(LogEngine::QtCompat::variantOfType(id).value<QORVLogLevel>().getLevel(), QORVLogLevel::InfoLevel);
}

QObject *newQORVLogLevelTest()
{
    return new tst_QORVLogLevel;
}

#include "tst_qorvloglevel.moc"
