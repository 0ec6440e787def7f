#include "common/capturingappender.h"
#include "common/environmentvariables.h"
#include "engine/configuration/optionconverter.h"
#include "engine/configuration/properties.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace LogEngine;

class tst_OptionConverter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void conversions_data();
    void conversions();
    void substitution_data();
    void substitution();
    void expansionBoundsWorkNotDepth_data();
    void expansionBoundsWorkNotDepth();
};

namespace
{

QString invalid(const char *what, const QString &option)
{
    return QStringLiteral("Invalid option string '%1' for %2 "
                          "(LogEngine::OptionConverter::CONFIGURATOR_INVALID_OPTION_ERROR, 23)")
        .arg(option, QLatin1String(what));
}

} // namespace

void tst_OptionConverter::conversions_data()
{
    QTest::addColumn<QString>("kind"); // as the error record names it
    QTest::addColumn<QString>("option");
    QTest::addColumn<qint64>("result");
    QTest::addColumn<bool>("ok");
    const QString boolean = QStringLiteral("a boolean");
    const QString size = QStringLiteral("a file size");
    const QString integer = QStringLiteral("an integer");
    const QString level = QStringLiteral("a level");
    const QString target = QStringLiteral("a target");
    QTest::newRow("true-blanks") << boolean << "  TRUE " << qint64(1) << true;
    QTest::newRow("enabled") << boolean << "Enabled" << qint64(1) << true;
    QTest::newRow("one") << boolean << "1" << qint64(1) << true;
    QTest::newRow("disabled") << boolean << "disabled" << qint64(0) << true;
    QTest::newRow("zero") << boolean << "0" << qint64(0) << true;
    QTest::newRow("yes") << boolean << "yes" << qint64(0) << false;
    QTest::newRow("empty") << boolean << "" << qint64(0) << false;
    QTest::newRow("kb") << size << "10KB" << qint64(10240) << true;
    QTest::newRow("mb") << size << "10MB" << qint64(10485760) << true;
    QTest::newRow("gb") << size << " 1gb " << qint64(1073741824) << true;
    QTest::newRow("plain") << size << "100" << qint64(100) << true;
    QTest::newRow("trailing-text") << size << "10kbx" << qint64(0) << false;
    QTest::newRow("negative") << size << "-5kb" << qint64(0) << false;
    QTest::newRow("unit-only") << size << "kb" << qint64(0) << false;
    QTest::newRow("text") << size << "abc" << qint64(0) << false;
    QTest::newRow("blank-before-unit") << size << "10 MB" << qint64(10485760) << true;
    QTest::newRow("largest-gb") << size << "8589934591gb" << qint64(8589934591LL * 1073741824LL) << true;
    QTest::newRow("overflowing-gb") << size << "8589934592gb" << qint64(0) << false;
    QTest::newRow("overflowing-number") << size << "99999999999999999999" << qint64(0) << false;
    QTest::newRow("int-blanks") << integer << " 42 " << qint64(42) << true;
    QTest::newRow("int-negative") << integer << "-7" << qint64(-7) << true;
    QTest::newRow("int-fraction") << integer << "4.2" << qint64(0) << false;
    QTest::newRow("int-too-large") << integer << "2147483648" << qint64(0) << false;
    QTest::newRow("level-lower-case-blanks") << level << " warn " << qint64(Level::WARN_INT) << true;
    QTest::newRow("level-null") << level << "null" << qint64(Level::NULL_INT) << true;
    QTest::newRow("level-unknown") << level << "loud" << qint64(Level::NULL_INT) << false;
    QTest::newRow("system-err") << target << "System.Err" << qint64(1) << true;
    QTest::newRow("stderr-target") << target << " STDERR_TARGET" << qint64(1) << true;
    QTest::newRow("system-out") << target << "system.out" << qint64(0) << true;
    QTest::newRow("stdout") << target << "stdout" << qint64(0) << false;
}

// Each conversion says whether it succeeded and reports a failure once;
// booleans and levels also come with a default, returned on failure.
void tst_OptionConverter::conversions()
{
    QFETCH(QString, kind);
    QFETCH(QString, option);
    QFETCH(qint64, result);
    QFETCH(bool, ok);
    Capture capture(QStringLiteral("LogEngine::OptionConverter"));
    bool converted = !ok;
    QStringList errors = ok ? QStringList() : QStringList { invalid(qPrintable(kind), option) };
    if (kind == QLatin1String("a boolean")) {
        QCOMPARE(qint64(OptionConverter::toBoolean(option, &converted)), result);
        QCOMPARE(OptionConverter::toBoolean(option, true), ok ? result != 0 : true);
        errors += errors;
    } else if (kind == QLatin1String("a file size")) {
        QCOMPARE(OptionConverter::toFileSize(option, &converted), result);
    } else if (kind == QLatin1String("an integer")) {
        QCOMPARE(qint64(OptionConverter::toInt(option, &converted)), result);
    } else if (kind == QLatin1String("a level")) {
        QCOMPARE(qint64(OptionConverter::toLevel(option, &converted).toInt()), result);
        QCOMPARE(qint64(OptionConverter::toLevel(option, Level(Level::DEBUG_INT)).toInt()),
            ok ? result : qint64(Level::DEBUG_INT));
        errors += errors;
    } else {
        QCOMPARE(qint64(OptionConverter::toTarget(option, &converted)), result);
    }
    QCOMPARE(converted, ok);
    QCOMPARE(capture->texts(Level::ERROR_INT), errors);
}

