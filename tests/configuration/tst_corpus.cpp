#include "common/capturingappender.h"
#include "common/environmentvariables.h"
#include "common/qt5names.h"
#include "common/testfiles.h"
#include "engine/appenders/consoleappender.h"
#include "engine/appenders/fileappender.h"
#include "engine/appenders/syslogappender.h"
#include "engine/configuration/configuratorhelper.h"
#include "engine/configuration/optionconverter.h"
#include "engine/configuration/properties.h"
#include "engine/configuration/propertyconfigurator.h"
#include "engine/layouts/patternlayout.h"
#include "engine/loggerrepository.h"
#include "engine/logmanager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <utility>

using namespace LogEngine;

// Configuration files shipped by real projects: every one loads, and holds
// what a careful reader of it finds there.
class tst_Corpus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyFileConfigures_data();
    void everyFileConfigures();
    void filesWriteWhatTheyMean_data();
    void filesWriteWhatTheyMean();
    void cleanup();
};

namespace
{

// The reader's warnings (checked by the tool's reports) stay out of the test log.
Properties loadCorpusFile(const QString &name)
{
    Capture capture(QStringLiteral("LogEngine::Properties"));
    QFile file(QStringLiteral(QORVLOG_CORPUS_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("corpus file missing: %s", qPrintable(name));
    Properties properties;
    properties.load(&file);
    return properties;
}

QString shortClassName(const QObject *object)
{
    return QString::fromLatin1(object->metaObject()->className()).remove(QLatin1String("LogEngine::"));
}

// What a configuration run left: every logger the file names (root first),
// each appender they hold, and the run's error records in sorted order (the
// loggers are configured in the order of a hash).
QString outcomeOf(const Properties &properties)
{
    QStringList loggerNames;
    const QStringList keys = properties.propertyNames();
    for (const QString &key : keys) {
        for (const QLatin1String prefix : { QLatin1String("log4j.logger."), QLatin1String("log4j.category.") }) {
            if (key.startsWith(prefix) && key.size() > prefix.size())
                loggerNames.append(OptionConverter::classNameJavaToCpp(key.mid(prefix.size())));
        }
    }
    loggerNames.sort();
    loggerNames.prepend(QString());
    QStringList lines;
    const Level threshold = LogManager::loggerRepository()->threshold();
    if (threshold != Level(Level::NULL_INT))
        lines.append(QLatin1String("threshold: ") + threshold.toString());
    QMap<QString, Appender *> appenders;
    for (const QString &name : std::as_const(loggerNames)) {
        const Logger *logger = LogManager::logger(name);
        QStringList names;
        const QList<Appender *> held = logger->appenders();
        for (Appender *appender : held) {
            names.append(appender->name());
            appenders.insert(appender->name(), appender);
        }
        lines.append(logger->name() + QLatin1String(": ") + logger->level().toString()
            + (logger->additivity() ? QLatin1String("") : QLatin1String(" non-additive")) + QLatin1String(" [")
            + names.join(QLatin1String(", ")) + QLatin1Char(']'));
    }
    for (const Appender *appender : std::as_const(appenders)) {
        QString line = appender->name() + QLatin1String(": ") + shortClassName(appender);
        const auto *skeleton = qobject_cast<const AppenderSkeleton *>(appender);
        line += QLatin1String(skeleton->isActive() ? " active" : " inactive");
        if (skeleton->threshold() != Level(Level::NULL_INT))
            line += QLatin1String(" threshold=") + skeleton->threshold().toString();
        if (const auto *console = qobject_cast<const ConsoleAppender *>(appender))
            line += QLatin1String(" target=") + console->target();
        if (const auto *file = qobject_cast<const FileAppender *>(appender))
            line += QLatin1String(" file=") + file->file() + QLatin1String(file->appendFile() ? " append" : "");
        if (const auto *syslog = qobject_cast<const SyslogAppender *>(appender))
            line += QLatin1String(" host=") + syslog->syslogHost() + QLatin1String(" facility=") + syslog->facility()
                + QLatin1String(syslog->facilityPrinting() ? " facilityprinting" : "")
                + QLatin1String(syslog->header() ? " header" : "");
        if (const Layout *layout = appender->layout()) {
            line += QLatin1String(" layout=") + shortClassName(layout);
            if (const auto *pattern = qobject_cast<const PatternLayout *>(layout))
                line += QLatin1String(" '") + pattern->conversionPattern() + QLatin1Char('\'');
        }
        QStringList filters;
        for (const Filter *filter = appender->filter(); filter; filter = filter->next())
            filters.append(shortClassName(filter));
        if (!filters.isEmpty())
            line += QLatin1String(" filters=") + filters.join(QLatin1Char(','));
        lines.append(line);
    }
    QStringList errors;
    const QList<LoggingEvent> events = ConfiguratorHelper::configurationErrors();
    for (const LoggingEvent &event : events)
        errors.append(QLatin1String("error: ") + event.message());
    errors.sort();
    return (lines + errors).join(QLatin1Char('\n'));
}

// A copy of the corpus file whose absolute log file names (/var/log/...,
// or /server.log where a variable is undefined) lie under `root` instead,
// with the directories above the one the appender creates itself in place,
// as on a machine that has /var/log. The rest of the text is unchanged.
QString confinedCopy(const QString &name, const QString &root)
{
    const Properties properties = loadCorpusFile(name);
    QByteArray text = readFile(QStringLiteral(QORVLOG_CORPUS_DIR "/") + name);
    const QStringList keys = properties.propertyNames();
    for (const QString &key : keys) {
        if (!key.startsWith(QLatin1String("log4j.appender."))
            || key.section(QLatin1Char('.'), 3).compare(QLatin1String("file"), Qt::CaseInsensitive) != 0)
            continue;
        const QString value = OptionConverter::substituteVariables(properties, key);
        if (!value.startsWith(QLatin1Char('/')))
            continue;
        QDir().mkpath(root + QFileInfo(QFileInfo(value).path()).path());
        // A later line wins over an earlier one with the same key.
        text += "\n" + key.toUtf8() + '=' + (root + value).toUtf8() + '\n';
    }
    const QString copy = root + QLatin1Char('/') + name;
    writeFile(copy, text);
    return copy;
}

// A run of a corpus file in a working directory of its own (where its file
// appenders write), with a home, a directory for temporary files and a user
// of the test's own; the engine's own console output stays out of the test
// log. The absolute log file names of the file lie under root().
class CorpusRun
{
public:
    explicit CorpusRun(const QString &file)
        : m_previous(QDir::currentPath())
        , m_environment { { "HOME", QFile::encodeName(m_work.filePath(QStringLiteral("home"))) },
            { "TMPDIR", QFile::encodeName(m_work.filePath(QStringLiteral("tmp"))) }, { "USER", "tester" } }
    {
        if (!QDir::setCurrent(m_work.path()) || !QDir().mkpath(m_work.filePath(QStringLiteral("tmp"))))
            qFatal("cannot set up %s", qPrintable(m_work.path()));
        LogManager::internalLogger()->removeAllAppenders();
        LogManager::internalLogger()->setAdditivity(false);
        configured = PropertyConfigurator::configure(confinedCopy(file, root()));
    }
    ~CorpusRun() { QDir::setCurrent(m_previous); }
    QString path() const { return m_work.path(); }
    QString root() const { return m_work.filePath(QStringLiteral("root")); }

    bool configured = false;

private:
    QTemporaryDir m_work;
    QString m_previous;
    EnvironmentVariables m_environment;
};

} // namespace

void tst_Corpus::cleanup()
{
    LogManager::resetConfiguration();
    LogManager::loggerRepository()->setThreshold(Level(Level::NULL_INT));
}

// What each file configures is in data/configured, under the file's name:
// filters given by key, custom appender classes and a misspelt level give
// exactly their errors; everything else in the file is configured.
void tst_Corpus::everyFileConfigures_data()
{
    QTest::addColumn<QString>("file");
    const QStringList files = QDir(QStringLiteral(QORVLOG_CORPUS_DIR)).entryList({ QStringLiteral("*.properties") });
    QCOMPARE(files.size(), 21);
    for (const QString &file : files)
        QTest::newRow(qPrintable(file)) << file;
}

// Each file configures what the engine has and reports exactly the rest.
void tst_Corpus::everyFileConfigures()
{
    QFETCH(QString, file);
    const CorpusRun run(file);
    const QString found = withQt5TypeNames(outcomeOf(loadCorpusFile(file))
                                               .replace(run.root(), QString())
                                               .replace(run.path(), QLatin1String("${user.dir}")));
    const QByteArray expected = readFile(QStringLiteral(QORVLOG_TEST_DATA "/configured/")
        + file.section(QLatin1Char('.'), 0, -2) + QLatin1String(".expected"));
    QCOMPARE(found + QLatin1Char('\n'), QString::fromUtf8(expected));
    // A run says whether it stored errors.
    QCOMPARE(run.configured, ConfiguratorHelper::configurationErrors().isEmpty());
}

void tst_Corpus::filesWriteWhatTheyMean_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("appender"); // whose file is read
    QTest::addColumn<QString>("logger"); // empty for the root logger
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("written"); // a pattern for all of the file
    const auto row = [](const char *tag, const char *file, const char *appender, const char *logger, int level,
                         const char *message, const QString &written) {
        QTest::newRow(tag) << file << appender << logger << level << message << written;
    };
    const int info = Level::INFO_INT;
    const QString date = QStringLiteral("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d");
    const char *dates = "16-service-millisecond-dates.properties";
    const char *variables = "18-user-home-tmpdir-variables.properties";
    const char *filters = "19-levelrange-stringmatch-filters.properties";
    row("milliseconds", dates, "service", "com::example::service", info, "Started",
        date + QStringLiteral(",\\d{3} INFO  com::example::service - Started\r\n"));
    row("DATE-format", dates, "audit", "com::example::audit", info, "login",
        QStringLiteral("\\d\\d \\w{3} \\d{4} \\d\\d:\\d\\d:\\d\\d\\.\\d{3} INFO  login\r\n"));
    row("TTCC-milliseconds", dates, "access", "com::example::access", info, "GET /",
        date + QStringLiteral("\\.\\d{3} INFO  com::example::access  - GET /\r\n"));
    row("three-levels-created", "17-nested-log-directories.properties", "app", "", info, "up",
        QStringLiteral("\\d{4}-.* INFO  \\[.*\\] root - up\r\n"));
    row("user-home", variables, "home", "", info, "m", QStringLiteral("\\d{4}-.* INFO  root - m\r\n"));
    row("tmpdir-and-user-name", variables, "scratch", "", info, "m", QStringLiteral("INFO - m\r\n"));
    row("range-passes-warn", filters, "info", "app", Level::WARN_INT, "disk full",
        QStringLiteral("WARN  app - disk full\r\n"));
    row("health-checks-dropped", filters, "info", "app", info, "health check ok", QString());
    row("error-in-error", filters, "error", "app", Level::ERROR_INT, "failed",
        QStringLiteral("ERROR app - failed\r\n"));
    row("json-line", "21-json-log-shipping.properties", "json", "app", info, "Started \"now\"",
        QStringLiteral("\\{\"timestamp\":\"\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d\","
                       "\"level\":\"INFO\",\"logger\":\"app\",\"thread\":\"[^\"]*\","
                       "\"message\":\"Started \\\\\"now\\\\\"\"\\}\r\n"));
}

// One event through a file's configuration: the file of the appender holds
// exactly what the file means.
void tst_Corpus::filesWriteWhatTheyMean()
{
    QFETCH(QString, file);
    QFETCH(QString, appender);
    QFETCH(QString, logger);
    QFETCH(int, level);
    QFETCH(QString, message);
    QFETCH(QString, written);
    const CorpusRun run(file);
    QVERIFY(run.configured);
    QString path;
    const QList<Logger *> loggers = LogManager::loggerRepository()->loggers();
    for (const Logger *candidate : loggers + QList<Logger *> { LogManager::loggerRepository()->rootLogger() }) {
        if (const auto *held = qobject_cast<const FileAppender *>(candidate->appender(appender)))
            path = held->file();
    }
    Logger *target = logger.isEmpty() ? LogManager::loggerRepository()->rootLogger() : LogManager::logger(logger);
    target->log(Level(level), message);
    LogManager::resetConfiguration();
    const QString text = QString::fromUtf8(readFile(path));
    QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(written)).match(text).hasMatch(), qPrintable(text));
}

QObject *newCorpusTest()
{
    return new tst_Corpus;
}

#include "tst_corpus.moc"
