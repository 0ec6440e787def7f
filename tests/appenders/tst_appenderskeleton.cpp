#include "common/capturingappender.h"
#include "common/testfiles.h"
#include "engine/appenders/asyncappender.h"
#include "engine/appenders/dailyrollingfileappender.h"
#include "engine/appenders/debugappender.h"
#include "engine/appenders/fileappender.h"
#include "engine/appenders/levelrangefilter.h"
#include "engine/appenders/listappender.h"
#include "engine/appenders/nullappender.h"
#include "engine/appenders/rollingfileappender.h"
#include "engine/appenders/writerappender.h"
#include "engine/layouts/simplelayout.h"
#include "engine/logger.h"
#include "engine/logmanager.h"
#include "filetesting.h"
#include "manualclock.h"

#include <QPointer>
#include <QTest>

using namespace LogEngine;
using namespace FileTesting;

namespace
{

// An appender whose start state and layout requirement the test chooses.
class ProbeAppender : public AppenderSkeleton
{
    Q_OBJECT

public:
    ProbeAppender(bool active, bool needsLayout)
        : AppenderSkeleton(active, nullptr)
        , m_needsLayout(needsLayout)
    {
        setName(QStringLiteral("P"));
    }
    bool requiresLayout() const override { return m_needsLayout; }
    QDebug debug(QDebug &debug) const override { return debug << "ProbeAppender()"; }
    QStringList appended;

protected:
    void append(const LoggingEvent &event) override { appended.append(event.message()); }

private:
    bool m_needsLayout;
};

// Answers with a fixed decision and notes that it was asked.
class ScriptedFilter : public Filter
{
    Q_OBJECT

public:
    ScriptedFilter(const QString &name, Decision decision, QStringList *asked)
        : m_name(name)
        , m_decision(decision)
        , m_asked(asked)
    {
    }
    QDebug debug(QDebug &debug) const override { return debug << "ScriptedFilter()"; }
    Decision decide(const LoggingEvent &) const override
    {
        m_asked->append(m_name);
        return m_decision;
    }

private:
    QString m_name;
    Decision m_decision;
    QStringList *m_asked;
};

// A layout that logs while it formats, through a logger leading back to its appender.
class ReenteringLayout : public SimpleLayout
{
    Q_OBJECT

public:
    ReenteringLayout()
        : m_loop(LogManager::logger(QStringLiteral("loop")))
    {
    }

    QString format(const LoggingEvent &event) override
    {
        m_loop->error("inner");
        return SimpleLayout::format(event);
    }

private:
    Logger *m_loop;
};

} // namespace

class tst_AppenderSkeleton : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refusals_data();
    void refusals();
    void filtersAskedInOrder_data();
    void filtersAskedInOrder();
    void settingSameLayoutKeepsIt();
    void reentryFromLayoutIsDropped();
    void describesItself_data();
    void describesItself();
};

