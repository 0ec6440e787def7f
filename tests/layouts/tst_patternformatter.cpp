#include "common/capturingappender.h"
#include "engine/detail/initialisationhelper.h"
#include "engine/layouts/patternformatter.h"
#include "engine/layouts/patternlayout.h"
#include "eventbuilder.h"

#include <QTest>

using namespace LogEngine;

class tst_PatternFormatter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formats_data();
    void formats();
    void formatsLocation_data();
    void formatsLocation();
    void reportsProblems_data();
    void reportsProblems();
    void layoutRebuildsOnEveryPatternChange();
};

void tst_PatternFormatter::formats_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("logger");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("text");
    const int info = Level::INFO_INT;
    const QString none;
    QTest::newRow("empty") << "" << none << info << "";
    // padding and truncation
    QTest::newRow("right-aligned") << "%5p|" << none << info << " INFO|";
    QTest::newRow("cut") << "%.3p" << none << int(Level::ERROR_INT) << "ERR";
    QTest::newRow("cut-text-not-padded") << "%10.2c "
                                         << "a::b" << info << "a: ";
    QTest::newRow("short-text-padded") << "%10.2c "
                                       << "ab" << info << "        ab ";
    QTest::newRow("huge-minimum-saturates") << "%-99999999999.3m" << none << info << "tex";
    // logger precision
    QTest::newRow("precision-2") << "%c{2}"
                                 << "a::b::c" << info << "b::c";
    QTest::newRow("precision-1") << "%c{1}"
                                 << "LogEngine::PatternLayout" << info << "PatternLayout";
    QTest::newRow("precision-beyond") << "%c{5}"
                                      << "a::b" << info << "a::b";
    QTest::newRow("dotted-stays-whole") << "%c{1}"
                                        << "app.net.Client" << info << "app.net.Client";
    QTest::newRow("precision-0") << "%c{0}"
                                 << "a::b" << info << "a::b";
    QTest::newRow("no-logger") << "[%c]" << none << info << "[]";
    // dates
    QTest::newRow("d-then-char") << "%d " << none << info << "2015-03-07 09:05:02.045 ";
    QTest::newRow("d-empty-option") << "%d{}" << none << info << "2015-03-07 09:05:02.045";
    // literal text and escapes
    QTest::newRow("percent") << "100%%" << none << info << "100%";
    QTest::newRow("location-absent") << "%F%L%M%C%l" << none << info << "";
    QTest::newRow("ends-in-percent") << "a%" << none << info << "a%";
    QTest::newRow("ends-in-hyphen") << "a%-" << none << info << "a-";
    QTest::newRow("ends-in-width") << "a%-5" << none << info << "a%-5";
    QTest::newRow("unclosed-option") << "%d{abc" << none << info << "%d{abc";
    // contexts and thread
    QTest::newRow("mdc") << "%X{user}/%X{none}" << none << info << "alice/";
    QTest::newRow("ndc-thread") << "%x %t" << none << info << "outer main";
    QTest::newRow("relative") << "%r" << none << info << "RELATIVE";
}

void tst_PatternFormatter::formats()
{
    QFETCH(QString, pattern);
    QFETCH(QString, logger);
    QFETCH(int, level);
    QFETCH(QString, text);
    EventBuilder builder;
    builder.logger = logger;
    builder.level = level;
    builder.ndc = QStringLiteral("outer");
    builder.properties.insert(QStringLiteral("user"), QStringLiteral("alice"));
    builder.timeStamp = QDateTime(QDate(2015, 3, 7), QTime(9, 5, 2, 45)).toMSecsSinceEpoch();
    if (text == QLatin1String("RELATIVE")) {
        builder.timeStamp = InitialisationHelper::startTime() + 4321;
        text = QStringLiteral("4321");
    }
    const PatternFormatter formatter(pattern);
    QCOMPARE(formatter.format(builder.build()), text);
}

void tst_PatternFormatter::formatsLocation_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QByteArray>("function");
    QTest::addColumn<QString>("text");
    const QByteArray method = "virtual QString app::net::Client::connect(const QString &, int) const";
    // each converter, with padding and cutting
    QTest::newRow("file") << "%F" << method << "client.cpp";
    QTest::newRow("line-padded") << "[%5L]" << method << "[   42]";
    QTest::newRow("method") << "%M" << method << "connect";
    QTest::newRow("location") << "%l" << method << "app::net::Client::connect(client.cpp:42)";
    QTest::newRow("class-at-end") << "%C" << method << "app::net::Client";
    QTest::newRow("class-precision") << "%C{1}." << method << "Client.";
    QTest::newRow("class-cut") << "%-.3C|" << method << "app|";
    // what compilers make of other functions
    QTest::newRow("free-function") << "%C|%M" << QByteArray("int main(int, char**)") << "|main";
    QTest::newRow("plain-name") << "%C|%M" << QByteArray("connect") << "|connect";
    QTest::newRow("template-gcc") << "%l" << QByteArray("void Map<K, V>::insert(const K&) [with K = int; V = a::b]")
                                  << "Map<K, V>::insert(client.cpp:42)";
    QTest::newRow("template-argument-qualified") << "%C|%M" << QByteArray("void Map<a::b>::at()") << "Map<a::b>|at";
    QTest::newRow("anonymous-namespace") << "%C " << QByteArray("void (anonymous namespace)::Worker::run()")
                                         << "{anonymous}::Worker ";
    QTest::newRow("lambda-gcc") << "%M" << QByteArray("main()::<lambda()>") << "main";
    QTest::newRow("lambda-clang") << "%M" << QByteArray("auto Client::run()::(anonymous class)::operator()() const")
                                  << "run";
    QTest::newRow("reference-result") << "%C " << QByteArray("QString &Client::name()") << "Client ";
    QTest::newRow("call-operator") << "%M" << QByteArray("void Functor::operator()(int)") << "operator()";
    // an event without a location prints none of it, padding included
    QTest::newRow("no-location") << "<%-5F%5L%M%C{2}%l>" << QByteArray() << "<>";
    QTest::newRow("no-location-class-at-end") << "x%C" << QByteArray() << "x";
}

