#include "engine/logerror.h"

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
    void argumentsAndCausesInTheText();
    void streamRoundTripKeepsEverything();
    void streamLayoutIsVersionedByteArray();
    void readerSurvivesHostileNestingAndCounts();
    void readerRefusesHostileArguments_data();
    void readerRefusesHostileArguments();
};

void tst_LogError::constructedForms_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QString>("context");
    QTest::addColumn<bool>("narrowKeepsSymbol"); // as the constructor taking C strings does
    QTest::addColumn<QString>("text");
    const QString none;
    // One final full stop is trimmed.
    QTest::newRow("one-stop") << "Found it." << 0 << none << none << true << "Found it";
    QTest::newRow("two-stops") << "Found it.." << 0 << none << none << true << "Found it.";
    QTest::newRow("only-a-stop") << "." << 0 << none << none << true << "";
    // A symbol that merely repeats the code is dropped by the narrow constructor.
    QTest::newRow("symbol-is-the-code") << "M" << 5 << "5" << none << false << "M (5, 5)";
    QTest::newRow("zero-symbol-zero-code") << "M" << 0 << "0" << none << false << "M (0)";
    QTest::newRow("other-number") << "M" << 5 << "6" << none << true << "M (6, 5)";
    // The text form: symbol and code, context, or both.
    QTest::newRow("symbol-and-code") << "M" << 7 << "X" << none << true << "M (X, 7)";
    QTest::newRow("context-only") << "M" << 0 << none << "C" << true << "M (C)";
    QTest::newRow("code-only") << "M" << 7 << none << none << true << "M (7)";
    QTest::newRow("bare") << "M" << 0 << none << none << true << "M";
}

void tst_LogError::constructedForms()
{
    QFETCH(QString, message);
    QFETCH(int, code);
    QFETCH(QString, symbol);
    QFETCH(QString, context);
    QFETCH(bool, narrowKeepsSymbol);
    QFETCH(QString, text);
    const LogError wide(message, code, symbol, context);
    const LogError narrow(
        message.toLatin1().constData(), code, symbol.toLatin1().constData(), context.toLatin1().constData());
    QCOMPARE(wide.toString(), text);
    QCOMPARE(wide.symbol(), symbol); // taken as it is
    QCOMPARE(narrow.symbol(), narrowKeepsSymbol ? symbol : QString());
    QCOMPARE(narrow.message(), wide.message());
    QCOMPARE(LogError(message.toLatin1().constData()).message(), wide.message());
}

// Arguments fill the lowest placeholder left, surplus ones are dropped;
// causes follow inline, nested ones after a colon.
void tst_LogError::argumentsAndCausesInTheText()
{
    LogError error("Use of closed appender '%1' in %2, %3", 4, "APPENDER_CLOSED_ERROR", "LogEngine::ConsoleAppender");
    error << QStringLiteral("A1") << 42;
    QCOMPARE(error.messageWithArgs(), QStringLiteral("Use of closed appender 'A1' in 42, %3"));
    error << 1.5 << QStringLiteral("surplus");
    QCOMPARE(error.messageWithArgs(), QStringLiteral("Use of closed appender 'A1' in 42, 1.5"));

    LogError outer(QStringLiteral("Outer"), 21, QStringLiteral("S"), QStringLiteral("C"));
    LogError first(QStringLiteral("First"), 0, QString(), QString());
    first.addCausingError(LogError(QStringLiteral("Nested"), 2, QString(), QString()));
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

// Read back whole, alone and inside a variant, each read taking exactly
// its own bytes.
void tst_LogError::streamRoundTripKeepsEverything()
{
    const LogError original = sampleError();
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << original << QVariant::fromValue(original);
    }
    QDataStream in(bytes);
    LogError read;
    QVariant variant;
    in >> read >> variant;
    QCOMPARE(in.status(), QDataStream::Ok);
    QVERIFY(read == original);
    QCOMPARE(read.toString(), original.toString());
    QCOMPARE(QMetaType::typeName(variant.userType()), "LogEngine::LogError");
    QVERIFY(variant.value<LogError>() == original);
}

