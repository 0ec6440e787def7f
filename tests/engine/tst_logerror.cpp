#include "engine/logerror.h"

#include <QBuffer>
#include <QDataStream>
#include <QTest>

#include "common/streaming.h"

using LogEngine::LogError;

class tst_LogError : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void constructedForms_data();
    void constructedForms();
    void argumentsFillLowestPlaceholderFirst();
    void causesAppearInline();
    void streamRoundTripKeepsEverything();
    void streamLayoutIsVersionedByteArray();
    void readerSurvivesDeepNesting();
    void readerSurvivesAbsurdCounts();
    void readerRefusesArgumentsSizedByTheirClaim_data();
    void readerRefusesArgumentsSizedByTheirClaim();
    void readerRefusesATimeInAZoneUnknownHere();
    void streamsThroughVariant();
};

void tst_LogError::constructedForms_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("narrowSymbol"); // as the constructor taking C strings keeps it
    QTest::addColumn<QString>("text");
    // One final full stop is trimmed.
    QTest::newRow("one-stop") << "Found it." << 0 << ""
                              << ""
                              << ""
                              << "Found it";
    QTest::newRow("two-stops") << "Found it.." << 0 << ""
                               << ""
                               << ""
                               << "Found it.";
    QTest::newRow("only-a-stop") << "." << 0 << ""
                                 << ""
                                 << ""
                                 << "";
    // A symbol that merely repeats the code is dropped by the narrow constructor.
    QTest::newRow("symbol-is-the-code") << "M" << 5 << "5"
                                        << ""
                                        << ""
                                        << "M (5, 5)";
    QTest::newRow("zero-symbol-zero-code") << "M" << 0 << "0"
                                           << ""
                                           << ""
                                           << "M (0)";
    QTest::newRow("other-number") << "M" << 5 << "6"
                                  << ""
                                  << "6"
                                  << "M (6, 5)";
    // The text form: symbol and code, context, or both.
    QTest::newRow("symbol-and-code") << "M" << 7 << "X"
                                     << ""
                                     << "X"
                                     << "M (X, 7)";
    QTest::newRow("context-only") << "M" << 0 << ""
                                  << "C"
                                  << ""
                                  << "M (C)";
    QTest::newRow("code-only") << "M" << 7 << ""
                               << ""
                               << ""
                               << "M (7)";
    QTest::newRow("bare") << "M" << 0 << ""
                          << ""
                          << ""
                          << "M";
    QTest::newRow("all") << "M" << 4 << "APPENDER_CLOSED_ERROR"
                         << "LogEngine::ConsoleAppender"
                         << "APPENDER_CLOSED_ERROR"
                         << "M (LogEngine::ConsoleAppender::APPENDER_CLOSED_ERROR, 4)";
}

void tst_LogError::constructedForms()
{
    QFETCH(QString, message);
    QFETCH(int, code);
    QFETCH(QString, symbol);
    QFETCH(QString, context);
    QFETCH(QString, narrowSymbol);
    QFETCH(QString, text);
    const LogError wide(message, code, symbol, context);
    const LogError narrow(
        message.toLatin1().constData(), code, symbol.toLatin1().constData(), context.toLatin1().constData());
    QCOMPARE(wide.toString(), text);
    QCOMPARE(wide.symbol(), symbol); // taken as it is
    QCOMPARE(narrow.symbol(), narrowSymbol);
    QCOMPARE(narrow.message(), wide.message());
    QCOMPARE(LogError(message.toLatin1().constData()).message(), wide.message());
}

void tst_LogError::argumentsFillLowestPlaceholderFirst()
{
    LogError error("Use of closed appender '%1' in %2, %3", 4, "APPENDER_CLOSED_ERROR", "LogEngine::ConsoleAppender");
    error << QStringLiteral("A1") << 42;
    QCOMPARE(error.messageWithArgs(), QStringLiteral("Use of closed appender 'A1' in 42, %3"));
    error << 1.5 << QStringLiteral("surplus");
    QCOMPARE(error.messageWithArgs(), QStringLiteral("Use of closed appender 'A1' in 42, 1.5"));
}

