#include "common/capturingappender.h"
#include "engine/appenders/listappender.h"
#include "engine/appenders/writerappender.h"
#include "engine/layouts/simplelayout.h"
#include "engine/logger.h"
#include "engine/logmanager.h"

#include <QBuffer>
#include <QPointer>
#include <QTest>

using namespace LogEngine;

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

LoggingEvent eventAt(int level, const QString &message = QStringLiteral("m"))
{
    return LoggingEvent(nullptr, Level(level), message);
}

} // namespace

class tst_AppenderSkeleton : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void thresholdIsInclusive();
    void entryChecksComeBeforeThreshold();
    void everyRefusalIsLoggedOnce();
    void closedAndReactivatedStates();
    void activationNeedsLayout();
    void startsActiveWithoutLayout();
    void filtersAskedInOrder_data();
    void filtersAskedInOrder();
    void nullFilterIsIgnored();
    void settingSameLayoutKeepsIt();
    void reentryFromLayoutIsDropped();
};

void tst_AppenderSkeleton::thresholdIsInclusive()
{
    ProbeAppender appender(true, false);
    appender.setThreshold(Level::WARN_INT);
    Capture errors(QStringLiteral("ProbeAppender"));
    appender.handleEvent(eventAt(Level::WARN_INT, QStringLiteral("at")));
    appender.handleEvent(eventAt(Level::WARN_INT - 1, QStringLiteral("below")));
    QCOMPARE(appender.appended, QStringList { QStringLiteral("at") });
    QVERIFY(errors->messages().isEmpty());
    appender.setThreshold(Level::NULL_INT);
    appender.handleEvent(eventAt(Level::NULL_INT, QStringLiteral("null")));
    QCOMPARE(appender.appended.last(), QStringLiteral("null"));
}

void tst_AppenderSkeleton::entryChecksComeBeforeThreshold()
{
    ProbeAppender appender(false, false);
    appender.setThreshold(Level::ERROR_INT);
    Capture errors(QStringLiteral("ProbeAppender"));
    appender.handleEvent(eventAt(Level::DEBUG_INT));
    QCOMPARE(errors->messages().size(), 1);
    QCOMPARE(errors->messages().at(0).level, int(Level::ERROR_INT));
    QCOMPARE(errors->messages().at(0).message,
        QStringLiteral("Use of non activated appender 'P' (ProbeAppender::APPENDER_NOT_ACTIVATED_ERROR, 7)"));
}

void tst_AppenderSkeleton::everyRefusalIsLoggedOnce()
{
    ProbeAppender appender(false, false);
    Capture errors(QStringLiteral("ProbeAppender"));
    for (int i = 0; i < 3; ++i)
        appender.handleEvent(eventAt(Level::INFO_INT));
    QCOMPARE(errors->messages().size(), 3);
    QVERIFY(appender.appended.isEmpty());
}

void tst_AppenderSkeleton::closedAndReactivatedStates()
{
    LogObjectPtr<ListAppender> list(new ListAppender);
    list->setName(QStringLiteral("L"));
    list->handleEvent(eventAt(Level::INFO_INT));
    list->close();
    QVERIFY(list->isClosed() && !list->isActive());
    Capture errors(QStringLiteral("LogEngine::ListAppender"));
    list->handleEvent(eventAt(Level::INFO_INT));
    list->activate();
    QVERIFY(list->isClosed() && list->isActive());
    list->handleEvent(eventAt(Level::INFO_INT));
    QCOMPARE(errors->texts(),
        (QStringList { QStringLiteral("Use of non activated appender 'L' "
                                      "(LogEngine::ListAppender::APPENDER_NOT_ACTIVATED_ERROR, 7)"),
            QStringLiteral("Use of closed appender 'L' (LogEngine::ListAppender::APPENDER_CLOSED_ERROR, 4)") }));
    QCOMPARE(list->list().size(), 1);
}

void tst_AppenderSkeleton::activationNeedsLayout()
{
    ProbeAppender appender(false, true);
    Capture errors(QStringLiteral("ProbeAppender"));
    appender.activate();
    QVERIFY(!appender.isActive());
    appender.handleEvent(eventAt(Level::INFO_INT));
    QCOMPARE(errors->texts(),
        (QStringList { QStringLiteral("Activation of appender 'P' that requires layout and has no layout set "
                                      "(ProbeAppender::APPENDER_ACTIVATE_MISSING_LAYOUT_ERROR, 1)"),
            QStringLiteral("Use of non activated appender 'P' (ProbeAppender::APPENDER_NOT_ACTIVATED_ERROR, 7)") }));
    appender.setLayout(new SimpleLayout);
    appender.activate();
    QVERIFY(appender.isActive());
}

void tst_AppenderSkeleton::startsActiveWithoutLayout()
{
    ProbeAppender appender(true, true);
    Capture errors(QStringLiteral("ProbeAppender"));
    appender.handleEvent(eventAt(Level::INFO_INT));
    QCOMPARE(errors->texts(),
        QStringList { QStringLiteral("Use of appender 'P' that requires layout and has no layout set "
                                     "(ProbeAppender::APPENDER_USE_MISSING_LAYOUT_ERROR, 12)") });
}

void tst_AppenderSkeleton::filtersAskedInOrder_data()
{
    QTest::addColumn<QString>("decisions"); // one letter per filter: A, D or N
    QTest::addColumn<QString>("asked");
    QTest::addColumn<bool>("appended");
    QTest::newRow("accept-skips-rest") << "AD"
                                       << "0" << true;
    QTest::newRow("neutral-then-deny") << "ND"
                                       << "01" << false;
    QTest::newRow("all-neutral") << "NN"
                                 << "01" << true;
    QTest::newRow("three-in-order") << "NNA"
                                    << "012" << true;
    QTest::newRow("deny-first") << "DA"
                                << "0" << false;
    QTest::newRow("no-filters") << ""
                                << "" << true;
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
    appender.clearFilters();
    QVERIFY(!appender.filter());
}

void tst_AppenderSkeleton::nullFilterIsIgnored()
{
    ProbeAppender appender(true, false);
    QStringList log;
    auto *only = new ScriptedFilter(QStringLiteral("x"), Filter::NEUTRAL, &log);
    appender.addFilter(only);
    Capture warnings(QStringLiteral("ProbeAppender"));
    appender.addFilter(nullptr);
    QCOMPARE(warnings->texts(), QStringList { QStringLiteral("Adding null Filter to Appender 'P'") });
    QCOMPARE(warnings->messages().at(0).level, int(Level::WARN_INT));
    QCOMPARE(appender.filter(), only);
    QVERIFY(!only->next());
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
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QTextStream stream(&buffer);
    LogObjectPtr<WriterAppender> appender(new WriterAppender(new ReenteringLayout));
    appender->setWriter(&stream);
    appender->activate();
    Logger *loop = LogManager::logger(QStringLiteral("loop"));
    loop->addAppender(appender);
    loop->error("outer");
    loop->removeAppender(appender.data());
    QCOMPARE(buffer.data(), QByteArray("ERROR - outer\r\n"));
}

QObject *newAppenderSkeletonTest()
{
    return new tst_AppenderSkeleton;
}

#include "tst_appenderskeleton.moc"
