#include "common/capturingappender.h"
#include "common/testfiles.h"
#include "engine/appenders/fileappender.h"
#include "engine/appenders/listappender.h"
#include "engine/configuration/configuratorhelper.h"
#include "engine/configuration/properties.h"
#include "engine/configuration/propertyconfigurator.h"
#include "engine/hierarchy.h"
#include "engine/layouts/patternlayout.h"
#include "engine/loggerrepository.h"
#include "engine/logmanager.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>
#include <utility>

using namespace LogEngine;

class tst_PropertyConfigurator : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void messagesOfOneRun_data();
    void messagesOfOneRun();
    void unreadableFiles_data();
    void unreadableFiles();
    void sharedAppenderIsBuiltOnce();
    void appenderWithoutLayoutIsReportedPerReference();
    void loggerKeyReplacesAppenders();
    void filtersDeclaredInTheFileAct_data();
    void filtersDeclaredInTheFileAct();
    void appendKeyKeepsEarlierOutput();
    void resetInTheMiddleOfTheRunKeepsCapturing();
    void configuresFromSettingsGroup();
    void hostileInputEndsInErrors_data();
    void hostileInputEndsInErrors();
    void filesStayWholeAcrossRuns_data();
    void filesStayWholeAcrossRuns();
    void checkChangesNothingBeyondItsRepository();

private:
    bool configure(const QByteArray &text, QStringList *messages = nullptr);

    QScopedPointer<TestFolder> m_dir;
};

namespace
{

// The symbols of the stored errors of the last run, each once.
QSet<QString> errorSymbols()
{
    static const QRegularExpression symbol(QStringLiteral("::([A-Z_]+_ERROR), \\d+\\)"));
    QSet<QString> symbols;
    const QList<LoggingEvent> errors = ConfiguratorHelper::configurationErrors();
    for (const LoggingEvent &event : errors)
        symbols.insert(symbol.match(event.message()).captured(1));
    return symbols;
}

} // namespace

void tst_PropertyConfigurator::init()
{
    m_dir.reset(new TestFolder);
    // The engine's own console output stays out of the test log; the
    // capture list of each run still sees everything.
    Logger *internal = LogManager::internalLogger();
    internal->removeAllAppenders();
    internal->setAdditivity(false);
}

void tst_PropertyConfigurator::cleanup()
{
    LogManager::resetConfiguration();
    LogManager::loggerRepository()->setThreshold(Level(Level::NULL_INT));
    m_dir.reset();
}

bool tst_PropertyConfigurator::configure(const QByteArray &text, QStringList *messages)
{
    const QString path = m_dir->write(QStringLiteral("test.properties"), text);
    if (!messages)
        return PropertyConfigurator::configure(path);
    Capture capture;
    const bool result = PropertyConfigurator::configure(path);
    *messages = capture->lines();
    return result;
}

