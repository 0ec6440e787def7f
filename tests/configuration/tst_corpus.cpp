#include "common/capturingappender.h"
#include "common/qt5names.h"
#include "engine/appenders/consoleappender.h"
#include "engine/appenders/fileappender.h"
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
#include <QTemporaryDir>
#include <QTest>

using namespace LogEngine;

// Configuration files shipped by real projects: every one loads, and holds
// what a careful reader of it finds there.
class tst_Corpus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyFileLoads_data();
    void everyFileLoads();
    void expectedValues_data();
    void expectedValues();
    void hadoopSubstitution();
    void everyFileConfigures_data();
    void everyFileConfigures();
    void cleanup();
};

namespace
{

Properties loadCorpusFile(const QString &name, QStringList *warnings = nullptr)
{
    Capture capture(QStringLiteral("LogEngine::Properties"));
    QFile file(QStringLiteral(QORVLOG_CORPUS_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("corpus file missing: %s", qPrintable(name));
    Properties properties;
    properties.load(&file);
    if (warnings) {
        for (const CapturedMessage &m : capture->messages()) {
            if (m.level == Level::WARN_INT)
                warnings->append(m.message);
        }
    }
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
    for (const QString &name : qAsConst(loggerNames)) {
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
    for (const Appender *appender : qAsConst(appenders)) {
        QString line = appender->name() + QLatin1String(": ") + shortClassName(appender);
        const auto *skeleton = qobject_cast<const AppenderSkeleton *>(appender);
        line += QLatin1String(skeleton->isActive() ? " active" : " inactive");
        if (skeleton->threshold() != Level(Level::NULL_INT))
            line += QLatin1String(" threshold=") + skeleton->threshold().toString();
        if (const auto *console = qobject_cast<const ConsoleAppender *>(appender))
            line += QLatin1String(" target=") + console->target();
        if (const auto *file = qobject_cast<const FileAppender *>(appender))
            line += QLatin1String(" file=") + file->file() + QLatin1String(file->appendFile() ? " append" : "");
        if (const Layout *layout = appender->layout()) {
            line += QLatin1String(" layout=") + shortClassName(layout);
            if (const auto *pattern = qobject_cast<const PatternLayout *>(layout))
                line += QLatin1String(" '") + pattern->conversionPattern() + QLatin1Char('\'');
        }
        lines.append(line);
    }
    QStringList errors;
    const QList<LoggingEvent> events = ConfiguratorHelper::configurationErrors();
    for (const LoggingEvent &event : events)
        errors.append(QLatin1String("error: ") + event.message());
    errors.sort();
    return (lines + errors).join(QLatin1Char('\n'));
}

} // namespace

void tst_Corpus::everyFileLoads_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("keys");
    QTest::addColumn<int>("warnings");
    const QStringList files = QDir(QStringLiteral(QORVLOG_CORPUS_DIR)).entryList({ QStringLiteral("*.properties") });
    QCOMPARE(files.size(), 15);
    // Unknown escapes: three in a Windows path, four in HH\:mm\:ss.
    // Distinct keys, counted by hand over the non-comment lines (continuations joined).
    const int keys[] = { 16, 18, 97, 48, 9, 17, 75, 15, 10, 23, 12, 10, 4, 16, 45 };
    for (int i = 0; i < files.size(); ++i)
        QTest::newRow(qPrintable(files.at(i))) << files.at(i) << keys[i] << (i == 8 ? 3 : i == 9 ? 4 : 0);
}

void tst_Corpus::everyFileLoads()
{
    QFETCH(QString, file);
    QFETCH(int, keys);
    QFETCH(int, warnings);
    QStringList found;
    const Properties properties = loadCorpusFile(file, &found);
    QCOMPARE(properties.size(), keys);
    QCOMPARE(found.size(), warnings);
    QVERIFY(!properties.contains(QString()));
}

void tst_Corpus::expectedValues_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("zookeeper-root") << "01-zookeeper-console-rolling-trace.properties"
                                    << "log4j.rootLogger"
                                    << "DEBUG, CONSOLE";
    QTest::newRow("zookeeper-pattern") << "01-zookeeper-console-rolling-trace.properties"
                                       << "log4j.appender.ROLLINGFILE.layout.ConversionPattern"
                                       << "%d{ISO8601} - %-5p [%t:%C{1}@%L] - %m%n";
    QTest::newRow("spark-target") << "02-spark-rootcategory-filter.properties"
                                  << "log4j.appender.console.target"
                                  << "System.err";
    QTest::newRow("spark-dollar-in-key") << "02-spark-rootcategory-filter.properties"
                                         << "log4j.logger.org.apache.spark.repl.SparkIMain$exprTyper"
                                         << "INFO";
    QTest::newRow("hadoop-unexpanded") << "03-hadoop-substitution-audit.properties"
                                       << "log4j.appender.RFA.File"
                                       << "${hadoop.log.dir}/${hadoop.log.file}";
    QTest::newRow("kafka-trailing-blank") << "04-kafka-hourly-additivity.properties"
                                          << "log4j.rootLogger"
                                          << "INFO, stdout ";
    QTest::newRow("kafka-quoted-date") << "04-kafka-hourly-additivity.properties"
                                       << "log4j.appender.kafkaAppender.DatePattern"
                                       << "'.'yyyy-MM-dd-HH";
    QTest::newRow("cassandra-simple") << "05-cassandra-simplelayout.properties"
                                      << "log4j.appender.stdout.layout"
                                      << "org.apache.log4j.SimpleLayout";
    QTest::newRow("audiveris-continuation")
        << "06-audiveris-continuation-custom-appender.properties"
        << "log4j.appender.FILE.layout.ConversionPattern"
        << "[slf5s.start]%d{DATE}[slf5s.DATE]%n%p[slf5s.PRIORITY]%n%x[slf5s.NDC]%n%t[slf5s.THREAD]%n"
           "%c[slf5s.CATEGORY]%n%l[slf5s.LOCATION]%n%m[slf5s.MESSAGE]%n%n";
    QTest::newRow("rundeck-lower-case-level") << "07-rundeck-mdc-lowercase-keys.properties"
                                              << "log4j.logger.com.dtolabs.rundeck.core.authorization"
                                              << "info, audit";
    QTest::newRow("activemq-truncation") << "08-activemq-lowercase-truncation.properties"
                                         << "log4j.appender.stdout.layout.ConversionPattern"
                                         << "%-5p %-30.30c{1} - %m%n";
    QTest::newRow("activiti-backslashes-dropped") << "09-activiti-fileappender-windows-path.properties"
                                                  << "log4j.appender.LOGFILE.File"
                                                  << "D:code_demoactiviti01activiti.log";
    QTest::newRow("activiti-newline-escape") << "09-activiti-fileappender-windows-path.properties"
                                             << "log4j.appender.CONSOLE.layout.ConversionPattern"
                                             << "%d{ISO8601} %-6r[%15.15t] %-5p %30.30c %x - %m\n";
    QTest::newRow("xjavafx-spaced-separator") << "10-xjavafxtool-encoding-immediateflush.properties"
                                              << "log4j.appender.info.File"
                                              << "logs/info/info.log";
    QTest::newRow("xjavafx-escaped-colons") << "10-xjavafxtool-encoding-immediateflush.properties"
                                            << "log4j.appender.err.layout.ConversionPattern"
                                            << "%-d{yyyy-MM-dd HH:mm:ss} --> %m%n---------------------->  at %l %n %n";
    QTest::newRow("xjavafx-root-blanks") << "10-xjavafxtool-encoding-immediateflush.properties"
                                         << "log4j.rootLogger"
                                         << "debug,info,err";
    QTest::newRow("basessm-crlf-trailing-blank") << "11-basessm-trailing-blank-classnames.properties"
                                                 << "log4j.appender.CONSOLE"
                                                 << "org.apache.log4j.ConsoleAppender ";
    QTest::newRow("smsmonitor-week") << "12-smsmonitor-weekly-dailyrolling.properties"
                                     << "log4j.appender.file.DatePattern"
                                     << "'.'yyyy-ww";
    QTest::newRow("pig-pattern") << "13-pig-console-minimal.properties"
                                 << "log4j.appender.A.layout.ConversionPattern"
                                 << "%-4r [%t] %-5p %c %x - %m%n";
    QTest::newRow("flink-append") << "14-flink-cli-rolling-append-false.properties"
                                  << "log4j.appender.file.append"
                                  << "false";
    QTest::newRow("dspace-level-variable") << "15-dspace-custom-appender-bad-level.properties"
                                           << "log4j.rootCategory"
                                           << "${loglevel.other}, A1";
}

void tst_Corpus::expectedValues()
{
    QFETCH(QString, file);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QCOMPARE(loadCorpusFile(file).property(key), value);
}

void tst_Corpus::hadoopSubstitution()
{
    const Properties properties = loadCorpusFile(QStringLiteral("03-hadoop-substitution-audit.properties"));
    QCOMPARE(OptionConverter::substituteVariables(properties, QStringLiteral("log4j.rootLogger")),
        QStringLiteral("INFO,console, EventCounter"));
    QCOMPARE(OptionConverter::substituteVariables(properties, QStringLiteral("log4j.appender.RFA.File")),
        QStringLiteral("./hadoop.log"));
    bool ok = false;
    const QString size
        = OptionConverter::substituteVariables(properties, QStringLiteral("log4j.appender.RFA.MaxFileSize"));
    QCOMPARE(OptionConverter::toFileSize(size, &ok), qint64(256) * 1024 * 1024);
    QVERIFY(ok);
}

void tst_Corpus::cleanup()
{
    LogManager::resetConfiguration();
    LogManager::loggerRepository()->setThreshold(Level(Level::NULL_INT));
}

void tst_Corpus::everyFileConfigures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("outcome");
    // Filters given by key, custom appender classes and a misspelt level
    // give exactly their errors; everything else in the file is configured.
    QTest::newRow("01-zookeeper-console-rolling-trace")
        << QStringLiteral("01-zookeeper-console-rolling-trace.properties") << true
        << QStringLiteral("root: DEBUG [CONSOLE]\n"
                          "CONSOLE: ConsoleAppender active threshold=INFO target=STDOUT_TARGET layout=PatternLayout "
                          "'%-5p - [%t:%C{1}@%L] - %m%n'");

