#include "common/capturingappender.h"
#include "common/childprocess.h"
#include "common/testfiles.h"
#include "engine/logger.h"
#include "engine/loggerrepository.h"
#include "engine/logmanager.h"
#include "qorvlog_version.h"
#include "startupchild.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <sys/stat.h>

using namespace LogEngine;

namespace
{

// Prints how the default initialisation left the root logger, with the
// engine silenced first so that the exit adds nothing.
int printRootLogger()
{
    const Logger *root = LogManager::loggerRepository()->rootLogger();
    LogManager::internalLogger()->setLevel(Level::OFF_INT);
    const QString line = QLatin1String("root: ") + root->level().toString() + QLatin1Char(' ')
        + appenderNames(root).join(QLatin1Char(',')) + QLatin1Char('\n');
    std::fputs(line.toUtf8().constData(), stdout);
    return 0;
}

// A configuration whose root appender is named after its source.
void writeConfiguration(const QString &path, const QString &appender)
{
    const QByteArray name = appender.toLatin1();
    writeFile(path,
        name == "MISSING"
            ? QByteArray("log4j.rootLogger=WARN, MISSING\n")
            : "log4j.rootLogger=INFO, " + name + "\nlog4j.appender." + name + "=org.apache.log4j.varia.NullAppender\n");
}

} // namespace

// Child: the engine comes up after the application object exists, and the
// default initialisation runs as part of it.
int defaultInitScenario()
{
    setChildApplicationNames();
    LogManager::instance();
    return printRootLogger();
}

// In this child the engine comes up while the executable loads, before the
// application object exists, as it does when the library loads.
const bool s_defaultInitAtLoad = qgetenv("QORVLOG_CHILD") == "default-init-at-load" && LogManager::instance();

int defaultInitAtLoadScenario()
{
    if (!s_defaultInitAtLoad)
        return 2;
    setChildApplicationNames();
    return printRootLogger();
}

// The environment is read once, while the executable loads, so every case
// runs in a child with its own environment and application settings.
class tst_InitialisationHelper : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startUp_data();
    void startUp();
};