void tst_PropertyConfigurator::messagesOfOneRun_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("messages");

    const auto pc = [](const char *level, const QString &text) -> QString {
        return QLatin1String(level) + QLatin1String(" PropertyConfigurator: ") + text;
    };
    const auto debug = [&](const char *text) { return pc("DEBUG", QString::fromUtf8(text)); };
    const auto warn = [&](const char *text) { return pc("WARN", QString::fromUtf8(text)); };
    const auto error = [&](const char *text, const char *symbol, int code) {
        return pc("ERROR",
            QStringLiteral("%1 (LogEngine::PropertyConfigurator::%2, %3)")
                .arg(QString::fromUtf8(text), QLatin1String(symbol), QString::number(code)));
    };
    const auto parsingLayout = [&](const char *appender) {
        return pc("DEBUG",
            QStringLiteral("Parsing layout for appender named 'log4j.appender.%1'").arg(QLatin1String(appender)));
    };
    // Properties of an object from the keys below log4j.appender.
    const auto settingFrom = [&](const char *className, const char *keys) {
        return pc("DEBUG",
            QStringLiteral("Setting properties for object of class 'LogEngine::%1' from keys starting with "
                           "'log4j.appender.%2.'")
                .arg(QLatin1String(className), QLatin1String(keys)));
    };
    const auto invalidLevel = [](const char *text) {
        return QStringLiteral("WARN Level: Use of invalid level string '%1'. Using 'Level::NULL_INT' instead.")
            .arg(QLatin1String(text));
    };
    const auto invalidOption = [](const char *option, const char *what) {
        return QStringLiteral("ERROR OptionConverter: Invalid option string '%1' for %2 "
                              "(LogEngine::OptionConverter::CONFIGURATOR_INVALID_OPTION_ERROR, 23)")
            .arg(QLatin1String(option), QLatin1String(what));
    };
    const auto logger = [&](const char *key, const char *value) {
        return pc("DEBUG",
            QStringLiteral("Parsing logger: key '%1', value '%2'").arg(QLatin1String(key), QLatin1String(value)));
    };
    const auto root = [&](const char *value) { return logger("log4j.rootLogger", value); };
    const auto additivity = [&](const char *key, const char *value) {
        return pc("DEBUG",
            QStringLiteral("Parsing additivity for logger: key '%1', value '%2'")
                .arg(QLatin1String(key), QLatin1String(value)));
    };
    const QString noRoot = debug("Could not find root logger information. Is this correct?");
    const QString parsingX = debug("Parsing appender named 'X'");

    QTest::newRow("console-with-simple-layout")
        << QByteArray("log4j.rootLogger=INFO, A1\n"
                      "log4j.appender.A1=org.apache.log4j.ConsoleAppender\n"
                      "log4j.appender.A1.layout=org.apache.log4j.SimpleLayout\n")
        << true
        << QStringList { root("INFO, A1"), debug("Set level for logger 'root' to 'INFO'"),
               debug("Parsing appender named 'A1'"), parsingLayout("A1"), settingFrom("SimpleLayout", "A1.layout"),
               settingFrom("ConsoleAppender", "A1") };

    // Problems with one appender: reported, and the run goes on.
    QTest::newRow("appender-not-defined")
        << QByteArray("log4j.rootLogger=, X\n") << false
        << QStringList { root(", X"), parsingX,
               error("Missing appender definition for appender named 'X'", "CONFIGURATOR_MISSING_APPENDER_ERROR", 24) };
    QTest::newRow("appender-class-unknown")
        << QByteArray("log4j.rootLogger=, X\nlog4j.appender.X=com.example.Custom\n") << false
        << QStringList { root(", X"), parsingX,
               QStringLiteral("WARN Factory: Request for the creation of Appender with class 'com.example.Custom', "
                              "which is not registered"),
               error("Unable to create appender of class 'com.example.Custom' namd 'X'",
                   "CONFIGURATOR_UNKNOWN_APPENDER_CLASS_ERROR", 25) };
    QTest::newRow("layout-not-defined") << QByteArray(
        "log4j.rootLogger=, X\nlog4j.appender.X=org.apache.log4j.ConsoleAppender\n")
                                        << false
                                        << QStringList { root(", X"), parsingX, parsingLayout("X"),
                                               error("Missing layout definition for appender 'log4j.appender.X'",
                                                   "CONFIGURATOR_MISSING_LAYOUT_ERROR", 26) };
    QTest::newRow("layout-class-unknown")
        << QByteArray("log4j.rootLogger=, X\nlog4j.appender.X=org.apache.log4j.ConsoleAppender\n"
                      "log4j.appender.X.layout=org.apache.log4j.HTMLLayout\n")
        << false
        << QStringList { root(", X"), parsingX, parsingLayout("X"),
               QStringLiteral("WARN Factory: Request for the creation of Layout with class "
                              "'org.apache.log4j.HTMLLayout', which is not registered"),
               error("Unable to create layoput of class 'org.apache.log4j.HTMLLayout' requested by appender "
                     "'log4j.appender.X'",
                   "CONFIGURATOR_UNKNOWN_LAYOUT_CLASS_ERROR", 27) };
    QTest::newRow("layout-key-ignored-without-need")
        << QByteArray("log4j.rootLogger=, X\nlog4j.appender.X=org.apache.log4j.varia.NullAppender\n"
                      "log4j.appender.X.layout=no.such.Layout\n")
        << true << QStringList { root(", X"), parsingX, settingFrom("NullAppender", "X") };
    // Editors do not show the blank after a class name.
    QTest::newRow("class-names-trimmed") << QByteArray(
        "log4j.rootLogger=, X\nlog4j.appender.X=org.apache.log4j.ConsoleAppender \t\n"
        "log4j.appender.X.layout=org.apache.log4j.SimpleLayout \n")
                                         << true
                                         << QStringList { root(", X"), parsingX, parsingLayout("X"),
                                                settingFrom("SimpleLayout", "X.layout"),
                                                settingFrom("ConsoleAppender", "X") };
    // Keys in sorted order; a bad one leaves the appender in use.
    QTest::newRow("appender-property-problems")
        << QByteArray(
               "log4j.rootLogger=, X\nlog4j.appender.X=org.apache.log4j.varia.NullAppender\n"
               "log4j.appender.X.Threshold=loud\nlog4j.appender.X.filter.1=org.apache.log4j.varia.DenyAllFilter\n"
               "log4j.appender.X.Bogus=1\nlog4j.appender.X.=empty\n")
        << false
        << QStringList { root(", X"), parsingX, settingFrom("NullAppender", "X"),
               QStringLiteral("ERROR Factory: Unable to set property value on object "
                              "(LogEngine::Factory::CONFIGURATOR_PROPERTY_ERROR, 28): Property 'bogus' does not "
                              "exist in class 'LogEngine::NullAppender' (LogEngine::Factory)"),
               QStringLiteral("DEBUG Factory: Setting property 'threshold' on object of class "
                              "'LogEngine::NullAppender' to value 'loud'"),
               invalidLevel("LOUD"), invalidOption("loud", "a level"),
               debug("Parsing filter '1' for appender named 'log4j.appender.X'"),
               settingFrom("DenyAllFilter", "X.filter.1") };
    QTest::newRow("layout-keys-go-to-the-layout-only")
        << QByteArray("log4j.rootLogger=, X\nlog4j.appender.X=org.apache.log4j.ConsoleAppender\n"
                      "log4j.appender.X.layout=org.apache.log4j.PatternLayout\n"
                      "log4j.appender.X.layout.ConversionPattern=%p ${sep} %m%n\nsep=-\n")
        << true
        << QStringList { root(", X"), parsingX, parsingLayout("X"), settingFrom("PatternLayout", "X.layout"),
               QStringLiteral("DEBUG Factory: Setting property 'conversionPattern' on object of class "
                              "'LogEngine::PatternLayout' to value '%p - %m%n'"),
               settingFrom("ConsoleAppender", "X") };

    // The root logger's level and its older key.
    const QString rootNotNull = warn("The root logger level cannot be set to NULL.");
    QTest::newRow("root-INHERITED-refused")
        << QByteArray("log4j.rootLogger=inherited\n") << true << QStringList { root("inherited"), rootNotNull };
    QTest::newRow("root-NULL-refused") << QByteArray("log4j.rootLogger=NULL\n") << true
                                       << QStringList { root("NULL"), rootNotNull };
    QTest::newRow("bad-level-gives-DEBUG")
        << QByteArray("log4j.rootLogger=LOUD\n") << false
        << QStringList { root("LOUD"), invalidLevel("LOUD"), invalidOption("LOUD", "a level"),
               debug("Set level for logger 'root' to 'DEBUG'") };
    QTest::newRow("rootCategory-deprecated")
        << QByteArray("log4j.rootCategory=warn\n") << true
        << QStringList { warn("[log4j.rootCategory] is deprecated. Use [log4j.rootLogger] instead."),
               logger("log4j.rootCategory", "warn"), debug("Set level for logger 'root' to 'WARN'") };
    QTest::newRow("rootLogger-beats-rootCategory-silently")
        << QByteArray("log4j.rootCategory=WARN\nlog4j.rootLogger=ERROR\n") << true
        << QStringList { root("ERROR"), debug("Set level for logger 'root' to 'ERROR'") };
    QTest::newRow("no-root-key") << QByteArray("a=b\n") << true << QStringList { noRoot };

    // The global settings.
    QTest::newRow("configDebug-deprecated")
        << QByteArray("log4j.configDebug=TRACE\n") << true
        << QStringList { warn("[log4j.configDebug] is deprecated. Use [log4j.Debug] instead."),
               debug("Set level for LogEngine logging to TRACE"), noRoot };
    QTest::newRow("Debug-beats-configDebug-silently")
        << QByteArray("log4j.configDebug=TRACE\nlog4j.Debug=DEBUG\n") << true
        << QStringList { debug("Set level for LogEngine logging to DEBUG"), noRoot };
    // Taken as it stands, without the converter: a warning, no error.
    QTest::newRow("Debug-unknown-gives-DEBUG")
        << QByteArray("log4j.Debug=debug\n") << true
        << QStringList { invalidLevel("debug"), debug("Set level for LogEngine logging to DEBUG"), noRoot };
    QTest::newRow("Debug-OFF-hides-later-errors")
        << QByteArray("log4j.Debug=OFF\nlog4j.rootLogger=, X\n") << true << QStringList();
    QTest::newRow("threshold") << QByteArray("log4j.threshold= debug\n") << true
                               << QStringList { debug("Set threshold for LoggerRepository to DEBUG"), noRoot };
    // The threshold holds for the engine's own loggers too.
    QTest::newRow("threshold-WARN-silences-the-run")
        << QByteArray("log4j.threshold=WARN\nlog4j.rootLogger=INHERITED\n") << true << QStringList { rootNotNull };
    QTest::newRow("threshold-bad-gives-ALL") << QByteArray("log4j.threshold=loud\n") << false
                                             << QStringList { invalidLevel("LOUD"), invalidOption("loud", "a level"),
                                                    debug("Set threshold for LoggerRepository to ALL"), noRoot };
    QTest::newRow("handleQtMessages") << QByteArray("log4j.handleQtMessages=Enabled\n") << true
                                      << QStringList { debug("Set handling of Qt messages LoggerRepository to true"),
                                             noRoot };

    // Other loggers, by their log4j names.
    QTest::newRow("logger-level-only") << QByteArray("log4j.logger.a.b=INFO\n") << true
                                       << QStringList { noRoot, logger("log4j.logger.a.b", "INFO"),
                                              debug("Set level for logger 'a::b' to 'INFO'"),
                                              additivity("log4j.additivity.a.b", "") };
    QTest::newRow("category-form-with-additivity")
        << QByteArray("log4j.category.a.b=,\nlog4j.additivity.a.b=false\n") << true
        << QStringList { noRoot, logger("log4j.category.a.b", ","), additivity("log4j.additivity.a.b", "false"),
               debug("Setting additivity for logger 'a::b' to 'false'") };
    QTest::newRow("additivity-bad-text-gives-true")
        << QByteArray("log4j.logger.a=,\nlog4j.additivity.a=maybe\n") << false
        << QStringList { noRoot, logger("log4j.logger.a", ","), additivity("log4j.additivity.a", "maybe"),
               invalidOption("maybe", "a boolean"), debug("Setting additivity for logger 'a' to 'maybe'") };
    QTest::newRow("logger-INHERITED") << QByteArray("log4j.logger.a=Inherited\n") << true
                                      << QStringList { noRoot, logger("log4j.logger.a", "Inherited"),
                                             debug("Set level for logger 'a' to 'NULL'"),
                                             additivity("log4j.additivity.a", "") };
    QTest::newRow("empty-logger-name-and-other-keys-ignored")
        << QByteArray("log4j.logger.=INFO\nlog4j.category.=INFO\nlog4j.com.example=INFO, X\n") << true
        << QStringList { noRoot };
}