    QTest::newRow("02-spark-rootcategory-filter")
        << QStringLiteral("02-spark-rootcategory-filter.properties") << false
        << QStringLiteral(
               "root: INFO [console]\n"
               "org::apache::hadoop::hive::metastore::RetryingHMSHandler: FATAL []\n"
               "org::apache::hadoop::hive::ql::exec::FunctionRegistry: ERROR []\n"
               "org::apache::parquet: ERROR []\n"
               "org::apache::spark::repl::Main: WARN []\n"
               "org::apache::spark::repl::SparkILoop$SparkILoopInterpreter: INFO []\n"
               "org::apache::spark::repl::SparkIMain$exprTyper: INFO []\n"
               "org::apache::spark::sql::hive::thriftserver::SparkSQLCLIDriver: WARN []\n"
               "org::sparkproject::jetty: WARN []\n"
               "org::sparkproject::jetty::util::component::AbstractLifeCycle: ERROR []\n"
               "parquet: ERROR []\n"
               "console: ConsoleAppender active target=STDERR_TARGET layout=PatternLayout '%d{yy/MM/dd HH:mm:ss} %p "
               "%c{1}: %m%n'\n"
               "error: Unable to set property value on object (LogEngine::Factory::CONFIGURATOR_PROPERTY_ERROR, 28): "
               "Property 'filter.1' does not exist in class 'LogEngine::ConsoleAppender' (LogEngine::Factory)\n"
               "error: Unable to set property value on object (LogEngine::Factory::CONFIGURATOR_PROPERTY_ERROR, 28): "
               "Property 'filter.1.AcceptOnMatch' does not exist in class 'LogEngine::ConsoleAppender' "
               "(LogEngine::Factory)\n"
               "error: Unable to set property value on object (LogEngine::Factory::CONFIGURATOR_PROPERTY_ERROR, 28): "
               "Property 'filter.1.StringToMatch' does not exist in class 'LogEngine::ConsoleAppender' "
               "(LogEngine::Factory)");