void tst_LogError::causesAppearInline()
{
    LogError outer(QStringLiteral("Outer"), 21, QStringLiteral("S"), QStringLiteral("C"));
    LogError first(QStringLiteral("First"), 0, QString(), QString());
    LogError nested(QStringLiteral("Nested"), 2, QString(), QString());
    first.addCausingError(nested);
    outer.addCausingError(first);
    outer.addCausingError(LogError(QStringLiteral("Second"), 3, QString(), QString()));
    QCOMPARE(outer.toString(), QStringLiteral("Outer (C::S, 21): First: Nested (2), Second (3)"));
}

static LogError sampleError()
{
    LogError error("Opening '%1' failed after %2 tries at %3.", LogError::APPENDER_OPENING_FILE_ERROR,
        "APPENDER_OPENING_FILE_ERROR", "LogEngine::FileAppender");
    error << QStringLiteral("a.log") << 3 << 2.5 << QByteArray("raw") << true;
    // Containers are read element by element, nested ones too.
    error << QStringList { QStringLiteral("x"), QStringLiteral("y") }
          << QVariantList { 1, QStringList { QStringLiteral("z") } }
          << QVariantMap { { QStringLiteral("k"), QVariantList { 2 } } }
          << QVariantHash { { QStringLiteral("h"), QStringLiteral("v") } } << QByteArrayList { QByteArray("b") };
    LogError cause(QStringLiteral("Permission denied"), 13, QString(), QString());
    cause.addCausingError(LogError(QStringLiteral("deeper"), 1, QStringLiteral("X"), QStringLiteral("Y")));
    error.addCausingError(cause);
    return error;
}

void tst_LogError::streamRoundTripKeepsEverything()
{
    const LogError original = sampleError();
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << original << original;
    }
    QDataStream in(bytes);
    LogError first;
    LogError second;
    in >> first >> second;
    QCOMPARE(in.status(), QDataStream::Ok);
    QVERIFY(first == original);
    QVERIFY(second == original);
    QCOMPARE(first.toString(), original.toString());
}

static QByteArray errorPayload(
    quint16 version, qint32 code, quint32 argCount, quint32 causeCount, const QByteArray &causes = QByteArray())
{
    QByteArray payload;
    QDataStream inner(&payload, QIODevice::WriteOnly);
    inner << version << code << QStringLiteral("C") << QStringLiteral("M") << QStringLiteral("S") << argCount;
    inner << causeCount;
    payload += causes;
    const QByteArray outer = streamed(payload);
    return outer;
}

void tst_LogError::streamLayoutIsVersionedByteArray()
{
    const LogError error(QStringLiteral("m"), 9, QStringLiteral("S"), QStringLiteral("C"));
    const QByteArray bytes = streamed(error);
    QDataStream in(bytes);
    QByteArray payload;
    in >> payload;
    QVERIFY(in.atEnd());
    QDataStream inner(payload);
    quint16 version = 99;
    qint32 code = 0;
    QString context, message, symbol;
    quint32 args = 99, causes = 99;
    inner >> version >> code >> context >> message >> symbol >> args >> causes;
    QCOMPARE(version, quint16(0));
    QCOMPARE(code, 9);
    QCOMPARE(context, QStringLiteral("C"));
    QCOMPARE(message, QStringLiteral("m"));
    QCOMPARE(symbol, QStringLiteral("S"));
    QCOMPARE(args, 0u);
    QCOMPARE(causes, 0u);
    QVERIFY(inner.atEnd());
    // The reader reads any version the same way.
    LogError read;
    QCOMPARE(readFrom(errorPayload(5, 17, 0, 0), read), QDataStream::Ok);
    QCOMPARE(read.toString(), QStringLiteral("M (C::S, 17)"));
}