void tst_PropertyConfigurator::messagesOfOneRun()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, result);
    QFETCH(QStringList, messages);
    QStringList found;
    QCOMPARE(configure(text, &found), result);
    QCOMPARE(found, messages);
    // The helper keeps exactly the run's errors.
    const QRegularExpression error(QStringLiteral("^ERROR \\w+: "));
    const QStringList errors = messages.filter(error).replaceInStrings(error, QString());
    QStringList stored;
    for (const LoggingEvent &event : ConfiguratorHelper::configurationErrors())
        stored.append(event.message());
    QCOMPARE(stored, errors);
}

void tst_PropertyConfigurator::unreadableFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("error");
    const auto opening = [](const char *file, const char *cause) {
        return QStringLiteral("Unable to open property file '%1' "
                              "(LogEngine::PropertyConfigurator::CONFIGURATOR_OPENING_FILE_ERROR, 20): %2 (5)")
            .arg(QLatin1String(file), QLatin1String(cause));
    };
    QTest::newRow("missing") << "@DIR@/absent.properties"
                             << opening("@DIR@/absent.properties", "No such file or directory");
    QTest::newRow("directory") << "@DIR@" << opening("@DIR@", "file to open is a directory");
    // Opens, but every read fails.
    QTest::newRow("read-fails") << "/proc/self/mem"
                                << "Unable to read property file '/proc/self/mem' "
                                   "(LogEngine::PropertyConfigurator::CONFIGURATOR_READING_FILE_ERROR, 21): "
                                   "Input/output error (1)";
}