void tst_InitialisationHelper::startUp_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QStringList>("variables");
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");

    const QString atStart = QStringLiteral("default-init");
    const QString atLoad = QStringLiteral("default-init-at-load");
    const QStringList settingsGroup { QStringLiteral("Properties/log4j.rootLogger=INFO, SETTINGS"),
        QStringLiteral("Properties/log4j.appender.SETTINGS=org.apache.log4j.varia.NullAppender") };
    const QString named = QStringLiteral("named.properties=NAMED");
    const QString other = QStringLiteral("other.properties=OTHER");
    const QString defaultFile = QStringLiteral("logengine.properties=DEFAULT");
    const QStringList bothFiles { named, defaultFile };
    const QByteArray none;
    const QStringList no;
    const auto one = [](const char *entry) { return QStringList { QString::fromUtf8(entry) }; };
    const QByteArray byNamed("root: INFO NAMED\n");
    const QByteArray byDefault("root: INFO DEFAULT\n");
    const QByteArray unconfigured("root: DEBUG \n");

    // The sources in their order: override, named file, settings group, default file.
    QTest::newRow("no-source-leaves-it-unconfigured") << atStart << no << no << no << unconfigured << none;
    QTest::newRow("named-file-beats-settings-group")
        << atStart << one("LOGENGINE_CONFIGURATION=named.properties") << settingsGroup << bothFiles << byNamed << none;
    QTest::newRow("settings-group-beats-default-file")
        << atStart << no << settingsGroup << bothFiles << QByteArray("root: INFO SETTINGS\n") << none;
    QTest::newRow("missing-named-file-passed-over-silently")
        << atStart << one("LOGENGINE_CONFIGURATION=absent.properties") << no << bothFiles << byDefault << none;
    QTest::newRow("named-file-from-application-settings")
        << atStart << no << one("Configuration=named.properties") << bothFiles << byNamed << none;
    QTest::newRow("environment-beats-application-settings")
        << atStart << one("LOGENGINE_CONFIGURATION=other.properties") << one("Configuration=named.properties")
        << QStringList { named, other } << QByteArray("root: INFO OTHER\n") << none;
    QTest::newRow("variable-in-other-letter-case-not-recognised")
        << atStart
        << QStringList { QStringLiteral("logengine_configuration=named.properties"),
               QStringLiteral("LogEngine_Configuration=named.properties") }
        << no << bothFiles << byDefault << none;
    QTest::newRow("environment-value-trimmed")
        << atStart << one("LOGENGINE_CONFIGURATION=  named.properties\t") << no << bothFiles << byNamed << none;
    // Only the exact text "false" lets the default initialisation run.
    QTest::newRow("override-false-runs-it")
        << atStart << one("LOGENGINE_DEFAULTINITOVERRIDE=false") << no << bothFiles << byDefault << none;
    QTest::newRow("override-False-stops-it")
        << atStart << one("LOGENGINE_DEFAULTINITOVERRIDE=False") << no << bothFiles << unconfigured << none;
    // Set but empty in the environment still beats the application settings.
    QTest::newRow("override-empty-in-environment-stops-it")
        << atStart << one("LOGENGINE_DEFAULTINITOVERRIDE=") << one("DefaultInitOverride=false") << bothFiles
        << unconfigured << none;
    QTest::newRow("override-in-application-settings-stops-it")
        << atStart << no << one("DefaultInitOverride=true") << bothFiles << unconfigured << none;
    QTest::newRow("override-trimmed-in-application-settings-runs-it")
        << atStart << no << one("DefaultInitOverride= false ") << bothFiles << byDefault << none;
    // At library load there is no application object, so no application settings.
    QTest::newRow("at-load-settings-group-not-seen") << atLoad << no << settingsGroup << bothFiles << byDefault << none;
    // Errors of the run are shown, and start-up goes on.
    QTest::newRow("errors-of-the-run-reported")
        << atStart << no << no << one("logengine.properties=MISSING") << QByteArray("root: WARN \n")
        << QByteArray("T [] ERROR LogEngine::PropertyConfigurator - Missing appender definition for appender named "
                      "'MISSING' (LogEngine::PropertyConfigurator::CONFIGURATOR_MISSING_APPENDER_ERROR, 24)\r\n");

    // A named file that is no regular file, or is larger than any real
    // configuration, fails to open; it is never read (a device or a pipe
    // would never end) and the default file is not tried.
    const auto refused = [](const char *file, const char *reason) -> QByteArray {
        return QByteArray("T [] ERROR LogEngine::PropertyConfigurator - Unable to open property file '") + file
            + "' (LogEngine::PropertyConfigurator::CONFIGURATOR_OPENING_FILE_ERROR, 20): " + reason + " (5)\r\n";
    };
    QTest::newRow("named-device-refused")
        << atLoad << one("LOGENGINE_CONFIGURATION=/dev/zero") << no << QStringList { defaultFile } << unconfigured
        << refused("/dev/zero", "Not a regular file");
    QTest::newRow("named-pipe-refused") << atLoad << one("LOGENGINE_CONFIGURATION=pipe.properties") << no
                                        << one("pipe.properties=PIPE") << unconfigured
                                        << refused("pipe.properties", "Not a regular file");
    QTest::newRow("named-file-too-large-refused")
        << atStart << one("LOGENGINE_CONFIGURATION=huge.properties") << no << one("huge.properties=HUGE")
        << unconfigured << refused("huge.properties", "Larger than 16777216 bytes");

    // The start-up report, at each internal level.
    const QByteArray initialising(
        "T [] INFO  LogEngine::LogManager - Initialising LogEngine " QORVLOG_VERSION_STR "\r\n");
    const QByteArray leftUnconfigured(
        "T [] DEBUG LogEngine::LogManager - Default initialisation leaves package unconfigured\r\n");
    // The internal level from the environment, by default in a zone one
    // hour east; the start time is shown as DATE.
    const auto debugAt = [](const QString &level, const QString &zone = QStringLiteral("<+01>-1")) {
        return QStringList { QLatin1String("LOGENGINE_DEBUG=") + level, QLatin1String("TZ=") + zone };
    };
    const auto reportAt = [&](const QByteArray &level, const QByteArray &offset = "+01:00") -> QByteArray {
        return initialising + "T [] DEBUG LogEngine::LogManager - Program startup time is DATE (UTC" + offset
            + ")\r\nT [] DEBUG LogEngine::LogManager - Internal logging uses the level " + level + "\r\n";
    };
    const QByteArray traceSettings("T [] TRACE LogEngine::LogManager - Settings from the system environment:\r\n"
                                   "T [] TRACE LogEngine::LogManager -     Debug: 'TRACE'\r\n"
                                   "T [] TRACE LogEngine::LogManager - Settings from the application settings:\r\n");
    QTest::newRow("report-at-INFO-from-application-settings")
        << atStart << no << one("Debug=INFO") << no << initialising + unconfigured << none;
    // Text that is no level gives DEBUG; the conversion's reports reach
    // standard error, as the level is set once the appenders are attached.
    QTest::newRow("report-at-DEBUG-for-text-that-is-no-level")
        << atStart << debugAt(QStringLiteral("verbose")) << no << no
        << reportAt("DEBUG") + leftUnconfigured + unconfigured
        << QByteArray("T [] WARN  LogEngine::Level - Use of invalid level string 'VERBOSE'. Using 'Level::NULL_INT' "
                      "instead.\r\n"
                      "T [] ERROR LogEngine::OptionConverter - Invalid option string 'verbose' for a level "
                      "(LogEngine::OptionConverter::CONFIGURATOR_INVALID_OPTION_ERROR, 23)\r\n");
    QTest::newRow("time-five-and-a-half-hours-west")
        << atStart << debugAt(QStringLiteral("DEBUG"), QStringLiteral("<-0530>5:30")) << no << no
        << reportAt("DEBUG", "-05:30") + leftUnconfigured + unconfigured << none;
    QTest::newRow("time-in-utc") << atStart << debugAt(QStringLiteral("DEBUG"), QStringLiteral("UTC0")) << no << no
                                 << reportAt("DEBUG", "+00:00") + leftUnconfigured + unconfigured << none;
    QTest::newRow("time-twelve-and-three-quarter-hours-east")
        << atStart << debugAt(QStringLiteral("DEBUG"), QStringLiteral("<+1245>-12:45")) << no << no
        << reportAt("DEBUG", "+12:45") + leftUnconfigured + unconfigured << none;
    QTest::newRow("report-at-TRACE") << atStart << debugAt(QStringLiteral("TRACE"))
                                     << QStringList { QStringLiteral("Debug=ERROR"),
                                            QStringLiteral("Configuration=absent.properties"),
                                            QStringLiteral("Properties/log4j.threshold=ALL") }
                                     << no
                                     << reportAt("TRACE") + traceSettings
            + "T [] TRACE LogEngine::LogManager -     LogEngine:\r\n"
              "T [] TRACE LogEngine::LogManager -         Configuration: 'absent.properties'\r\n"
              "T [] TRACE LogEngine::LogManager -         Debug: 'ERROR'\r\n"
              "T [] TRACE LogEngine::LogManager -     LogEngine/Properties:\r\n"
              "T [] TRACE LogEngine::LogManager -         log4j.threshold: 'ALL'\r\n"
              "T [] DEBUG LogEngine::LogManager - Default initialisation configures from setting "
              "'LogEngine/Properties'\r\n"
              "T [] DEBUG LogEngine::PropertyConfigurator - Set threshold for LoggerRepository to ALL\r\n"
              "T [] DEBUG LogEngine::PropertyConfigurator - Could not find root logger information. Is this "
              "correct?\r\n"
            + unconfigured << none;
    QTest::newRow("report-at-TRACE-at-load") << atLoad << debugAt(QStringLiteral("TRACE")) << no << no
                                             << reportAt("TRACE") + traceSettings
            + "T [] TRACE LogEngine::LogManager -     QCoreApplication::instance() is not available\r\n"
            + leftUnconfigured + unconfigured << none;
    // The whole of one initialisation from a file, which runs once.
    QTest::newRow("debug-shows-the-source-and-the-run") << atStart << debugAt(QStringLiteral("DEBUG")) << no
                                                        << bothFiles
                                                        << reportAt("DEBUG")
            + "T [] DEBUG LogEngine::LogManager - Default initialisation configures from default file "
              "'logengine.properties'\r\n"
              "T [] DEBUG LogEngine::PropertyConfigurator - Parsing logger: key 'log4j.rootLogger', value "
              "'INFO, DEFAULT'\r\n"
              "T [] DEBUG LogEngine::PropertyConfigurator - Set level for logger 'root' to 'INFO'\r\n"
              "T [] DEBUG LogEngine::PropertyConfigurator - Parsing appender named 'DEFAULT'\r\n"
              "T [] DEBUG LogEngine::PropertyConfigurator - Setting properties for object of class "
              "'LogEngine::NullAppender' from keys starting with 'log4j.appender.DEFAULT.'\r\n"
              "root: INFO DEFAULT\n" << none;
}