void tst_AppenderSkeleton::refusals_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("accepted"); // by a probe appender; -1 for the others
    // a: activate, c: close, l: set a layout, e: an ERROR event, d: a DEBUG one (below the threshold)
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("errors"); // %1 stands for the class logger's name
    const QString notActive = QStringLiteral("Use of non activated appender 'P' (%1::APPENDER_NOT_ACTIVATED_ERROR, 7)");
    const QString closed = QStringLiteral("Use of closed appender 'P' (%1::APPENDER_CLOSED_ERROR, 4)");
    const QString useNoLayout = QStringLiteral("Use of appender 'P' that requires layout and has no layout set "
                                               "(%1::APPENDER_USE_MISSING_LAYOUT_ERROR, 12)");
    // The threshold (ERROR here) lets its own level pass.
    QTest::newRow("at and below the threshold") << "active probe" << 1 << "ed" << QStringList();
    // The entry checks come before the threshold, and each refusal is reported.
    QTest::newRow("inactive, below the threshold") << "probe" << 0 << "dd" << QStringList { notActive, notActive };
    // A closed appender activated again is active, and still refuses as closed.
    QTest::newRow("closed, then activated again")
        << "active probe" << 1 << "eceae" << QStringList { notActive, closed };
    QTest::newRow("layout missing at activation")
        << "probe needing a layout" << 1 << "aelae"
        << QStringList { QStringLiteral("Activation of appender 'P' that requires layout and has no layout set "
                                        "(%1::APPENDER_ACTIVATE_MISSING_LAYOUT_ERROR, 1)"),
               notActive };
    QTest::newRow("active from the start without a layout")
        << "active probe needing a layout" << 0 << "e" << QStringList { useNoLayout };
    QTest::newRow("null appender") << "null" << -1 << "eae" << QStringList { notActive };
    // Its checks run at the call, on the caller's thread.
    QTest::newRow("asynchronous appender") << "async" << -1 << "dae" << QStringList { notActive };
    QTest::newRow("debug appender without a layout") << "debug" << -1 << "e" << QStringList { useNoLayout };
    QTest::newRow("writer appender without a writer")
        << "writer" << -1 << "ae"
        << QStringList { QStringLiteral("Activation of Appender 'P' that requires writer and has no writer set "
                                        "(%1::APPENDER_ACTIVATE_MISSING_WRITER_ERROR, 2)"),
               QStringLiteral("Use of appender 'P' without a writer set (%1::APPENDER_USE_MISSING_WRITER_ERROR, 13)") };
    QTest::newRow("file appender without a file name")
        << "file" << -1 << "a"
        << QStringList { QStringLiteral("Activation of Appender 'P' that requires file and has no file set "
                                        "(%1::APPENDER_ACTIVATE_MISSING_FILE_ERROR, 3)") };
    // The pattern is checked before the file.
    QTest::newRow("date-rolling appender without a period")
        << "daily" << -1 << "ae"
        << QStringList { QStringLiteral("The pattern ''.log'ss' does not specify a frequency for appender 'P' "
                                        "(%1::APPENDER_INVALID_PATTERN_ERROR, 5)"),
               QStringLiteral("Use of appender 'P' without having a valid date pattern set "
                              "(%1::APPENDER_USE_INVALID_PATTERN_ERROR, 11)") };
}

// An appender refuses what it cannot take and reports each refusal once, as
// an error of its class.
void tst_AppenderSkeleton::refusals()
{
    QFETCH(QString, kind);
    QFETCH(QString, script);
    QFETCH(int, accepted);
    QFETCH(QStringList, errors);
    ProbeAppender *probe = nullptr;
    LogObjectPtr<AppenderSkeleton> appender;
    if (kind.contains(QLatin1String("probe")))
        appender = probe
            = new ProbeAppender(kind.startsWith(QLatin1String("active")), kind.contains(QLatin1String("layout")));
    else if (kind == QLatin1String("null"))
        appender = new NullAppender;
    else if (kind == QLatin1String("debug"))
        appender = new DebugAppender;
    else if (kind == QLatin1String("async"))
        appender = new AsyncAppender;
    else if (kind == QLatin1String("writer"))
        appender = new WriterAppender;
    else if (kind == QLatin1String("file"))
        appender = new FileAppender(new SimpleLayout, QString());
    else
        appender = new DailyRollingFileAppender(new SimpleLayout, QString(), QStringLiteral("'.log'ss"));
    appender->setName(QStringLiteral("P"));
    appender->setThreshold(Level::ERROR_INT);
    const QString context = QString::fromLatin1(appender->metaObject()->className());
    Capture log(context);
    log.appender()->setThreshold(Level::ERROR_INT);
    for (const QChar step : script) {
        if (step == QLatin1Char('a'))
            appender->activate();
        else if (step == QLatin1Char('c'))
            appender->close();
        else if (step == QLatin1Char('l'))
            appender->setLayout(new SimpleLayout);
        else
            appender->handleEvent(eventAt(step == QLatin1Char('e') ? Level::ERROR_INT : Level::DEBUG_INT));
    }
    for (QString &error : errors)
        error = error.arg(context);
    QCOMPARE(log->texts(), errors);
    if (probe)
        QCOMPARE(probe->appended.size(), accepted);
}

