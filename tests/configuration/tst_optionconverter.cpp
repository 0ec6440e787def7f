#include "common/capturingappender.h"
#include "engine/configuration/optionconverter.h"
#include "engine/configuration/properties.h"

#include <QTest>

using namespace LogEngine;

class tst_OptionConverter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void booleans_data();
    void booleans();
    void fileSizes_data();
    void fileSizes();
    void integers_data();
    void integers();
    void levels_data();
    void levels();
    void targets_data();
    void targets();
    void substitution_data();
    void substitution();
    void cyclicReferencesEnd_data();
    void cyclicReferencesEnd();
    void expansionBoundsWorkNotDepth_data();
    void expansionBoundsWorkNotDepth();
    void javaNamesBecomeEngineNames();
};

namespace
{

// The error records the converter logged, as text.
QStringList errorsOf(const Capture &capture)
{
    QStringList errors;
    for (const CapturedMessage &m : capture->messages()) {
        if (m.level == Level::ERROR_INT)
            errors.append(m.message);
    }
    return errors;
}

QString invalid(const char *what, const QString &option)
{
    return QStringLiteral("Invalid option string '%1' for %2 "
                          "(LogEngine::OptionConverter::CONFIGURATOR_INVALID_OPTION_ERROR, 23)")
        .arg(option, QLatin1String(what));
}

} // namespace

void tst_OptionConverter::booleans_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("result");
    QTest::addColumn<bool>("ok");
    QTest::newRow("true-blanks") << "  TRUE " << true << true;
    QTest::newRow("enabled") << "Enabled" << true << true;
    QTest::newRow("one") << "1" << true << true;
    QTest::newRow("disabled") << "disabled" << false << true;
    QTest::newRow("zero") << "0" << false << true;
    QTest::newRow("yes") << "yes" << false << false;
    QTest::newRow("empty") << "" << false << false;
}

void tst_OptionConverter::booleans()
{
    QFETCH(QString, option);
    QFETCH(bool, result);
    QFETCH(bool, ok);
    Capture capture(QStringLiteral("LogEngine::OptionConverter"));
    bool converted = !ok;
    QCOMPARE(OptionConverter::toBoolean(option, &converted), result);
    QCOMPARE(converted, ok);
    QCOMPARE(OptionConverter::toBoolean(option, true), ok ? result : true);
    const QStringList expected
        = ok ? QStringList() : QStringList { invalid("a boolean", option), invalid("a boolean", option) };
    QCOMPARE(errorsOf(capture), expected);
}

void tst_OptionConverter::fileSizes_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<qint64>("result");
    QTest::newRow("kb") << "10KB" << qint64(10240);
    QTest::newRow("mb") << "10MB" << qint64(10485760);
    QTest::newRow("gb") << " 1gb " << qint64(1073741824);
    QTest::newRow("plain") << "100" << qint64(100);
    QTest::newRow("trailing-text") << "10kbx" << qint64(0);
    QTest::newRow("negative") << "-5kb" << qint64(0);
    QTest::newRow("unit-only") << "kb" << qint64(0);
    QTest::newRow("text") << "abc" << qint64(0);
    QTest::newRow("blank-before-unit") << "10 MB" << qint64(10485760);
    QTest::newRow("largest-gb") << "8589934591gb" << qint64(8589934591LL * 1073741824LL);
    QTest::newRow("overflowing-gb") << "8589934592gb" << qint64(0);
    QTest::newRow("overflowing-number") << "99999999999999999999" << qint64(0);
}

void tst_OptionConverter::fileSizes()
{
    QFETCH(QString, option);
    QFETCH(qint64, result);
    Capture capture(QStringLiteral("LogEngine::OptionConverter"));
    bool ok = result == 0;
    QCOMPARE(OptionConverter::toFileSize(option, &ok), result);
    QCOMPARE(ok, result != 0);
    QCOMPARE(errorsOf(capture), result ? QStringList() : QStringList { invalid("a file size", option) });
}

void tst_OptionConverter::integers_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("ok");
    QTest::newRow("blanks") << " 42 " << 42 << true;
    QTest::newRow("negative") << "-7" << -7 << true;
    QTest::newRow("fraction") << "4.2" << 0 << false;
    QTest::newRow("too-large") << "2147483648" << 0 << false;
}

void tst_OptionConverter::integers()
{
    QFETCH(QString, option);
    QFETCH(int, result);
    QFETCH(bool, ok);
    Capture capture(QStringLiteral("LogEngine::OptionConverter"));
    bool converted = !ok;
    QCOMPARE(OptionConverter::toInt(option, &converted), result);
    QCOMPARE(converted, ok);
    QCOMPARE(errorsOf(capture), ok ? QStringList() : QStringList { invalid("an integer", option) });
}