void tst_PropertyConfigurator::unreadableFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, error);
    file.replace(QLatin1String("@DIR@"), m_dir->path());
    error.replace(QLatin1String("@DIR@"), m_dir->path());
    LogManager::loggerRepository()->rootLogger()->setLevel(Level::WARN_INT);
    Capture capture;
    QVERIFY(!PropertyConfigurator::configure(file));
    QCOMPARE(capture->lines(), QStringList { QLatin1String("ERROR PropertyConfigurator: ") + error });
    QCOMPARE(LogManager::loggerRepository()->rootLogger()->level().toInt(), int(Level::WARN_INT));
    QCOMPARE(ConfiguratorHelper::configurationErrors().size(), 1);
    QCOMPARE(ConfiguratorHelper::configurationErrors().first().level().toInt(), int(Level::ERROR_INT));
}

void tst_PropertyConfigurator::sharedAppenderIsBuiltOnce()
{
    QStringList messages;
    QVERIFY(configure("log4j.rootLogger=INFO, A\nlog4j.logger.x=INFO, A\nlog4j.logger.y=, A\n"
                      "log4j.appender.A=org.apache.log4j.varia.ListAppender\n",
        &messages));
    const Appender *shared = LogManager::loggerRepository()->rootLogger()->appender(QStringLiteral("A"));
    QVERIFY(shared);
    for (const char *name : { "x", "y" })
        QCOMPARE(appenderNames(LogManager::logger(QLatin1String(name))), QStringList { QStringLiteral("A") });
    QCOMPARE(messages.count(QStringLiteral("DEBUG PropertyConfigurator: Appender 'A' was already parsed.")), 2);
    // The run lets go of it; the three loggers hold it, and nothing else.
    QCOMPARE(shared->referenceCount(), 3);
}

void tst_PropertyConfigurator::appenderWithoutLayoutIsReportedPerReference()
{
    QVERIFY(!configure("log4j.rootLogger=INFO, A\nlog4j.logger.x=INFO, A\n"
                       "log4j.appender.A=org.apache.log4j.ConsoleAppender\n"));
    QCOMPARE(ConfiguratorHelper::configurationErrors().size(), 2);
    QVERIFY(LogManager::loggerRepository()->rootLogger()->appenders().isEmpty());
    QVERIFY(LogManager::logger(QStringLiteral("x"))->appenders().isEmpty());
}