void tst_AppenderSkeleton::filtersAskedInOrder_data()
{
    QTest::addColumn<QString>("decisions"); // one letter per filter: A, D or N
    QTest::addColumn<bool>("appended");
    QTest::addColumn<QString>("asked");
    QTest::newRow("accept-skips-rest") << "AD" << true << "0";
    QTest::newRow("neutral-then-deny") << "ND" << false << "01";
    QTest::newRow("all-neutral") << "NN" << true << "01";
    QTest::newRow("three-in-order") << "NNA" << true << "012";
    QTest::newRow("deny-first") << "DA" << false << "0";
    QTest::newRow("no-filters") << "" << true << "";
}

void tst_AppenderSkeleton::filtersAskedInOrder()
{
    QFETCH(QString, decisions);
    QFETCH(QString, asked);
    QFETCH(bool, appended);
    ProbeAppender appender(true, false);
    QStringList log;
    for (int i = 0; i < decisions.size(); ++i) {
        const QChar d = decisions.at(i);
        const Filter::Decision decision = d == QLatin1Char('A') ? Filter::ACCEPT
            : d == QLatin1Char('D')                             ? Filter::DENY
                                                                : Filter::NEUTRAL;
        appender.addFilter(new ScriptedFilter(QString::number(i), decision, &log));
    }
    appender.handleEvent(eventAt(Level::INFO_INT));
    QCOMPARE(log.join(QString()), asked);
    QCOMPARE(appender.appended.size(), appended ? 1 : 0);
}

void tst_AppenderSkeleton::settingSameLayoutKeepsIt()
{
    ProbeAppender appender(true, true);
    QPointer<SimpleLayout> layout = new SimpleLayout;
    appender.setLayout(layout);
    appender.setLayout(layout);
    QVERIFY(layout);
    QCOMPARE(layout->referenceCount(), 1);
    appender.setLayout(nullptr);
    QVERIFY(!layout);
}

void tst_AppenderSkeleton::reentryFromLayoutIsDropped()
{
    MemoryStream stream;
    LogObjectPtr<WriterAppender> appender(new WriterAppender(new ReenteringLayout));
    appender->setWriter(&stream.stream);
    appender->activate();
    Logger *loop = LogManager::logger(QStringLiteral("loop"));
    loop->addAppender(appender);
    loop->error("outer");
    loop->removeAppender(appender.data());
    QCOMPARE(stream.text(), QByteArray("ERROR - outer\r\n"));
}