void tst_OptionConverter::levels_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("ok");
    QTest::newRow("lower-case-blanks") << " warn " << int(Level::WARN_INT) << true;
    QTest::newRow("null") << "null" << int(Level::NULL_INT) << true;
    QTest::newRow("unknown") << "loud" << int(Level::NULL_INT) << false;
}

void tst_OptionConverter::levels()
{
    QFETCH(QString, option);
    QFETCH(int, result);
    QFETCH(bool, ok);
    Capture capture(QStringLiteral("LogEngine::OptionConverter"));
    bool converted = !ok;
    QCOMPARE(OptionConverter::toLevel(option, &converted).toInt(), result);
    QCOMPARE(converted, ok);
    QCOMPARE(OptionConverter::toLevel(option, Level(Level::DEBUG_INT)).toInt(), ok ? result : int(Level::DEBUG_INT));
    QCOMPARE(errorsOf(capture).size(), ok ? 0 : 2);
    if (!ok)
        QCOMPARE(errorsOf(capture).first(), invalid("a level", option));
}

void tst_OptionConverter::targets_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("ok");
    QTest::newRow("system-err") << "System.Err" << 1 << true;
    QTest::newRow("stderr-target") << " STDERR_TARGET" << 1 << true;
    QTest::newRow("system-out") << "system.out" << 0 << true;
    QTest::newRow("stdout") << "stdout" << 0 << false;
}

void tst_OptionConverter::targets()
{
    QFETCH(QString, option);
    QFETCH(int, result);
    QFETCH(bool, ok);
    Capture capture(QStringLiteral("LogEngine::OptionConverter"));
    bool converted = !ok;
    QCOMPARE(OptionConverter::toTarget(option, &converted), result);
    QCOMPARE(converted, ok);
    QCOMPARE(errorsOf(capture), ok ? QStringList() : QStringList { invalid("a target", option) });
}

void tst_OptionConverter::substitution_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("error");
    QTest::newRow("nested") << "c"
                            << "xyx"
                            << "";
    QTest::newRow("missing-reference") << "d"
                                       << "z"
                                       << "";
    QTest::newRow("unclosed") << "e"
                              << "ab"
                              << "Missing closing bracket for opening bracket at 2. Invalid subsitution in value ab${c "
                                 "(LogEngine::OptionConverter::CONFIGURATOR_INVALID_SUBSTITUTION_ERROR, 22)";
    QTest::newRow("braces-kept") << "p"
                                 << "%d{ABSOLUTE} x %m"
                                 << "";
    QTest::newRow("empty-reference") << "q"
                                     << "<empty-key>"
                                     << "";
    QTest::newRow("lone-closing-brace") << "r"
                                        << "a}b"
                                        << "";
    QTest::newRow("from-defaults") << "s"
                                   << "x-base"
                                   << "";
    QTest::newRow("absent-key-is-null") << "absent" << QString() << "";
}

void tst_OptionConverter::substitution()
{
    QFETCH(QString, key);
    QFETCH(QString, result);
    QFETCH(QString, error);
    Properties defaults;
    defaults.insert(QStringLiteral("base"), QStringLiteral("base"));
    Properties properties(&defaults);
    const QList<QPair<QString, QString>> entries = {
        { QStringLiteral("a"), QStringLiteral("x") },
        { QStringLiteral("b"), QStringLiteral("${a}y") },
        { QStringLiteral("c"), QStringLiteral("${b}${a}") },
        { QStringLiteral("d"), QStringLiteral("${missing}z") },
        { QStringLiteral("e"), QStringLiteral("ab${c") },
        { QStringLiteral("p"), QStringLiteral("%d{ABSOLUTE} ${a} %m") },
        { QStringLiteral(""), QStringLiteral("<empty-key>") },
        { QStringLiteral("q"), QStringLiteral("${}") },
        { QStringLiteral("r"), QStringLiteral("a}b") },
        { QStringLiteral("s"), QStringLiteral("${a}-${base}") },
    };
    for (const auto &entry : entries)
        properties.insert(entry.first, entry.second);
    Capture capture(QStringLiteral("LogEngine::OptionConverter"));
    const QString substituted = OptionConverter::substituteVariables(properties, key);
    QCOMPARE(substituted, result);
    QCOMPARE(substituted.isNull(), result.isNull());
    QCOMPARE(errorsOf(capture), error.isEmpty() ? QStringList() : QStringList { error });
}

void tst_OptionConverter::cyclicReferencesEnd_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("cycleKey");
    QTest::newRow("self") << "self"
                          << "<>"
                          << "self";
    QTest::newRow("through-others") << "one"
                                    << "1(2(3()))"
                                    << "one";
    QTest::newRow("diamond-is-no-cycle") << "top"
                                         << "LL"
                                         << "";
}