// Naming a logger replaces its appenders; its level only when one is given.
void tst_PropertyConfigurator::loggerKeyReplacesAppenders()
{
    Logger *root = LogManager::loggerRepository()->rootLogger();
    Logger *x = LogManager::logger(QStringLiteral("x"));
    root->setLevel(Level::WARN_INT);
    x->setLevel(Level::ERROR_INT);
    LogObjectPtr<ListAppender> earlier(new ListAppender);
    earlier->setName(QStringLiteral("earlier"));
    root->addAppender(earlier);
    x->addAppender(earlier);
    QVERIFY(configure("log4j.rootLogger=, A\nlog4j.logger.x=DEBUG\n"
                      "log4j.appender.A=LogEngine::NullAppender\n"));
    QCOMPARE(root->level().toInt(), int(Level::WARN_INT));
    QCOMPARE(appenderNames(root), QStringList { QStringLiteral("A") });
    QVERIFY(qobject_cast<AppenderSkeleton *>(root->appenders().first())->isActive());
    QCOMPARE(x->level().toInt(), int(Level::DEBUG_INT));
    QCOMPARE(appenderNames(x), QStringList());
    QCOMPARE(earlier->referenceCount(), 1);
}

void tst_PropertyConfigurator::filtersDeclaredInTheFileAct_data()
{
    QTest::addColumn<QByteArray>("filters"); // keys below log4j.appender.L.filter.
    QTest::addColumn<QString>("passed"); // of the events DEBUG d, INFO i, WARN w secret, ERROR e, FATAL f
    QTest::addColumn<QStringList>("errors"); // their symbols
    QTest::newRow("level-range") << QByteArray("1=org.apache.log4j.varia.LevelRangeFilter\n1.LevelMin=WARN\n"
                                               "1.LevelMax=ERROR\n1.AcceptOnMatch=true\n")
                                 << "we" << QStringList();
    QTest::newRow("engine-class-name") << QByteArray("x=LogEngine::DenyAllFilter\n") << "" << QStringList();
    // "10" sorts before "9", as the keys do: the deny-all filter asks first.
    QTest::newRow("ids-in-key-order") << QByteArray("9=org.apache.log4j.varia.LevelMatchFilter\n9.LevelToMatch=INFO\n"
                                                    "10=org.apache.log4j.varia.DenyAllFilter\n")
                                      << "" << QStringList();
    // A filter that cannot be made is reported; the others still act.
    QTest::newRow("unknown-class-skipped") << QByteArray(
        "1=org.apache.log4j.varia.ExpressionFilter\n2=org.apache.log4j.varia.LevelRangeFilter\n"
        "2.LevelMin=ERROR\n") << "ef" << QStringList { QStringLiteral("CONFIGURATOR_UNKNOWN_FILTER_CLASS_ERROR") };
    // Keys that set no filter of the chain.
    QTest::newRow("no-id-or-no-class") << QByteArray("=org.apache.log4j.varia.DenyAllFilter\n3.LevelMin=FATAL\n")
                                       << "diwef" << QStringList();
}

void tst_PropertyConfigurator::filtersDeclaredInTheFileAct()
{
    QFETCH(QByteArray, filters);
    QFETCH(QString, passed);
    QFETCH(QStringList, errors);
    QByteArray text = "log4j.rootLogger=ALL, L\nlog4j.appender.L=org.apache.log4j.varia.ListAppender\n";
    for (const QByteArray &line : filters.split('\n')) {
        if (!line.isEmpty())
            text += "log4j.appender.L.filter." + line + '\n';
    }
    QCOMPARE(configure(text), errors.isEmpty());
    QCOMPARE(ConfiguratorHelper::configurationErrors().size(), errors.size());
    QCOMPARE(errorSymbols(), QSet<QString>(errors.cbegin(), errors.cend()));
    Logger *root = LogManager::loggerRepository()->rootLogger();
    root->debug("d");
    root->info("i");
    root->warn("w secret");
    root->error("e");
    root->fatal("f");
    QString found;
    for (const LoggingEvent &event : qobject_cast<ListAppender *>(root->appenders().first())->list())
        found += event.message().at(0);
    QCOMPARE(found, passed);
}

// Real files say "Append=true" to keep the log of earlier runs: the key is
// set before the file is opened.
void tst_PropertyConfigurator::appendKeyKeepsEarlierOutput()
{
    const QString log = m_dir->write(QStringLiteral("app.log"), "old\r\n");
    QVERIFY(configure("log4j.logger.app=INFO, F\nlog4j.appender.F=org.apache.log4j.FileAppender\n"
                      "log4j.appender.F.File=@DIR@/app.log\nlog4j.appender.F.Append=true\n"
                      "log4j.appender.F.layout=org.apache.log4j.PatternLayout\n"
                      "log4j.appender.F.layout.ConversionPattern=%m%n\n"));
    LogManager::logger(QStringLiteral("app"))->info("new");
    LogManager::logger(QStringLiteral("app"))->removeAllAppenders();
    QCOMPARE(readFile(log), QByteArray("old\r\nnew\r\n"));
}

