#include "common/capturingappender.h"
#include "engine/logger.h"
#include "engine/loggerrepository.h"
#include "engine/loggingevent.h"
#include "engine/logmanager.h"
#include "engine/mdc.h"
#include "engine/ndc.h"

#include <QDataStream>
#include <QDateTime>
#include <QSet>
#include <QTest>

#include "common/streaming.h"
#include <QThread>

#include <thread>

using namespace LogEngine;

class tst_LoggingEvent : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void capturesRequestAndTime();
    void threadsNumberAndNameTheirEvents();
    void roundTripRecreatesLogger();
    void readerBoundsLoggerNames();
};

// An event takes its time when it is made, and the thread's contexts, of
// which there are none here.
void tst_LoggingEvent::capturesRequestAndTime()
{
    Logger *logger = LogManager::logger(QStringLiteral("event::capture"));
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    const LoggingEvent event(logger, Level::WARN_INT, QStringLiteral("text"));
    const qint64 after = QDateTime::currentMSecsSinceEpoch();
    QCOMPARE(event.loggerName(), QStringLiteral("event::capture"));
    QVERIFY(event.timeStamp() >= before && event.timeStamp() <= after);
    QVERIFY(NDC::peek().isEmpty() && MDC::context().isEmpty());
    QCOMPARE(event.ndc(), QString());
    QVERIFY(event.properties().isEmpty());
}

// Two threads make events at once, one of them named: each thread's numbers
// rise, no number is shared, and each event names its thread by its
// QThread's object name. Standard threads, joined, so that the thread
// sanitizer sees the hand-over of the results: Qt's own QThread::wait
// synchronises through futexes it cannot see. Qt adopts each of them under
// a QThread of its own, which it also destroys on that thread at exit.
void tst_LoggingEvent::threadsNumberAndNameTheirEvents()
{
    constexpr int perThread = 20000;
    QVector<qint64> numbers[2];
    QString names[2] = { QStringLiteral("unset"), QStringLiteral("unset") };
    std::thread threads[2];
    for (int t = 0; t < 2; ++t) {
        threads[t] = std::thread([&numbers, &names, t] {
            if (t == 1)
                QThread::currentThread()->setObjectName(QStringLiteral("worker-1"));
            names[t] = LoggingEvent().threadName();
            for (int i = 0; i < perThread; ++i)
                numbers[t].append(LoggingEvent().sequenceNumber());
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    QCOMPARE(names[0], QString());
    QCOMPARE(names[1], QStringLiteral("worker-1"));
    QSet<qint64> all;
    for (const QVector<qint64> &list : numbers) {
        for (int i = 1; i < list.size(); ++i)
            QVERIFY(list.at(i) > list.at(i - 1));
        for (qint64 n : list)
            all.insert(n);
    }
    QCOMPARE(all.size(), 2 * perThread);
}

// The stream form is a byte array holding a version, then the fields in
// Qt's default forms, the location last; the writer writes exactly that,
// the reader reads any version the same way, and recreates the logger.
void tst_LoggingEvent::roundTripRecreatesLogger()
{
    QVERIFY(!LogManager::exists("stream::made::here"));
    QHash<QString, QString> properties;
    properties.insert(QStringLiteral("user"), QStringLiteral("alice"));
    const auto form = [&](quint16 version, bool located) {
        QByteArray payload;
        QDataStream fields(&payload, QIODevice::WriteOnly);
        fields << version << quint8(150) << QStringLiteral("stream::made::here") << QStringLiteral("hello")
               << QStringLiteral("ctx") << properties << qint64(77) << QStringLiteral("t1") << qint64(1500);
        if (located)
            fields << QByteArray("src/client.cpp") << qint32(42) << QByteArray("void Client::run()");
        return streamed(payload);
    };
    const QByteArray bytes = form(0, false);

    LoggingEvent event;
    readFrom(bytes, event);
    QVERIFY(LogManager::exists("stream::made::here"));
    QCOMPARE(event.logger(), LogManager::logger(QStringLiteral("stream::made::here")));
    QCOMPARE(event.level().toInt(), 150);
    QCOMPARE(event.message(), QStringLiteral("hello"));
    QCOMPARE(event.ndc(), QStringLiteral("ctx"));
    QCOMPARE(event.properties(), properties);
    QCOMPARE(event.sequenceNumber(), qint64(77));
    QCOMPARE(event.threadName(), QStringLiteral("t1"));
    QCOMPARE(event.timeStamp(), qint64(1500));
    QVERIFY(!event.hasLocation());
    QCOMPARE(streamed(event), bytes);
    readFrom(form(5, false), event);
    QCOMPARE(streamed(event), bytes);

    readFrom(form(1, true), event);
    QVERIFY(event.hasLocation());
    QCOMPARE(event.location().filePath(), QStringLiteral("src/client.cpp"));
    QCOMPARE(event.location().line(), 42);
    QCOMPARE(event.location().function(), QStringLiteral("void Client::run()"));
    QCOMPARE(streamed(event), form(1, true));

    // An event without a logger reads as one without a logger.
    const LoggingEvent loggerless;
    readFrom(streamed(loggerless), event);
    QVERIFY(!event.logger());
    QCOMPARE(event.loggerName(), QString());
    QCOMPARE(event.sequenceNumber(), loggerless.sequenceNumber());
}

// Each "::" in a name read off a stream creates one logger for good, holding
// its own copy of its prefix: a crafted name must not cost unbounded memory.
void tst_LoggingEvent::readerBoundsLoggerNames()
{
    const auto read = [](const QString &name) {
        QByteArray payload;
        QDataStream fields(&payload, QIODevice::WriteOnly);
        fields << quint16(0) << quint8(128) << name << QStringLiteral("m") << QString() << QHash<QString, QString>()
               << qint64(1) << QString() << qint64(2);
        LoggingEvent event;
        readFrom(streamed(payload), event);
        return event;
    };
    QString name = QStringLiteral("bounded");
    while (name.size() + 3 <= LoggerRepository::maxNameLength)
        name += QStringLiteral("::s");
    name += QString(LoggerRepository::maxNameLength - name.size(), QLatin1Char('x'));
    Capture errors(QStringLiteral("LogEngine::LoggingEvent"));
    QCOMPARE(read(name).loggerName(), name);
    QCOMPARE(errors->texts(), QStringList());

    name += QLatin1Char('x');
    const LoggingEvent refused = read(name);
    QCOMPARE(refused.message(), QStringLiteral("m"));
    QVERIFY(!refused.logger());
    QVERIFY(!LogManager::exists(qPrintable(name)));
    QCOMPARE(errors->texts(),
        QStringList { QStringLiteral("Refused a logger name of %1 characters read from a data stream; "
                                     "the limit is %2 (LogEngine::LoggingEvent)")
                          .arg(name.size())
                          .arg(LoggerRepository::maxNameLength) });
}

QObject *newLoggingEventTest()
{
    return new tst_LoggingEvent;
}

#include "tst_loggingevent.moc"