void tst_OptionConverter::cyclicReferencesEnd()
{
    QFETCH(QString, key);
    QFETCH(QString, result);
    QFETCH(QString, cycleKey);
    Properties properties;
    properties.insert(QStringLiteral("self"), QStringLiteral("<${self}>"));
    properties.insert(QStringLiteral("one"), QStringLiteral("1(${two})"));
    properties.insert(QStringLiteral("two"), QStringLiteral("2(${three})"));
    properties.insert(QStringLiteral("three"), QStringLiteral("3(${one})"));
    properties.insert(QStringLiteral("top"), QStringLiteral("${left}${right}"));
    properties.insert(QStringLiteral("left"), QStringLiteral("${leaf}"));
    properties.insert(QStringLiteral("right"), QStringLiteral("${leaf}"));
    properties.insert(QStringLiteral("leaf"), QStringLiteral("L"));
    Capture capture(QStringLiteral("LogEngine::OptionConverter"));
    QCOMPARE(OptionConverter::substituteVariables(properties, key), result);
    const QStringList errors = errorsOf(capture);
    if (cycleKey.isEmpty()) {
        QVERIFY(errors.isEmpty());
    } else {
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().startsWith(QStringLiteral("Cyclic reference to key '%1'").arg(cycleKey)),
            qPrintable(errors.first()));
        QVERIFY(errors.first().endsWith(
            QStringLiteral("(LogEngine::OptionConverter::CONFIGURATOR_INVALID_SUBSTITUTION_ERROR, 22)")));
    }
}

// Hostile files can double their text at every level, or fan a few kilobytes
// out into a million references that produce nothing. Expansion is bounded by
// the text it produces and by the references it follows, never by how deep or
// how many references a legitimate file uses.
void tst_OptionConverter::expansionBoundsWorkNotDepth_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("values");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("error");
    QTest::newRow("chain-of-70-keys") << "chain70" << 1 << 71 << "";
    QTest::newRow("10001-references") << "many" << 1 << 10001 << "";
    QTest::newRow("doubling-text") << "text12" << 1 << 32768
                                   << "Reference to key 'text0' at 0 expands beyond 32768 characters. "
                                      "Invalid subsitution in value ${text0}${text0} ";
    QTest::newRow("million-references-to-nothing") << "wide2" << 1 << 0 << "exceeds 1000000 references";
    // One budget for a whole run: thirty-two values of 32768 characters use
    // it up, and the values after them stay empty, reported once.
    QTest::newRow("values-of-one-run") << "text5" << 33 << 0
                                       << "Reference to key 'text0' at 0 makes the references of this run expand "
                                          "beyond 1048576 characters. Invalid subsitution in value ${text0}${text0} ";
}

void tst_OptionConverter::expansionBoundsWorkNotDepth()
{
    QFETCH(QString, key);
    QFETCH(int, values);
    QFETCH(int, size);
    QFETCH(QString, error);
    Properties properties;
    properties.insert(QStringLiteral("chain0"), QStringLiteral("x"));
    for (int i = 1; i <= 70; ++i)
        properties.insert(QStringLiteral("chain%1").arg(i), QStringLiteral("${chain%1}y").arg(i - 1));
    properties.insert(QStringLiteral("many"), QStringLiteral("${chain0}").repeated(10001));
    properties.insert(QStringLiteral("text0"), QString(1024, QLatin1Char('t')));
    for (int i = 1; i <= 12; ++i)
        properties.insert(QStringLiteral("text%1").arg(i), QStringLiteral("${text%1}${text%1}").arg(i - 1));
    properties.insert(QStringLiteral("wide0"), QString());
    properties.insert(QStringLiteral("wide1"), QStringLiteral("${wide0}").repeated(1000));
    properties.insert(QStringLiteral("wide2"), QStringLiteral("${wide1}").repeated(1001));
    properties.insert(QStringLiteral("run"), QStringLiteral("${text5}"));
    Capture capture(QStringLiteral("LogEngine::OptionConverter"));
    OptionConverter::SubstitutionBudget budget;
    QString result;
    for (int i = 0; i < values; ++i)
        result = OptionConverter::substituteVariables(properties, values > 1 ? QStringLiteral("run") : key, budget);
    QCOMPARE(result.size(), size);
    const QStringList errors = errorsOf(capture);
    if (error.isEmpty()) {
        QCOMPARE(errors, QStringList());
        return;
    }
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().contains(error), qPrintable(errors.first()));
    QVERIFY(errors.first().endsWith(
        QStringLiteral("(LogEngine::OptionConverter::CONFIGURATOR_INVALID_SUBSTITUTION_ERROR, 22)")));
}

void tst_OptionConverter::javaNamesBecomeEngineNames()
{
    QCOMPARE(OptionConverter::classNameJavaToCpp(QStringLiteral("org.apache.log4j.ConsoleAppender")),
        QStringLiteral("org::apache::log4j::ConsoleAppender"));
    QCOMPARE(OptionConverter::classNameJavaToCpp(QStringLiteral("plain")), QStringLiteral("plain"));
}

QObject *newOptionConverterTest()
{
    return new tst_OptionConverter;
}

#include "tst_optionconverter.moc"