void tst_PatternFormatter::formatsLocation()
{
    QFETCH(QString, pattern);
    QFETCH(QByteArray, function);
    QFETCH(QString, text);
    EventBuilder builder;
    if (!function.isEmpty()) {
        builder.file = "/src/app/net/client.cpp";
        builder.line = 42;
        builder.function = function;
    }
    const PatternFormatter formatter(pattern);
    QCOMPARE(formatter.format(builder.build()), text);
}

// Each problem is reported once, at parse time. A mistyped width must not
// take the application down: a field is padded to at most the bound.
void tst_PatternFormatter::reportsProblems_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("message");
    const int warn = Level::WARN_INT;
    const int error = Level::ERROR_INT;
    QTest::newRow("invalid-char") << "%q!"
                                  << "%q!" << warn << "Invalid conversion character 'q' at 1 in pattern '%q!'";
    QTest::newRow("end-of-pattern") << "x%d"
                                    << "x%d" << warn << "Unexptected end of pattern 'x%d'";
    QTest::newRow("digit-expected") << "%.x5m"
                                    << "text" << error
                                    << "Found character 'x' where digit was expected "
                                       "(LogEngine::PatternFormatter::LAYOUT_EXPECTED_DIGIT_ERROR, 16)";
    QTest::newRow("not-integer") << "%c{x}" << QString() << error
                                 << "Option 'x' cannot be converted into an integer "
                                    "(LogEngine::PatterFormatter::LAYOUT_OPTION_IS_NOT_INTEGER_ERROR, 17)";
    QTest::newRow("negative") << "%c{-1}" << QString() << error
                              << "Option -1 isn't a positive integer "
                                 "(LogEngine::PatterFormatter::LAYOUT_INTEGER_IS_NOT_POSITIVE_ERROR, 18)";
    const int bound = FormattingInfo::maxPadding;
    const QString padded = QStringLiteral("x") + QString(bound - 4, QLatin1Char(' ')) + QStringLiteral("text");
    QTest::newRow("at-bound") << QStringLiteral("x%%1m").arg(bound) << padded << 0 << QString();
    QTest::newRow("one-over-bound") << QStringLiteral("x%%1m").arg(bound + 1) << padded << warn
                                    << QStringLiteral("Minimum length %1 of conversion character 'm' in pattern "
                                                      "'x%%1m' is cut to %2")
                                           .arg(bound + 1)
                                           .arg(bound);
    QTest::newRow("saturated-after-text")
        << "x%99999999999m" << padded << warn
        << QStringLiteral("Minimum length INT_MAX of conversion character 'm' in pattern 'x%99999999999m' is cut to %1")
               .arg(bound);
    QTest::newRow("saturated-left-aligned")
        << "x%-99999999999m|" << QStringLiteral("xtext") + QString(bound - 4, QLatin1Char(' ')) + QStringLiteral("|")
        << warn
        << QStringLiteral(
               "Minimum length INT_MAX of conversion character 'm' in pattern 'x%-99999999999m|' is cut to %1")
               .arg(bound);
}

void tst_PatternFormatter::reportsProblems()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(int, level);
    QFETCH(QString, message);
    Capture capture(QStringLiteral("LogEngine::PatternFormatter"));
    const PatternFormatter formatter(pattern);
    QCOMPARE(formatter.format(EventBuilder().build()), text);
    using Problems = QList<QPair<int, QString>>;
    Problems problems;
    for (const CapturedMessage &m : capture->messages()) {
        if (m.level > Level::TRACE_INT)
            problems.append({ m.level, m.message });
    }
    QCOMPARE(problems, (message.isEmpty() ? Problems() : Problems { { level, message } }));
}

void tst_PatternFormatter::layoutRebuildsOnEveryPatternChange()
{
    PatternLayout layout;
    QCOMPARE(layout.conversionPattern(), QStringLiteral("%m%n"));
    const LoggingEvent event = EventBuilder().build();
    QCOMPARE(layout.format(event), QStringLiteral("text\r\n"));
    QVERIFY(layout.setProperty("conversionPattern", QStringLiteral("[%p] %m")));
    QCOMPARE(layout.format(event), QStringLiteral("[INFO] text"));
    Capture trace(QStringLiteral("LogEngine::PatternFormatter"));
    layout.setConversionPattern(layout.conversionPattern());
    QCOMPARE(trace->count(QStringLiteral("Creating literal LiteralConverter with Literal '] '")), 1);
    QCOMPARE(
        trace->count(QStringLiteral("Creating Converter for character 'p' min 0, max INT_MAX, left 0 and option ''")),
        1);
}

QObject *newPatternFormatterTest()
{
    return new tst_PatternFormatter;
}

#include "tst_patternformatter.moc"