    QTest::newRow("03-hadoop-substitution-audit")
        << QStringLiteral("03-hadoop-substitution-audit.properties") << false
        << QStringLiteral(
               "threshold: ALL\n"
               "root: INFO [console]\n"
               "SecurityLogger: INFO [NullAppender]\n"
               "org::apache::hadoop::hdfs::server::namenode::FSNamesystem::audit: INFO non-additive [NullAppender]\n"
               "org::apache::hadoop::mapred::AuditLogger: INFO non-additive [NullAppender]\n"
               "org::apache::hadoop::mapred::JobInProgress$JobSummary: INFO non-additive [console]\n"
               "org::apache::hadoop::yarn::server::resourcemanager::RMAppManager$ApplicationSummary: INFO non-additive "
               "[console]\n"
               "org::jets3t::service::impl::rest::httpclient::RestS3Service: ERROR []\n"
               "NullAppender: NullAppender active\n"
               "console: ConsoleAppender active target=STDERR_TARGET layout=PatternLayout '%d{yy/MM/dd HH:mm:ss} %p "
               "%c{2}: %m%n'\n"
               "error: Unable to create appender of class 'org.apache.hadoop.log.metrics.EventCounter' namd "
               "'EventCounter' (LogEngine::PropertyConfigurator::CONFIGURATOR_UNKNOWN_APPENDER_CLASS_ERROR, 25)");