// The stream form of an error, with the stream forms of its arguments and
// of its causes as given.
static QByteArray errorPayload(quint16 version, qint32 code, quint32 argCount, quint32 causeCount,
    const QByteArray &causes = QByteArray(), const QByteArray &arguments = QByteArray())
{
    QByteArray payload;
    QDataStream inner(&payload, QIODevice::WriteOnly);
    inner << version << code << QStringLiteral("C") << QStringLiteral("M") << QStringLiteral("S") << argCount;
    inner.writeRawData(arguments.constData(), int(arguments.size()));
    inner << causeCount;
    inner.writeRawData(causes.constData(), int(causes.size()));
    return streamed(payload);
}

// A byte array holding version 0 and the fields; any version reads the same.
void tst_LogError::streamLayoutIsVersionedByteArray()
{
    const LogError error(QStringLiteral("M"), 17, QStringLiteral("S"), QStringLiteral("C"));
    QCOMPARE(streamed(error), errorPayload(0, 17, 0, 0));
    LogError read;
    QCOMPARE(readFrom(errorPayload(5, 17, 0, 0), read), QDataStream::Ok);
    QCOMPARE(read.toString(), QStringLiteral("M (C::S, 17)"));
}

// Counts far beyond the data, and a chain of two thousand causes, each
// inside the one before, end the read; the few levels real writers nest
// still read.
void tst_LogError::readerSurvivesHostileNestingAndCounts()
{
    LogError error;
    QCOMPARE(readFrom(errorPayload(0, 3, 0xffffffffu, 0xffffffffu), error), QDataStream::Ok);
    QVERIFY(error.args().isEmpty() && error.causingErrors().isEmpty());
    QCOMPARE(error.code(), 3);

    QByteArray chain = errorPayload(0, 1, 0, 0);
    for (int i = 0; i < 2000; ++i)
        chain = errorPayload(0, 1, 0, 1, chain);
    QCOMPARE(readFrom(chain, error), QDataStream::ReadCorruptData);

    QByteArray shallow = errorPayload(0, 1, 0, 0);
    for (int i = 0; i < 10; ++i)
        shallow = errorPayload(0, 1, 0, 1, shallow);
    QCOMPARE(readFrom(shallow, error), QDataStream::Ok);
    int depth = 0;
    for (LogError e = error; !e.causingErrors().isEmpty(); e = e.causingErrors().first())
        ++depth;
    QCOMPARE(depth, 10);
}

void tst_LogError::readerRefusesHostileArguments_data()
{
    QTest::addColumn<QByteArray>("argument"); // a variant's stream form
    const auto container = [](QMetaType::Type type) {
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << quint32(type) << quint8(0) << quint32(0x7ffffff0u);
        return bytes;
    };
    // Qt reserves room for these by the count in the data before reading any
    // element: a count near 2^31 overflows the size it asks for, and the
    // failed allocation ends the process. A count the bytes left cannot hold
    // is corrupt data.
    QTest::newRow("string list") << container(QMetaType::QStringList);
    QTest::newRow("variant list") << container(QMetaType::QVariantList);
    QTest::newRow("byte array list") << container(QMetaType::QByteArrayList);
    QTest::newRow("variant map") << container(QMetaType::QVariantMap);
    QTest::newRow("variant hash") << container(QMetaType::QVariantHash);
    // A time in a zone this system does not know reads as a time that Qt
    // cannot write again: a record forwarded after reading it ended the process.
    QByteArray time;
    QDataStream out(&time, QIODevice::WriteOnly);
    out << quint32(QMetaType::QDateTime) << quint8(0) << QDate(2026, 1, 15) << QTime(10, 0) << qint8(Qt::TimeZone)
        << QStringLiteral("Nowhere/Nothing");
    QTest::newRow("time in a zone unknown here") << time;
}

void tst_LogError::readerRefusesHostileArguments()
{
    QFETCH(QByteArray, argument);
    const QByteArray arguments = streamed(QVariant(QStringLiteral("first"))) + argument;
    LogError error;
    QCOMPARE(readFrom(errorPayload(0, 8, 2, 0, QByteArray(), arguments), error), QDataStream::ReadCorruptData);
    QCOMPARE(error.args(), QVariantList { QStringLiteral("first") });
    streamed(error);
}

QObject *newLogErrorTest()
{
    return new tst_LogError;
}

#include "tst_logerror.moc"