void tst_AppenderSkeleton::describesItself_data()
{
    // Of an object of the class it names; %1 stands for the file's path, %2 for the writer.
    QTest::addColumn<QString>("description");
    QTest::newRow("file") << "FileAppender(name:\"A\" appendfile:true bufferedio:false encoding:\"ISO-8859-1\" "
                             "file:\"%1\" filter:0x0 immediateflush:true isactive:false isclosed:false "
                             "layout:\"L\" referencecount:1 threshold:\"NULL\" writer:0x0) ";
    // The size set by its text; a text that is no size leaves it.
    QTest::newRow("size-rolling")
        << "RollingFileAppender(name:\"A\" appendfile:false bufferedio:true encoding:\"\" file:\"%1\" filter:0x0 "
           "immediateflush:true isactive:false isclosed:false layout:\"L\" maxbackupindex:4 "
           "maximumfilesize:3221225472 referencecount:1 threshold:\"NULL\" writer:0x0) ";
    // The pattern set while active waits for the next activation; the last
    // three items have no blanks between them.
    QTest::newRow("date-rolling")
        << "DailyRollingFileAppender(name:\"A\" activedatepattern:\"'.'yyyy-MM-dd-HH\" appendfile:false "
           "bufferedio:true datepattern:\"'.'yyyy-MM\" encoding:\"\" frequency:\"HOURLY_ROLLOVER\" file:\"%1\" "
           "filter:0x0 immediateflush:true isactive:true isclosed:false layout:\"L\" referencecount:1 "
           "rollovertime:QDateTime(2015-06-30 13:00:00.000 CEST Qt::LocalTime)threshold:\"NULL\"writer:%2) ";
    QTest::newRow("debug") << "DebugAppender(name:\"A\" filter:0x0 isactive:true isclosed:false layout:\"\" "
                              "referencecount:1 threshold:\"WARN\") ";
    QTest::newRow("null") << "NullAppender(name:\"A\" isactive:false isclosed:false layout:\"\" threshold:\"NULL\" ) ";
    // The next filter and the count have no blank between them.
    QTest::newRow("level range filter")
        << "LevelRangeFilter(acceptonmatch:false levelmin:\"WARN\" levelmax:\"OFF\" next:QObject(0x0)"
           "referencecount:1 ) ";
    QTest::newRow("simple layout") << "SimpleLayout(name:\"L\" referencecount:1) ";
}

void tst_AppenderSkeleton::describesItself()
{
    QFETCH(QString, description);
    const QString kind = description.section(QLatin1Char('('), 0, 0);
    const TestFolder folder;
    const QString file = folder.filePath(QStringLiteral("app.log"));
    const auto named = [] {
        auto *layout = new SimpleLayout;
        layout->setName(QStringLiteral("L"));
        return layout;
    };
    ManualClock clock;
    clock.set(QStringLiteral("2015-06-30T12:00:00.000"));
    LogObjectPtr<LogObject> object;
    if (kind == QLatin1String("FileAppender")) {
        auto *appender = new FileAppender(named(), file);
        appender->setAppendFile(true);
        appender->setBufferedIo(false);
        appender->setEncoding(TextCodec::codecForName("ISO-8859-1"));
        object = appender;
    } else if (kind == QLatin1String("RollingFileAppender")) {
        auto *appender = new RollingFileAppender(named(), file);
        appender->setMaxBackupIndex(4);
        QVERIFY(appender->setProperty("maxFileSize", QStringLiteral(" 3gb ")));
        QVERIFY(appender->setProperty("maxFileSize", QStringLiteral("10 MiB")));
        object = appender;
    } else if (kind == QLatin1String("DailyRollingFileAppender")) {
        auto *appender = new DailyRollingFileAppender(named(), file, QStringLiteral("'.'yyyy-MM-dd-HH"));
        appender->setClock(&clock);
        appender->activate();
        appender->setDatePattern(QStringLiteral("'.'yyyy-MM"));
        object = appender;
    } else if (kind == QLatin1String("DebugAppender")) {
        auto *appender = new DebugAppender;
        appender->setThreshold(Level::WARN_INT);
        object = appender;
    } else if (kind == QLatin1String("NullAppender")) {
        object = new NullAppender;
    } else if (kind == QLatin1String("SimpleLayout")) {
        object = named();
    } else {
        auto *filter = new LevelRangeFilter;
        filter->setLevelMin(Level::WARN_INT);
        filter->setAcceptOnMatch(false);
        object = filter;
    }
    if (auto *appender = qobject_cast<Appender *>(object.data()))
        appender->setName(QStringLiteral("A"));
    QString writer;
    if (auto *appender = qobject_cast<WriterAppender *>(object.data()))
        QDebug(&writer).nospace() << static_cast<const void *>(appender->writer());
    QString text;
    QDebug stream(&text);
    object->debug(stream);
    QCOMPARE(text, description.replace(QStringLiteral("%1"), file).replace(QStringLiteral("%2"), writer));
}

QObject *newAppenderSkeletonTest()
{
    return new tst_AppenderSkeleton;
}

#include "tst_appenderskeleton.moc"