    QTest::newRow("04-kafka-hourly-additivity")
        << QStringLiteral("04-kafka-hourly-additivity.properties") << true
        << QStringLiteral(
               "root: INFO [stdout]\n"
               "kafka: INFO non-additive [kafkaAppender]\n"
               "kafka::authorizer::logger: WARN non-additive [authorizerAppender]\n"
               "kafka::controller: TRACE non-additive [controllerAppender]\n"
               "kafka::log::LogCleaner: INFO non-additive [cleanerAppender]\n"
               "kafka::network::RequestChannel$: WARN non-additive [requestAppender]\n"
               "kafka::request::logger: WARN non-additive [requestAppender]\n"
               "state::change::logger: TRACE non-additive [stateChangeAppender]\n"
               "authorizerAppender: DailyRollingFileAppender active file=/kafka-authorizer.log layout=PatternLayout "
               "'[%d] %p %m (%c)%n'\n"
               "cleanerAppender: DailyRollingFileAppender active file=/log-cleaner.log layout=PatternLayout '[%d] %p "
               "%m (%c)%n'\n"
               "controllerAppender: DailyRollingFileAppender active file=/controller.log layout=PatternLayout '[%d] %p "
               "%m (%c)%n'\n"
               "kafkaAppender: DailyRollingFileAppender active file=/server.log layout=PatternLayout '[%d] %p %m "
               "(%c)%n'\n"
               "requestAppender: DailyRollingFileAppender active file=/kafka-request.log layout=PatternLayout '[%d] %p "
               "%m (%c)%n'\n"
               "stateChangeAppender: DailyRollingFileAppender active file=/state-change.log layout=PatternLayout '[%d] "
               "%p %m (%c)%n'\n"
               "stdout: ConsoleAppender active target=STDOUT_TARGET layout=PatternLayout '[%d] %p %m (%c)%n'");

    QTest::newRow("05-cassandra-simplelayout")
        << QStringLiteral("05-cassandra-simplelayout.properties") << true
        << QStringLiteral("root: INFO [stdout, R]\n"
                          "R: RollingFileAppender active file=/var/log/cassandra/system.log layout=PatternLayout '%5p "
                          "[%t] %d{ISO8601} %F (line %L) %m%n'\n"
                          "stdout: ConsoleAppender active target=STDOUT_TARGET layout=SimpleLayout");