// The key resets the configuration (what a reset does, the engine's tests
// show); the run's own capture list survives it and goes on collecting the
// errors after it.
void tst_PropertyConfigurator::resetInTheMiddleOfTheRunKeepsCapturing()
{
    Logger *other = LogManager::logger(QStringLiteral("other"));
    LogObjectPtr<ListAppender> earlier(new ListAppender);
    other->addAppender(earlier);
    QVERIFY(!configure("log4j.reset=true\nlog4j.rootLogger=INFO, MISSING\n"));
    QVERIFY(other->appenders().isEmpty());
    QCOMPARE(ConfiguratorHelper::configurationErrors().size(), 1);
    QCOMPARE(errorSymbols(), QSet<QString> { QStringLiteral("CONFIGURATOR_MISSING_APPENDER_ERROR") });
}

void tst_PropertyConfigurator::configuresFromSettingsGroup()
{
    QSettings settings(m_dir->filePath(QStringLiteral("app.conf")), QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("LogEngine"));
    settings.beginGroup(QStringLiteral("Properties"));
    settings.setValue(QStringLiteral("log4j.rootLogger"), QStringLiteral("ERROR, S"));
    settings.setValue(QStringLiteral("log4j.appender.S"), QStringLiteral("org.apache.log4j.varia.NullAppender"));
    settings.setValue(QStringLiteral("log4j.appender.S.Threshold"), QStringLiteral("FATAL"));
    settings.endGroup();
    // Only the keys of the current group count.
    settings.setValue(QStringLiteral("log4j.threshold"), QStringLiteral("OFF"));
    settings.beginGroup(QStringLiteral("Properties"));

    QVERIFY(PropertyConfigurator::configure(settings));
    const Logger *root = LogManager::loggerRepository()->rootLogger();
    QCOMPARE(root->level().toInt(), int(Level::ERROR_INT));
    QCOMPARE(appenderNames(root), QStringList { QStringLiteral("S") });
    QCOMPARE(qobject_cast<AppenderSkeleton *>(root->appenders().first())->threshold().toInt(), int(Level::FATAL_INT));
    QCOMPARE(LogManager::loggerRepository()->threshold().toInt(), int(Level::NULL_INT));
}

void tst_PropertyConfigurator::hostileInputEndsInErrors_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("mustReport");
    QTest::addColumn<QStringList>("symbols");
    QTest::addColumn<QString>("rootAppenders");

    const QStringList substitution { QStringLiteral("CONFIGURATOR_INVALID_SUBSTITUTION_ERROR") };
    const QByteArray nullAppender("log4j.appender.A=org.apache.log4j.varia.NullAppender\n");

    // References that double their text at each of sixty levels must be cut
    // off and reported (a circle of references: see the converter's tests).
    const QByteArray patternOf(
        "log4j.rootLogger=INFO, A\nlog4j.appender.A=org.apache.log4j.varia.DebugAppender\n"
        "log4j.appender.A.Threshold=OFF\nlog4j.appender.A.layout=org.apache.log4j.PatternLayout\n"
        "log4j.appender.A.layout.ConversionPattern=");
    QByteArray doubling = patternOf + "${r0}\n";
    for (int i = 0; i < 60; ++i)
        doubling += "r" + QByteArray::number(i) + "=${r" + QByteArray::number(i + 1) + "}${r"
            + QByteArray::number(i + 1) + "}\n";
    doubling += "r60=x\n";
    QTest::newRow("doubling-references") << doubling << true << substitution << "A";
    // A long chain either resolves or is cut off with the same error.
    QByteArray chain = patternOf + "${c0}\n";
    for (int i = 0; i < 10000; ++i)
        chain += "c" + QByteArray::number(i) + "=${c" + QByteArray::number(i + 1) + "}\n";
    chain += "c10000=x\n";
    QTest::newRow("chain-of-ten-thousand") << chain << false << substitution << "A";
    // A budget for the whole run: a hundred values of 18 KB each stay below
    // the ceiling of one value, but not below that of the run.
    QByteArray manyValues
        = "log4j.rootLogger=INFO, A\n" + nullAppender + "v=INFO" + QByteArray(", A").repeated(6000) + '\n';
    for (int i = 0; i < 100; ++i)
        manyValues += "log4j.logger.l" + QByteArray::number(i) + "=${v}\n";
    QTest::newRow("values-beyond-the-budget-of-the-run") << manyValues << true << substitution << "A";
    QTest::newRow("braces-nested-in-one-value")
        << patternOf + QByteArray(100000, '$').replace("$", "${") + "x" + QByteArray(100000, '}') + '\n'
        << false << substitution << "A";

    // Huge values.
    QByteArray names;
    for (int i = 0; i < 100000; ++i)
        names += ", A";
    QTest::newRow("one-appender-named-a-hundred-thousand-times")
        << QByteArray("log4j.rootLogger=INFO") + names + '\n' + nullAppender << false << QStringList() << "A";
    QTest::newRow("eight-megabyte-pattern") << patternOf + QByteArray(8 << 20, 'p') + '\n'
                                            << false << QStringList() << "A";

    // Binary garbage, alone and in the places that matter.
    QRandomGenerator random(12);
    QByteArray garbage(1 << 20, Qt::Uninitialized);
    for (char &c : garbage)
        c = char(random.bounded(256));
    QTest::newRow("a-megabyte-of-garbage") << garbage << false << QStringList() << "";
    QByteArray garbageLine
        = garbage.left(4096).replace('\n', ' ').replace('\r', ' ').replace(',', ' ').replace('\\', ' ').replace(
            '$', ' ');
    QTest::newRow("garbage-as-level-and-appender-name")
        << QByteArray("log4j.rootLogger=") + garbageLine + ", " + garbageLine + '\n'
        << true
        << QStringList { QStringLiteral("CONFIGURATOR_INVALID_OPTION_ERROR"),
               QStringLiteral("CONFIGURATOR_MISSING_APPENDER_ERROR") }
        << "";
    QTest::newRow("garbage-as-class-names")
        << QByteArray("log4j.rootLogger=INFO, A, B\nlog4j.appender.A=") + garbageLine
            + "\nlog4j.appender.B=" + "org.apache.log4j.ConsoleAppender\nlog4j.appender.B.layout=" + garbageLine + '\n'
        << true
        << QStringList { QStringLiteral("CONFIGURATOR_UNKNOWN_APPENDER_CLASS_ERROR"),
               QStringLiteral("CONFIGURATOR_UNKNOWN_LAYOUT_CLASS_ERROR") }
        << "";
}

