#include "common/childprocess.h"
#include "common/qt5names.h"
#include "common/testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <qorvlog_version.h>

// The qorvlog tool, run as a process in a working directory of its own on
// copies of the files in tests/data, as a user runs it.
class tst_QorvlogTool : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void checkReportsEachProblem_data();
    void checkReportsEachProblem();
    void jsonHoldsTheSameFindings();
    void checkAndShowTouchNoLogFile();
    void logWritesEveryLine();
    void logCountsLinesNotWritten();
    void commandLine_data();
    void commandLine();

private:
    // Runs the tool on `commandLine`, split at blanks.
    ChildResult run(const QString &commandLine, const QByteArray &input = QByteArray(),
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
    void copyIn(const QString &sourceDirectory, const QStringList &names);

    QScopedPointer<TestFolder> m_work;
};

namespace
{

const QString checkData = QStringLiteral(QORVLOG_TEST_DATA "/check");
const QString corpusData = QStringLiteral(QORVLOG_TEST_DATA "/corpus");

} // namespace

ChildResult tst_QorvlogTool::run(
    const QString &commandLine, const QByteArray &input, const QProcessEnvironment &environment)
{
    return runProgram(QStringLiteral(QORVLOG_TOOL), commandLine.split(QLatin1Char(' '), Qt::SkipEmptyParts),
        m_work->path(), input, environment);
}

void tst_QorvlogTool::copyIn(const QString &sourceDirectory, const QStringList &names)
{
    for (const QString &name : names) {
        if (!QFile::copy(sourceDirectory + QLatin1Char('/') + name, m_work->filePath(name)))
            qFatal("cannot copy %s", qPrintable(name));
    }
}

void tst_QorvlogTool::init()
{
    m_work.reset(new TestFolder);
    QVERIFY(m_work->isValid());
}

// Each file's exact report, as NAME.expected holds it, and the exit status:
// 0 for nothing, 1 for warnings only, 2 for errors. Real files report what
// they truly hold: what this engine cannot build (custom classes, a codec by
// name), what a run would meet (a file name missing), and warnings about
// what it ignores. Missing directories are created by the appenders. Files
// built to cost time or memory out of all proportion, and one that is no
// file, are reported as any other problem.
void tst_QorvlogTool::checkReportsEachProblem_data()
{
    QTest::addColumn<QString>("directory"); // the file is copied from there, or written from `content`
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("status");
    const auto addFile = [](const QString &tag, const QString &directory, const QString &file, int status) {
        const QString expected = (directory == corpusData ? checkData + QLatin1String("/corpus") : checkData)
            + QLatin1Char('/') + file.section(QLatin1Char('.'), 0, -2) + QLatin1String(".expected");
        QTest::newRow(qPrintable(tag)) << directory << file << QByteArray() << QString::fromUtf8(readFile(expected))
                                       << status;
    };
    addFile(QStringLiteral("nothing-to-find"), checkData, QStringLiteral("clean.properties"), 0);
    addFile(QStringLiteral("ignored-keys-warnings-only"), checkData, QStringLiteral("misspelt-keys.properties"), 1);
    addFile(QStringLiteral("class-property-and-level-names"), checkData, QStringLiteral("unknown-names.properties"), 2);
    addFile(QStringLiteral("appenders-unused-undefined-shared-unopenable"), checkData,
        QStringLiteral("appenders.properties"), 2);
    addFile(QStringLiteral("reader-escapes-and-substitution"), checkData, QStringLiteral("syntax.properties"), 2);
    const QStringList files = QDir(corpusData).entryList({ QStringLiteral("*.properties") });
    QCOMPARE(files.size(), 21);
    const int status[] = { 1, 1, 2, 1, 1, 2, 1, 1, 1, 2, 0, 0, 0, 2, 2, 0, 0, 0, 0, 0, 0 };
    for (int i = 0; i < files.size(); ++i)
        addFile(QLatin1String("corpus ") + files.at(i), corpusData, files.at(i), status[i]);

    const QString none;
    QTest::newRow("device") << none << "/dev/zero" << QByteArray()
                            << "/dev/zero: error: Unable to open property file '/dev/zero' "
                               "(LogEngine::PropertyConfigurator::CONFIGURATOR_OPENING_FILE_ERROR, 20): "
                               "Not a regular file (5)\n"
                            << 2;
    const QByteArray longName = "a" + QByteArray(".a").repeated(600);
    QTest::newRow("logger-name-too-long")
        << none << "long.properties" << QByteArray("log4j.logger." + longName + "=INFO\n")
        << QString(QStringLiteral("long.properties:1: error: Refused a logger name of 1801 characters from key "
                                  "'log4j.logger.")
               + QString::fromLatin1(longName.left(243))
               + QStringLiteral("... (1214 characters)'; the limit is 1024 (LogEngine::PropertyConfigurator)\n"))
        << 2;
    QTest::newRow("backup-index-absurd")
        << none << "backups.properties"
        << QByteArray("log4j.rootLogger=INFO, R\n"
                      "log4j.appender.R=org.apache.log4j.RollingFileAppender\n"
                      "log4j.appender.R.File=r.log\n"
                      "log4j.appender.R.MaxBackupIndex=2000000000\n"
                      "log4j.appender.R.layout=org.apache.log4j.SimpleLayout\n")
        << "backups.properties:4: warning: Appender 'R' keeps up to 2000000000 backups, more than 1000: "
           "is that meant?\n"
        << 1;
    // Forty references to a kilobyte make 40960 characters: the value stops
    // at 32768, and the level error quotes its beginning only.
    QTest::newRow("value-beyond-its-ceiling")
        << none << "wide.properties"
        << QByteArray("kb=" + QByteArray(1024, 'x') + "\nlog4j.rootLogger=" + QByteArray("${kb}").repeated(40)
               + "\nlog4j.appender.A=org.apache.log4j.varia.NullAppender\n")
        << QString(QStringLiteral("wide.properties:2: error: Reference to key 'kb' at 160 expands beyond 32768 "
                                  "characters. Invalid subsitution in value ")
               + QStringLiteral("${kb}").repeated(40)
               + QStringLiteral(" (LogEngine::OptionConverter::CONFIGURATOR_INVALID_SUBSTITUTION_ERROR, 22)\n"
                                "wide.properties:2: error: Invalid option string '")
               + QString(256, QLatin1Char('x'))
               + QStringLiteral("... (32768 characters)' for a level "
                                "(LogEngine::OptionConverter::CONFIGURATOR_INVALID_OPTION_ERROR, 23)\n"
                                "wide.properties:3: warning: Appender 'A' is defined but no logger uses it\n"))
        << 2;
}