    QTest::newRow("06-audiveris-continuation-custom-appender")
        << QStringLiteral("06-audiveris-continuation-custom-appender.properties") << false
        << QStringLiteral(
               "threshold: DEBUG\n"
               "root: DEBUG [CONSOLE]\n"
               "omr: INFO []\n"
               "CONSOLE: ConsoleAppender active target=STDOUT_TARGET layout=PatternLayout '%-5p: %c{1} - %m%n'\n"
               "error: Unable to create appender of class 'omr.util.LogGuiAppender' namd 'GUI' "
               "(LogEngine::PropertyConfigurator::CONFIGURATOR_UNKNOWN_APPENDER_CLASS_ERROR, 25)");

    QTest::newRow("07-rundeck-mdc-lowercase-keys")
        << QStringLiteral("07-rundeck-mdc-lowercase-keys.properties") << true
        << QStringLiteral(
               "root: WARN [stdout, server-logger]\n"
               "com::dtolabs::rundeck::core::authorization: INFO non-additive [audit]\n"
               "com::dtolabs::rundeck::data::jobs::changes: INFO non-additive [jobchanges]\n"
               "com::dtolabs::rundeck::remoteservice::http::options: INFO non-additive [options]\n"
               "grails: INFO non-additive [stdout, server-logger]\n"
               "h2database: OFF []\n"
               "org::codehaus::groovy::grails: WARN non-additive [stdout, server-logger]\n"
               "org::codehaus::groovy::grails::beans::factory: WARN non-additive [stdout, server-logger]\n"
               "org::codehaus::groovy::grails::commons::spring: WARN non-additive [stdout, server-logger]\n"
               "org::rundeck::api::requests: INFO non-additive [apirequests]\n"
               "org::rundeck::execution::status: INFO non-additive [execevents]\n"
               "org::rundeck::storage::events: INFO non-additive [storage]\n"
               "org::rundeck::web::requests: INFO non-additive [access]\n"
               "access: DailyRollingFileAppender active file=/var/log/rundeck/rundeck.access.log append "
               "layout=PatternLayout '[%d{ISO8601}] \"%X{method} %X{uri}\" %X{remoteHost} %X{secure} %X{remoteUser} "
               "%X{authToken} %X{duration} %X{project} [%X{contentType}] (%X{userAgent})%n'\n"
               "apirequests: DailyRollingFileAppender active file=/var/log/rundeck/rundeck.api.log append "
               "layout=PatternLayout '[%d{ISO8601}] %X{remoteHost} %X{secure} %X{remoteUser} %X{authToken} "
               "%X{duration} %X{project} \"%X{method} %X{uri}\" (%X{userAgent})%n'\n"
               "audit: DailyRollingFileAppender active file=/var/log/rundeck/rundeck.audit.log append "
               "layout=PatternLayout '%d{ISO8601} - %m%n'\n"
               "execevents: DailyRollingFileAppender active file=/var/log/rundeck/rundeck.executions.log append "
               "layout=PatternLayout '[%d{ISO8601}] %X{eventUser} %X{event} [%X{id}:%X{state}] %X{project} "
               "%X{user}/%X{abortedby} \"%X{groupPath}/%X{jobName}\"[%X{uuid}]%n'\n"
               "jobchanges: DailyRollingFileAppender active file=/var/log/rundeck/rundeck.jobs.log append "
               "layout=PatternLayout '[%d{ISO8601}] %X{user} %X{change} [%X{id}] %X{project} "
               "\"%X{groupPath}/%X{jobName}\" (%X{method})%n'\n"
               "options: DailyRollingFileAppender active file=/var/log/rundeck/rundeck.options.log append "
               "layout=PatternLayout '[%d{ISO8601}] %X{httpStatusCode} %X{contentLength}B %X{durationTime}ms "
               "%X{lastModifiedDateTime} [%X{jobName}] %X{url} %X{contentSHA1}%n'\n"
               "server-logger: DailyRollingFileAppender active file=/var/log/rundeck/rundeck.log append "
               "layout=PatternLayout '%d{ISO8601} [%t] %-5p %c - %m%n'\n"
               "stdout: ConsoleAppender active target=STDOUT_TARGET layout=PatternLayout '%-5p %c{1}: %m%n'\n"
               "storage: DailyRollingFileAppender active file=/var/log/rundeck/rundeck.storage.log append "
               "layout=PatternLayout '[%d{ISO8601}] %X{action} %X{type} %X{path} %X{status} %X{metadata}%n'");