// Outside text never crashes or hangs a run: it ends in the errors of the
// run, and whatever is sound in it is configured.
void tst_PropertyConfigurator::hostileInputEndsInErrors()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, mustReport);
    QFETCH(QStringList, symbols);
    QFETCH(QString, rootAppenders);
    const bool result = configure(text);
    const QSet<QString> found = errorSymbols();
    if (mustReport) {
        QCOMPARE(found, QSet<QString>(symbols.cbegin(), symbols.cend()));
        QVERIFY(!result);
    } else {
        QVERIFY2(found.isEmpty() || found == QSet<QString>(symbols.cbegin(), symbols.cend()),
            qPrintable(QStringList(found.values()).join(QLatin1Char(' '))));
        QCOMPARE(result, found.isEmpty());
    }
    QCOMPARE(appenderNames(LogManager::loggerRepository()->rootLogger()).join(QLatin1Char(',')), rootAppenders);
}

void tst_PropertyConfigurator::filesStayWholeAcrossRuns_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("runs");
    QTest::addColumn<bool>("logWhileRunning");
    QTest::addColumn<QByteArray>("expected");

    // One appender on two loggers: a later run replaces it on both, and the
    // earlier one, which has written on, is closed (and its footer written)
    // before its successor empties the file. Empty expected: every line
    // whole and no zero byte is all that can be asked.
    const QByteArray file = "log4j.appender.F=org.apache.log4j.FileAppender\nlog4j.appender.F.File=@DIR@/app.log\n"
                            "log4j.appender.F.layout=org.apache.log4j.PatternLayout\n"
                            "log4j.appender.F.layout.ConversionPattern=%m%n\nlog4j.appender.F.layout.Footer=end\n";
    const QByteArray shared = "log4j.rootLogger=INFO, F\nlog4j.logger.x=INFO, F\nlog4j.additivity.x=false\n" + file;
    QByteArray lastRun;
    for (int i = 0; i < 30; ++i)
        lastRun += "line " + QByteArray::number(i) + "\r\n";
    QTest::newRow("applied-twice-idle") << shared << 2 << false << lastRun + "end\r\n";
    QTest::newRow("applied-again-and-again-while-a-thread-logs") << shared << 20 << true << QByteArray();
    // The same behind an asynchronous appender: the earlier one delivers
    // what it holds before its file appender is closed.
    const QByteArray async = "log4j.rootLogger=INFO, A\nlog4j.logger.x=INFO, A\nlog4j.additivity.x=false\n"
                             "log4j.appender.A=org.apache.log4j.AsyncAppender\nlog4j.appender.A.BufferSize=8\n"
                             "log4j.appender.A.appenders=F\n"
        + file;
    QTest::newRow("asynchronous-applied-twice-idle") << async << 2 << false << lastRun + "end\r\n";
    QTest::newRow("asynchronous-applied-again-and-again-while-a-thread-logs") << async << 20 << true << QByteArray();
    // Two appenders on one file each write every line, whole.
    QByteArray twice;
    for (int i = 0; i < 30; ++i)
        twice += "line " + QByteArray::number(i) + "\r\nline " + QByteArray::number(i) + "\r\n";
    QTest::newRow("two-appenders-one-file")
        << QByteArray("log4j.logger.x=INFO, A, B\nlog4j.appender.A=org.apache.log4j.FileAppender\n"
                      "log4j.appender.A.File=@DIR@/app.log\nlog4j.appender.A.layout=org.apache.log4j.PatternLayout\n"
                      "log4j.appender.A.layout.ConversionPattern=%m%n\nlog4j.appender.B=org.apache.log4j.FileAppender\n"
                      "log4j.appender.B.File=@DIR@/app.log\nlog4j.appender.B.layout=org.apache.log4j.PatternLayout\n"
                      "log4j.appender.B.layout.ConversionPattern=%m%n\n")
        << 1 << false << twice;
}