void tst_QorvlogTool::checkReportsEachProblem()
{
    QFETCH(QString, directory);
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QFETCH(int, status);
    if (!content.isNull())
        m_work->write(file, content);
    else if (!directory.isEmpty())
        copyIn(directory, { file });
    const ChildResult result = run(QLatin1String("check ") + file);
    QCOMPARE(withQt5TypeNames(QString::fromUtf8(result.out)), expected);
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.exitCode, status);
}

// One run over several files, one of them missing, in both forms: the JSON
// objects say what the lines say, and the worst file decides the status.
void tst_QorvlogTool::jsonHoldsTheSameFindings()
{
    const QStringList files = { QStringLiteral("syntax.properties"), QStringLiteral("absent.properties"),
        QStringLiteral("clean.properties") };
    copyIn(checkData, { files.at(0), files.at(2) });
    const ChildResult text = run(QLatin1String("check ") + files.join(QLatin1Char(' ')));
    const ChildResult json = run(QLatin1String("check --json ") + files.join(QLatin1Char(' ')));
    QCOMPARE(text.exitCode, 2);
    QCOMPARE(json.exitCode, 2);
    QCOMPARE(QString::fromUtf8(text.out),
        QString::fromUtf8(readFile(checkData + QLatin1String("/syntax.expected")))
            + QLatin1String("absent.properties: error: Unable to open property file 'absent.properties' "
                            "(LogEngine::PropertyConfigurator::CONFIGURATOR_OPENING_FILE_ERROR, 20): No such file or "
                            "directory (5)\n"));
    QJsonParseError error;
    const QJsonArray findings = QJsonDocument::fromJson(json.out, &error).array();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QStringList lines;
    for (const QJsonValue &value : findings) {
        const QJsonObject finding = value.toObject();
        QCOMPARE(finding.keys(),
            (QStringList { QStringLiteral("file"), QStringLiteral("hint"), QStringLiteral("line"),
                QStringLiteral("message"), QStringLiteral("severity") }));
        QString line = finding.value(QLatin1String("file")).toString();
        if (!finding.value(QLatin1String("line")).isNull())
            line += QLatin1Char(':') + QString::number(finding.value(QLatin1String("line")).toInt());
        line += QLatin1String(": ") + finding.value(QLatin1String("severity")).toString() + QLatin1String(": ")
            + finding.value(QLatin1String("message")).toString();
        if (!finding.value(QLatin1String("hint")).isNull())
            line += QLatin1String("; ") + finding.value(QLatin1String("hint")).toString();
        lines.append(line + QLatin1Char('\n'));
    }
    QCOMPARE(lines.join(QString()), QString::fromUtf8(text.out));
}