    QTest::newRow("08-activemq-lowercase-truncation")
        << QStringLiteral("08-activemq-lowercase-truncation.properties") << true
        << QStringLiteral("root: INFO [stdout, out]\n"
                          "org::apache::activemq::spring: WARN []\n"
                          "org::apache::xbean::spring: WARN []\n"
                          "org::springframework: WARN []\n"
                          "out: RollingFileAppender active file=/data/activemq.log append layout=PatternLayout '%d "
                          "[%-15.15t] %-5p %-30.30c{1} - %m%n'\n"
                          "stdout: ConsoleAppender active threshold=INFO target=STDOUT_TARGET layout=PatternLayout "
                          "'%-5p %-30.30c{1} - %m%n'");

    QTest::newRow("09-activiti-fileappender-windows-path")
        << QStringLiteral("09-activiti-fileappender-windows-path.properties") << true
        << QStringLiteral("root: DEBUG [CONSOLE, LOGFILE]\n"
                          "org::apache::axis::enterprise: FATAL [CONSOLE]\n"
                          "CONSOLE: ConsoleAppender active target=STDOUT_TARGET layout=PatternLayout '%d{ISO8601} "
                          "%-6r[%15.15t] %-5p %30.30c %x - %m\n"
                          "'\n"
                          "LOGFILE: FileAppender active file=D:code_demoactiviti01activiti.log append "
                          "layout=PatternLayout '%d{ISO8601} %-6r[%15.15t] %-5p %30.30c %x - %m\n"
                          "'");

    QTest::newRow("10-xjavafxtool-encoding-immediateflush")
        << QStringLiteral("10-xjavafxtool-encoding-immediateflush.properties") << false
        << QStringLiteral(
               "root: DEBUG [info, err]\n"
               "err: DailyRollingFileAppender inactive threshold=ERROR file=logs/error/error.log append "
               "layout=PatternLayout '%-d{yyyy-MM-dd HH:mm:ss} --> %m%n---------------------->  at %l %n %n'\n"
               "info: DailyRollingFileAppender inactive threshold=DEBUG file=logs/info/info.log append "
               "layout=PatternLayout '%-d{yyyy-MM-dd HH:mm:ss} --> %m%n---------------------->  at %l %n %n'\n"
               "error: Activation of Appender 'err' that requires writer and has no writer set "
               "(LogEngine::DailyRollingFileAppender::APPENDER_ACTIVATE_MISSING_WRITER_ERROR, 2)\n"
               "error: Activation of Appender 'info' that requires writer and has no writer set "
               "(LogEngine::DailyRollingFileAppender::APPENDER_ACTIVATE_MISSING_WRITER_ERROR, 2)\n"
               "error: Cannot convert to type 'QTextCodec*' for property 'encoding' on object of class "
               "'LogEngine::DailyRollingFileAppender' (LogEngine::Factory::CONFIGURATOR_UNKNOWN_TYPE_ERROR, 29)\n"
               "error: Cannot convert to type 'QTextCodec*' for property 'encoding' on object of class "
               "'LogEngine::DailyRollingFileAppender' (LogEngine::Factory::CONFIGURATOR_UNKNOWN_TYPE_ERROR, 29)\n"
               "error: Unable to open file 'logs/error/error.log' for appender 'err' "
               "(LogEngine::DailyRollingFileAppender::APPENDER_OPENING_FILE_ERROR, 8): No such file or directory (5)\n"
               "error: Unable to open file 'logs/info/info.log' for appender 'info' "
               "(LogEngine::DailyRollingFileAppender::APPENDER_OPENING_FILE_ERROR, 8): No such file or directory (5)");