// Each run but the last is followed by a hundred lines, the last by thirty;
// with `logWhileRunning` a thread also logs throughout.
void tst_PropertyConfigurator::filesStayWholeAcrossRuns()
{
    QFETCH(QByteArray, text);
    QFETCH(int, runs);
    QFETCH(bool, logWhileRunning);
    QFETCH(QByteArray, expected);
    const QString path = m_dir->write(QStringLiteral("test.properties"), text);
    Logger *x = LogManager::logger(QStringLiteral("x"));
    std::atomic<bool> done { false };
    std::thread logging([&] {
        for (int i = 0; logWhileRunning && !done.load(); ++i)
            x->info("line %1 from the thread", i);
    });
    // Checked once the thread is joined: a check that returned with it
    // running would end the whole executable.
    QStringList errors;
    for (int run = 0; run < runs; ++run) {
        if (!PropertyConfigurator::configure(path)) {
            for (const LoggingEvent &event : ConfiguratorHelper::configurationErrors())
                errors.append(event.message());
        }
        for (int i = 0; i < (run + 1 < runs ? 100 : 30); ++i)
            x->info("line %1", i);
    }
    done.store(true);
    logging.join();
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
    LogManager::resetConfiguration();
    QFile file(m_dir->filePath(QStringLiteral("app.log")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QVERIFY2(!content.contains('\0'), "a hole of zero bytes");
    if (!expected.isEmpty())
        QCOMPARE(content, expected);
    const QRegularExpression whole(QStringLiteral("^(line \\d+( from the thread)?|end)\r$"));
    const QList<QByteArray> lines = content.split('\n');
    QVERIFY(lines.last().isEmpty());
    for (int i = 0; i + 1 < lines.size(); ++i)
        QVERIFY2(whole.match(QString::fromLatin1(lines.at(i))).hasMatch(), lines.at(i).constData());
}

// A check builds what a run builds, into a repository of its own, and
// leaves the process as it was: the switches, the loggers, the stored errors
// of the last run. (What it finds, and that it opens no file, the tool's
// tests show.)
void tst_PropertyConfigurator::checkChangesNothingBeyondItsRepository()
{
    QVERIFY(!configure("log4j.rootLogger=INFO, undefined\n"));
    const QList<LoggingEvent> stored = ConfiguratorHelper::configurationErrors();
    Logger *internal = LogManager::internalLogger();
    internal->setLevel(Level::WARN_INT);
    Logger *x = LogManager::logger(QStringLiteral("x"));
    x->setLevel(Level::ERROR_INT);
    const QString path = m_dir->write(QStringLiteral("test.properties"),
        "log4j.reset=true\nlog4j.Debug=TRACE\nlog4j.handleQtMessages=true\n"
        "log4j.threshold=WARN\nlog4j.rootLogger=INFO, F\nlog4j.logger.x=DEBUG, F\n"
        "log4j.appender.F=org.apache.log4j.FileAppender\n"
        "log4j.appender.F.File=@DIR@/sub/app.log\n"
        "log4j.appender.F.layout=org.apache.log4j.PatternLayout\n"
        "log4j.appender.F.Threshold=LOUD\n");
    // Never destroyed, as a repository's loggers are not.
    auto *repository = new Hierarchy;
    Properties properties;
    QCOMPARE(PropertyConfigurator::check(path, &properties, repository).size(), 2);
    QCOMPARE(repository->logger(QStringLiteral("x"))->level().toInt(), int(Level::DEBUG_INT));
    QCOMPARE(repository->threshold().toInt(), int(Level::WARN_INT));

    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("sub"))));
    QCOMPARE(internal->level().toInt(), int(Level::WARN_INT));
    QVERIFY(!LogManager::handleQtMessages());
    QCOMPARE(x->level().toInt(), int(Level::ERROR_INT));
    QVERIFY(x->appenders().isEmpty());
    QCOMPARE(LogManager::loggerRepository()->threshold().toInt(), int(Level::NULL_INT));
    QCOMPARE(ConfiguratorHelper::configurationErrors().size(), stored.size());
    QCOMPARE(ConfiguratorHelper::configurationErrors().first().message(), stored.first().message());
}

QObject *newPropertyConfiguratorTest()
{
    return new tst_PropertyConfigurator;
}

#include "tst_propertyconfigurator.moc"