// The engine would configure itself at start from LOGENGINE_CONFIGURATION or
// a logengine.properties in the working directory: the tool must not, and
// the files it checks or shows must build nothing that opens a file. Its own
// start-up report (LOGENGINE_DEBUG) stays out of the output too.
void tst_QorvlogTool::checkAndShowTouchNoLogFile()
{
    m_work->write(QStringLiteral("logengine.properties"),
        "log4j.rootLogger=INFO, kept, created\n"
        "log4j.appender.kept=org.apache.log4j.FileAppender\n"
        "log4j.appender.kept.File=kept.log\n"
        "log4j.appender.kept.layout=org.apache.log4j.SimpleLayout\n"
        "log4j.appender.created=org.apache.log4j.RollingFileAppender\n"
        "log4j.appender.created.File=new/created.log\n"
        "log4j.appender.created.layout=org.apache.log4j.SimpleLayout\n");
    m_work->write(QStringLiteral("kept.log"), "earlier lines\n");
    copyIn(checkData, { QStringLiteral("clean.properties") });
    const QStringList before = QDir(m_work->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(
        QStringLiteral("LOGENGINE_CONFIGURATION"), m_work->filePath(QStringLiteral("logengine.properties")));
    environment.insert(QStringLiteral("LOGENGINE_DEFAULTINITOVERRIDE"), QStringLiteral("false"));
    environment.insert(QStringLiteral("LOGENGINE_DEBUG"), QStringLiteral("TRACE"));

    const ChildResult check = run(QStringLiteral("check logengine.properties"), QByteArray(), environment);
    QCOMPARE(check.out + check.err, QByteArray());
    QCOMPARE(check.exitCode, 0);
    const ChildResult show = run(QStringLiteral("show clean.properties"), QByteArray(), environment);
    QCOMPARE(show.exitCode, 0);
    QCOMPARE(show.out,
        QByteArray("root: level INFO, effective INFO, additive, appenders console, file\n"
                   "  app: level inherited, effective INFO, additive\n"
                   "    app::net: level DEBUG, effective DEBUG, not additive, appenders console\n"
                   "appender console: LogEngine::ConsoleAppender, threshold none, layout LogEngine::PatternLayout, "
                   "pattern '%d{ABSOLUTE} %-5p %c - %m%n'\n"
                   "appender file: LogEngine::RollingFileAppender, threshold none, layout LogEngine::TTCCLayout, "
                   "file 'logs/app.log'\n"));
    QCOMPARE(show.err, QByteArray());

    QCOMPARE(m_work->read(QStringLiteral("kept.log")), QByteArray("earlier lines\n"));
    QCOMPARE(QDir(m_work->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

// Every line of standard input, empty and unterminated ones too, is on disk
// when the tool returns; the configuration of the environment is not used.
void tst_QorvlogTool::logWritesEveryLine()
{
    m_work->write(QStringLiteral("script.properties"),
        "log4j.rootLogger=INFO, file\n"
        "log4j.logger.app.net=DEBUG\n"
        "log4j.appender.file=org.apache.log4j.FileAppender\n"
        "log4j.appender.file.File=out/script.log\n"
        "log4j.appender.file.layout=org.apache.log4j.PatternLayout\n"
        "log4j.appender.file.layout.ConversionPattern=%p %c - %m%n\n");
    m_work->write(QStringLiteral("other.properties"),
        "log4j.rootLogger=INFO, other\n"
        "log4j.appender.other=org.apache.log4j.FileAppender\n"
        "log4j.appender.other.File=other.log\n"
        "log4j.appender.other.layout=org.apache.log4j.SimpleLayout\n");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LOGENGINE_CONFIGURATION"), m_work->filePath(QStringLiteral("other.properties")));
    const ChildResult result = run(QStringLiteral("log -c script.properties -n app.net -l debug"),
        "first\nsecond\n\nlast, unterminated", environment);
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(m_work->read(QStringLiteral("out/script.log")),
        QByteArray("DEBUG app::net - first\r\nDEBUG app::net - second\r\nDEBUG app::net - \r\n"
                   "DEBUG app::net - last, unterminated\r\n"));
    QVERIFY(!QFile::exists(m_work->filePath(QStringLiteral("other.log"))));
}

// Lines the file refuses (here past the file size limit) are counted, and
// the tool fails: a script must not take lost lines for success.
void tst_QorvlogTool::logCountsLinesNotWritten()
{
    m_work->write(QStringLiteral("limited.properties"),
        "log4j.rootLogger=INFO, file\n"
        "log4j.appender.file=org.apache.log4j.FileAppender\n"
        "log4j.appender.file.File=limited.log\n"
        "log4j.appender.file.layout=org.apache.log4j.SimpleLayout\n");
    QByteArray input;
    for (int i = 0; i < 1000; ++i)
        input += QByteArray::number(1000 + i) + '\n';
    // A write past the limit then fails with EFBIG instead of ending the tool.
    const ChildResult result = runProgram(QStringLiteral("/bin/sh"),
        { QStringLiteral("-c"), QStringLiteral("trap '' XFSZ; ulimit -f 4; exec \"$0\" \"$@\""),
            QStringLiteral(QORVLOG_TOOL), QStringLiteral("log"), QStringLiteral("-c"),
            QStringLiteral("limited.properties") },
        m_work->path(), input);
    QCOMPARE(result.exitCode, 2);
    // "INFO - 1000" and CR LF: 13 bytes a line, 157 whole ones in 2048 bytes.
    QCOMPARE(QFileInfo(m_work->filePath(QStringLiteral("limited.log"))).size(), 2048);
    const QList<QByteArray> lines = result.err.trimmed().split('\n');
    QCOMPARE(lines.last(), QByteArray("qorvlog: 843 of 1000 lines were not written"));
}

// The command line as a Unix tool takes it: a mistake in it exits with
// EX_USAGE (64), apart from the 1 and 2 of findings; --version and
// COMMAND --help answer on standard output; "-" is standard input; an
// option is never taken for a file, wherever it stands.
void tst_QorvlogTool::commandLine_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("firstOut");
    QTest::addColumn<QString>("firstErr");
    QTest::addColumn<int>("status");
    const QString none;
    QTest::newRow("no-command") << "" << QByteArray() << none << "qorvlog: no command given" << 64;
    QTest::newRow("unknown-command") << "lint a.properties" << QByteArray() << none << "qorvlog: unknown command 'lint'"
                                     << 64;
    QTest::newRow("check-without-file") << "check --json" << QByteArray() << none
                                        << "qorvlog: check needs at least one file" << 64;
    QTest::newRow("option-after-file") << "check a.properties --jsn" << QByteArray() << none
                                       << "qorvlog: unknown option '--jsn'" << 64;
    QTest::newRow("show-two-files") << "show a b" << QByteArray() << none << "qorvlog: show takes one file" << 64;
    QTest::newRow("log-without-file") << "log -n app" << QByteArray() << none
                                      << "qorvlog: log needs a configuration file (-c FILE)" << 64;
    QTest::newRow("log-configuration-from-input")
        << "log -c -" << QByteArray() << none
        << "qorvlog: log reads its lines from standard input, not its configuration" << 64;
    QTest::newRow("log-misspelt-level")
        << "log -c absent.properties -l WARNING" << QByteArray() << none
        << "qorvlog: no level WARNING to log at (TRACE, DEBUG, INFO, WARN, ERROR, FATAL); did you mean 'WARN'?" << 64;
    QTest::newRow("log-unreadable-file") << "log -c absent.properties" << QByteArray() << none
                                         << "qorvlog: cannot read absent.properties: No such file or directory" << 2;
    const QString version
        = QLatin1String("qorvlog " QORVLOG_VERSION_STR " (Qt ") + QLatin1String(qVersion()) + QLatin1Char(')');
    QTest::newRow("version") << "--version" << QByteArray() << version << none << 0;
    QTest::newRow("command-help") << "show --help" << QByteArray() << "Usage: qorvlog check [--json] FILE..." << none
                                  << 0;
    QTest::newRow("check-standard-input")
        << "check -" << QByteArray("log4j.Threshold=INFO\n")
        << "<stdin>:1: warning: Key 'log4j.Threshold' is ignored: it is no configuration key and no variable uses it; "
           "did you mean 'log4j.threshold'?"
        << none << 1;
}

void tst_QorvlogTool::commandLine()
{
    QFETCH(QString, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QString, firstOut);
    QFETCH(QString, firstErr);
    QFETCH(int, status);
    const ChildResult result = run(arguments, input);
    QCOMPARE(QString::fromUtf8(result.out).section(QLatin1Char('\n'), 0, 0), firstOut);
    QCOMPARE(QString::fromUtf8(result.err).section(QLatin1Char('\n'), 0, 0), firstErr);
    QCOMPARE(result.exitCode, status);
}

QObject *newQorvlogToolTest()
{
    return new tst_QorvlogTool;
}

#include "tst_qorvlogtool.moc"