    QTest::newRow("11-basessm-trailing-blank-classnames")
        << QStringLiteral("11-basessm-trailing-blank-classnames.properties") << false
        << QStringLiteral(
               "root: INFO [CONSOLE, FILE]\n"
               "CONSOLE: ConsoleAppender active target=STDOUT_TARGET layout=PatternLayout '[%p][%d{yyyyMMdd "
               "HH:mm:ss}][%t] %m    [%l]%n'\n"
               "FILE: RollingFileAppender inactive file=E:/logs/base.log append layout=PatternLayout '[%p][%d{yyyyMMdd "
               "HH:mm:ss}][%t] %m    [%l]%n'\n"
               "error: Activation of Appender 'FILE' that requires writer and has no writer set "
               "(LogEngine::RollingFileAppender::APPENDER_ACTIVATE_MISSING_WRITER_ERROR, 2)\n"
               "error: Unable to open file 'E:/logs/base.log' for appender 'FILE' "
               "(LogEngine::RollingFileAppender::APPENDER_OPENING_FILE_ERROR, 8): No such file or directory (5)");

    QTest::newRow("12-smsmonitor-weekly-dailyrolling")
        << QStringLiteral("12-smsmonitor-weekly-dailyrolling.properties") << true
        << QStringLiteral("root: INFO [stdout, file]\n"
                          "file: DailyRollingFileAppender active file=/log/app.log layout=PatternLayout '%d{yyyy-MM-dd "
                          "HH:mm:ss} %-5p %c{1}:%L - %m%n'\n"
                          "stdout: ConsoleAppender active target=STDOUT_TARGET layout=PatternLayout '%d{yyyy-MM-dd "
                          "HH:mm:ss} %-5p %c{1}:%L - %m%n'");

    QTest::newRow("13-pig-console-minimal")
        << QStringLiteral("13-pig-console-minimal.properties") << true
        << QStringLiteral(
               "root: INFO [A]\n"
               "A: ConsoleAppender active target=STDOUT_TARGET layout=PatternLayout '%-4r [%t] %-5p %c %x - %m%n'");

    QTest::newRow("14-flink-cli-rolling-append-false")
        << QStringLiteral("14-flink-cli-rolling-append-false.properties") << false
        << QStringLiteral(
               "root: INFO [file]\n"
               "org::apache::flink::shaded::akka::org::jboss::netty::channel::DefaultChannelPipeline: ERROR [file]\n"
               "org::apache::flink::yarn: INFO [console]\n"
               "org::apache::flink::yarn::cli::FlinkYarnSessionCli: INFO [console]\n"
               "org::apache::hadoop: INFO [console]\n"
               "org::apache::hadoop::util::NativeCodeLoader: OFF []\n"
               "console: ConsoleAppender active target=STDOUT_TARGET layout=PatternLayout '%d{yyyy-MM-dd HH:mm:ss,SSS} "
               "%-5p %-60c %x - %m%n'\n"
               "file: RollingFileAppender inactive file= layout=PatternLayout '%d{yyyy-MM-dd HH:mm:ss,SSS} %-5p %-60c "
               "%x - %m%n'\n"
               "error: Activation of Appender 'file' that requires file and has no file set "
               "(LogEngine::RollingFileAppender::APPENDER_ACTIVATE_MISSING_FILE_ERROR, 3)");

