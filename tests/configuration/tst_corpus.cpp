#include "common/capturingappender.h"
#include "engine/configuration/optionconverter.h"
#include "engine/configuration/properties.h"

#include <QDir>
#include <QFile>
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

QObject *newCorpusTest()
{
    return new tst_Corpus;
}

#include "tst_corpus.moc"