void tst_InitialisationHelper::startUp()
{
    QFETCH(QString, scenario);
    QFETCH(QStringList, variables);
    QFETCH(QStringList, settings);
    QFETCH(QStringList, files);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QTemporaryDir configHome;
    QTemporaryDir work;
    for (const QString &setting : settings) {
        const int equals = setting.indexOf(QLatin1Char('='));
        writeChildSetting(configHome.path(), setting.left(equals), setting.mid(equals + 1));
    }
    for (const QString &file : files) {
        const int equals = file.indexOf(QLatin1Char('='));
        const QString path = work.filePath(file.left(equals));
        const QString content = file.mid(equals + 1);
        if (content == QLatin1String("PIPE")) {
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (content == QLatin1String("HUGE")) {
            writeConfiguration(path, QStringLiteral("HUGE"));
            QVERIFY(QFile::resize(path, 16 * 1024 * 1024 + 1));
        } else {
            writeConfiguration(path, content);
        }
    }
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    const ChildResult result = runChild(scenario, startUpEnvironment(configHome.path(), variables), work.path());
    const qint64 after = QDateTime::currentMSecsSinceEpoch();
    QCOMPARE(result.exitCode, 0);
    // The start time, where shown, is local time followed by the offset of
    // local time from UTC at that moment.
    static const QRegularExpression startTime(QStringLiteral("startup time is (\\S+) (\\S+) \\(UTC(\\S+)\\)"));
    QString text = QString::fromUtf8(maskTimeStamps(result.out));
    const QRegularExpressionMatch shown = startTime.match(text);
    if (shown.hasMatch()) {
        const qint64 printed = QDateTime::fromString(
            shown.captured(1) + QLatin1Char('T') + shown.captured(2) + shown.captured(3), Qt::ISODateWithMs)
                                   .toMSecsSinceEpoch();
        QVERIFY2(before <= printed && printed <= after, qPrintable(shown.captured(0)));
        text.replace(shown.capturedStart(1), shown.capturedEnd(2) - shown.capturedStart(1), QStringLiteral("DATE"));
    }
    QCOMPARE(text.toUtf8(), out);
    QCOMPARE(maskTimeStamps(result.err), err);
}

QObject *newInitialisationHelperTest()
{
    return new tst_InitialisationHelper;
}

#include "tst_initialisationhelper.moc"