void tst_LogError::readerSurvivesDeepNesting()
{
    // A chain of two thousand causes, each inside the one before.
    QByteArray chain = errorPayload(0, 1, 0, 0);
    for (int i = 0; i < 2000; ++i)
        chain = errorPayload(0, 1, 0, 1, chain);
    LogError error;
    QDataStream in(chain);
    in >> error;
    QCOMPARE(in.status(), QDataStream::ReadCorruptData);

    // Real writers nest a few levels: those still read.
    QByteArray shallow = errorPayload(0, 1, 0, 0);
    for (int i = 0; i < 10; ++i)
        shallow = errorPayload(0, 1, 0, 1, shallow);
    QDataStream ok(shallow);
    ok >> error;
    QCOMPARE(ok.status(), QDataStream::Ok);
    int depth = 0;
    for (LogError e = error; !e.causingErrors().isEmpty(); e = e.causingErrors().first())
        ++depth;
    QCOMPARE(depth, 10);
}

void tst_LogError::readerSurvivesAbsurdCounts()
{
    LogError error;
    QDataStream in(errorPayload(0, 3, 0xffffffffu, 0xffffffffu));
    in >> error;
    QVERIFY(error.args().isEmpty());
    QVERIFY(error.causingErrors().isEmpty());
    QCOMPARE(error.code(), 3);
}

void tst_LogError::readerRefusesArgumentsSizedByTheirClaim_data()
{
    QTest::addColumn<quint32>("type");
    // Qt reserves room for these by the count in the data before reading any
    // element: a count near 2^31 overflows the size it asks for, and the
    // failed allocation ends the process. A count the bytes left cannot hold
    // is corrupt data.
    QTest::newRow("string list") << quint32(QMetaType::QStringList);
    QTest::newRow("variant list") << quint32(QMetaType::QVariantList);
    QTest::newRow("byte array list") << quint32(QMetaType::QByteArrayList);
    QTest::newRow("variant map") << quint32(QMetaType::QVariantMap);
    QTest::newRow("variant hash") << quint32(QMetaType::QVariantHash);
}

void tst_LogError::readerRefusesArgumentsSizedByTheirClaim()
{
    QFETCH(quint32, type);
    QByteArray payload;
    {
        QDataStream inner(&payload, QIODevice::WriteOnly);
        inner << quint16(0) << qint32(8) << QStringLiteral("C") << QStringLiteral("M %1 %2") << QStringLiteral("S");
        inner << quint32(2) << QVariant(QStringLiteral("first"));
        inner << type << quint8(0) << quint32(0x7ffffff0u) << quint32(0);
    }
    LogError error;
    QCOMPARE(readFrom(streamed(payload), error), QDataStream::ReadCorruptData);
    QCOMPARE(error.args(), QVariantList { QStringLiteral("first") });
}

// A time in a zone this system does not know reads as a time that Qt
// cannot write again: a record forwarded after reading it ended the process.
void tst_LogError::readerRefusesATimeInAZoneUnknownHere()
{
    QByteArray payload;
    {
        QDataStream inner(&payload, QIODevice::WriteOnly);
        inner << quint16(0) << qint32(8) << QStringLiteral("C") << QStringLiteral("M %1") << QStringLiteral("S");
        inner << quint32(1) << quint32(QMetaType::QDateTime) << quint8(0) << QDate(2026, 1, 15) << QTime(10, 0)
              << qint8(Qt::TimeZone) << QStringLiteral("Nowhere/Nothing") << quint32(0);
    }
    LogError error;
    QCOMPARE(readFrom(streamed(payload), error), QDataStream::ReadCorruptData);
    QVERIFY(error.args().isEmpty());
    streamed(error);
}

void tst_LogError::streamsThroughVariant()
{
    const QVariant original = QVariant::fromValue(sampleError());
    const QByteArray bytes = streamed(original);
    QVariant read;
    readFrom(bytes, read);
    QCOMPARE(QMetaType::typeName(read.userType()), "LogEngine::LogError");
    QVERIFY(read.value<LogError>() == sampleError());
}

QObject *newLogErrorTest()
{
    return new tst_LogError;
}

#include "tst_logerror.moc"