    QTest::newRow("15-dspace-custom-appender-bad-level")
        << QStringLiteral("15-dspace-custom-appender-bad-level.properties") << false
        << QStringLiteral("root: DEBUG []\n"
                          "cocoon: INFO non-additive []\n"
                          "org::apache::axis::handlers::http::HTTPAuthHandler: INFO []\n"
                          "org::apache::cocoon: INFO non-additive []\n"
                          "org::apache::solr: ERROR non-additive []\n"
                          "org::dspace: NULL non-additive []\n"
                          "org::dspace::app: DEBUG []\n"
                          "org::dspace::checker: INFO non-additive []\n"
                          "org::dspace::kernel: ERROR []\n"
                          "org::dspace::providers: ERROR []\n"
                          "org::dspace::servicemanager: ERROR []\n"
                          "org::dspace::services: ERROR []\n"
                          "org::dspace::utils: ERROR []\n"
                          "org::springframework: INFO non-additive []\n"
                          "error: Invalid option string 'DEBU' for a level "
                          "(LogEngine::OptionConverter::CONFIGURATOR_INVALID_OPTION_ERROR, 23)\n"
                          "error: Unable to create appender of class 'org.dspace.app.util.DailyFileAppender' namd 'A1' "
                          "(LogEngine::PropertyConfigurator::CONFIGURATOR_UNKNOWN_APPENDER_CLASS_ERROR, 25)\n"
                          "error: Unable to create appender of class 'org.dspace.app.util.DailyFileAppender' namd 'A1' "
                          "(LogEngine::PropertyConfigurator::CONFIGURATOR_UNKNOWN_APPENDER_CLASS_ERROR, 25)\n"
                          "error: Unable to create appender of class 'org.dspace.app.util.DailyFileAppender' namd 'A2' "
                          "(LogEngine::PropertyConfigurator::CONFIGURATOR_UNKNOWN_APPENDER_CLASS_ERROR, 25)\n"
                          "error: Unable to create appender of class 'org.dspace.app.util.DailyFileAppender' namd 'A3' "
                          "(LogEngine::PropertyConfigurator::CONFIGURATOR_UNKNOWN_APPENDER_CLASS_ERROR, 25)\n"
                          "error: Unable to create appender of class 'org.dspace.app.util.DailyFileAppender' namd 'A3' "
                          "(LogEngine::PropertyConfigurator::CONFIGURATOR_UNKNOWN_APPENDER_CLASS_ERROR, 25)\n"
                          "error: Unable to create appender of class 'org.dspace.app.util.DailyFileAppender' namd 'A3' "
                          "(LogEngine::PropertyConfigurator::CONFIGURATOR_UNKNOWN_APPENDER_CLASS_ERROR, 25)\n"
                          "error: Unable to create appender of class 'org.dspace.app.util.DailyFileAppender' namd 'A4' "
                          "(LogEngine::PropertyConfigurator::CONFIGURATOR_UNKNOWN_APPENDER_CLASS_ERROR, 25)\n"
                          "error: Unable to create appender of class 'org.dspace.app.util.DailyFileAppender' namd 'A4' "
                          "(LogEngine::PropertyConfigurator::CONFIGURATOR_UNKNOWN_APPENDER_CLASS_ERROR, 25)");

    QCOMPARE(QDir(QStringLiteral(QORVLOG_CORPUS_DIR)).entryList({ QStringLiteral("*.properties") }).size(), 15);
}

// A copy of the corpus file whose absolute log file names (/var/log/...,
// or /server.log where a variable is undefined) lie under `root` instead,
// with the directories above the one the appender creates itself in place,
// as on a machine that has /var/log. The rest of the text is unchanged.
QString confinedCopy(const QString &name, const QString &root)
{
    QFile original(QStringLiteral(QORVLOG_CORPUS_DIR "/") + name);
    if (!original.open(QIODevice::ReadOnly))
        qFatal("corpus file missing: %s", qPrintable(name));
    QByteArray text = original.readAll();
    const Properties properties = loadCorpusFile(name);
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
    QDir().mkpath(root);
    const QString copy = root + QLatin1Char('/') + name;
    QFile confined(copy);
    if (!confined.open(QIODevice::WriteOnly) || confined.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(copy));
    return copy;
}

// Each file configures what the engine has, in a working directory of its
// own (where its file appenders write), and reports exactly the rest.
void tst_Corpus::everyFileConfigures()
{
    QFETCH(QString, file);
    QFETCH(bool, result);
    QFETCH(QString, outcome);
    QTemporaryDir work;
    const QString root = work.path() + QLatin1String("/root");
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work.path()));
    // The engine's own console output stays out of the test log.
    LogManager::internalLogger()->removeAllAppenders();
    LogManager::internalLogger()->setAdditivity(false);
    const QString copy = confinedCopy(file, root);
    const bool configured = PropertyConfigurator::configure(copy);
    const QString found = withQt5TypeNames(outcomeOf(loadCorpusFile(file)).replace(root, QString()));
    QDir::setCurrent(previous);
    QCOMPARE(found, outcome);
    QCOMPARE(configured, result);
}

QObject *newCorpusTest()
{
    return new tst_Corpus;
}

#include "tst_corpus.moc"