void tst_OptionConverter::substitution_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("error");
    // Beyond the file: the environment variable of that name, then the
    // standard names of the Java world; still unknown is still nothing.
    // A cycle ends at the key seen again; a diamond is no cycle.
    const char *const rows[][4] = {
        { "nested", "c", "xyx", "" },
        { "missing-reference", "d", "z", "" },
        { "unclosed", "e", "ab",
            "Missing closing bracket for opening bracket at 2. Invalid subsitution in value ab${c "
            "(LogEngine::OptionConverter::CONFIGURATOR_INVALID_SUBSTITUTION_ERROR, 22)" },
        { "braces-kept", "p", "%d{ABSOLUTE} x %m", "" },
        { "empty-reference", "q", "<empty-key>", "" },
        { "lone-closing-brace", "r", "a}b", "" },
        { "from-defaults", "s", "x-base", "" },
        { "absent-key-is-null", "absent", nullptr, "" },
        { "environment", "t", "/from/environment/app.log", "" },
        { "file-key-before-environment", "u", "x", "" },
        { "user-home", "v", "/home/tester/logs", "" },
        { "user-name", "w", "audit-tester.log", "" },
        { "user-dir", "y", "@CWD@/log/app.log", "" },
        { "java-io-tmpdir", "z", "@TMPDIR@/app.log", "" },
        { "dotted-environment-name", "n", "/home/elsewhere", "" },
        { "cycle-of-one", "self", "<>",
            "Cyclic reference to key 'self' at 1. Invalid subsitution in value <${self}> "
            "(LogEngine::OptionConverter::CONFIGURATOR_INVALID_SUBSTITUTION_ERROR, 22)" },
        { "cycle-through-others", "one", "1(2(3()))",
            "Cyclic reference to key 'one' at 2. Invalid subsitution in value 3(${one}) "
            "(LogEngine::OptionConverter::CONFIGURATOR_INVALID_SUBSTITUTION_ERROR, 22)" },
        { "diamond-is-no-cycle", "top", "LL", "" },
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromUtf8(row[1]) << QString::fromUtf8(row[2]) << QString::fromUtf8(row[3]);
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
        { QStringLiteral("t"), QStringLiteral("${QORVLOG_TEST_DIRECTORY}/app.log") },
        { QStringLiteral("u"), QStringLiteral("${a}") },
        { QStringLiteral("v"), QStringLiteral("${user.home}/logs") },
        { QStringLiteral("w"), QStringLiteral("audit-${user.name}.log") },
        { QStringLiteral("y"), QStringLiteral("${user.dir}/log/app.log") },
        { QStringLiteral("z"), QStringLiteral("${java.io.tmpdir}/app.log") },
        { QStringLiteral("n"), QStringLiteral("${java.home}") },
        { QStringLiteral("self"), QStringLiteral("<${self}>") },
        { QStringLiteral("one"), QStringLiteral("1(${two})") },
        { QStringLiteral("two"), QStringLiteral("2(${three})") },
        { QStringLiteral("three"), QStringLiteral("3(${one})") },
        { QStringLiteral("top"), QStringLiteral("${left}${right}") },
        { QStringLiteral("left"), QStringLiteral("${leaf}") },
        { QStringLiteral("right"), QStringLiteral("${leaf}") },
        { QStringLiteral("leaf"), QStringLiteral("L") },
    };
    // Qt names only an existing directory for temporary files.
    const QTemporaryDir temporary;
    const QByteArray temporaryPath = QFile::encodeName(temporary.path());
    const EnvironmentVariables environment { { "QORVLOG_TEST_DIRECTORY", "/from/environment" }, { "a", "environment" },
        { "HOME", "/home/tester" }, { "USER", "tester" }, { "TMPDIR", temporaryPath },
        { "java.home", "/home/elsewhere" } };
    result.replace(QLatin1String("@TMPDIR@"), temporary.path()).replace(QLatin1String("@CWD@"), QDir::currentPath());
    for (const auto &entry : entries)
        properties.insert(entry.first, entry.second);
    Capture capture(QStringLiteral("LogEngine::OptionConverter"));
    const QString substituted = OptionConverter::substituteVariables(properties, key);
    QCOMPARE(substituted, result);
    QCOMPARE(substituted.isNull(), result.isNull());
    QCOMPARE(capture->texts(Level::ERROR_INT), error.isEmpty() ? QStringList() : QStringList { error });
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
    const QStringList errors = capture->texts(Level::ERROR_INT);
    if (error.isEmpty()) {
        QCOMPARE(errors, QStringList());
        return;
    }
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().contains(error), qPrintable(errors.first()));
    QVERIFY(errors.first().endsWith(
        QStringLiteral("(LogEngine::OptionConverter::CONFIGURATOR_INVALID_SUBSTITUTION_ERROR, 22)")));
}

QObject *newOptionConverterTest()
{
    return new tst_OptionConverter;
}

#include "tst_optionconverter.moc"
