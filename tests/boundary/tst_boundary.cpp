// Built against the public headers and the shared library only (and the
// child-process harness, which needs nothing of the engine).
#include "common/childprocess.h"
#include "common/testfiles.h"

#include <qorvlogconfigurator.h>
#include <qorvlogger.h>
#include <qorvloglevel.h>
#include <qorvlogmanager.h>
#include <qorvlogmanagerregistry.h>
#include <qorvlogstatusbar.h>
#include <qorvlogwidget.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "removedrequests.h"

#include <iostream>

namespace
{

class ApplicationWidget : public QORVLogWidget
{
    Q_OBJECT

public:
    QStringList received;
    void addLogMessage(const QString &message, const QORVLogLevel &level) override
    {
        received.append(level.toString() + QLatin1Char(' ') + message);
    }
};

} // namespace

class tst_Boundary : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void watchedConfigurationIsApplied();
    void macrosPrintTheirLocation();
    void loggersFollowTheTree();
    void qtCategoriesBecomeLoggers();
    void freshApplication_data();
    void freshApplication();

private:
    // Applies `properties` in which FILE stands for a fresh file's name,
    // and gives that name.
    QString configureWithFile(const QByteArray &properties);

    QTemporaryDir m_dir;
    int m_files = 0;
};

// The changed file routes Qt's own warnings to a log file: they reach it only
// once the watch has applied the change.
void tst_Boundary::watchedConfigurationIsApplied()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("logs")));
    const QString configuration = dir.filePath(QStringLiteral("app.properties"));
    const QString log = dir.filePath(QStringLiteral("logs/qt.log"));
    writeFile(configuration, "log4j.handleQtMessages=true\nlog4j.logger.Qt=ERROR\n");
    QVERIFY(QORVLogConfigurator::configureAndWatch(configuration));
    qWarning("before");

    // The new file appender creates its file when the run activates it.
    QFileSystemWatcher logs({ dir.filePath(QStringLiteral("logs")) });
    QSignalSpy created(&logs, &QFileSystemWatcher::directoryChanged);
    writeFile(configuration,
        "log4j.handleQtMessages=true\nlog4j.logger.Qt=WARN, F\nlog4j.appender.F=org.apache.log4j.FileAppender\n"
        "log4j.appender.F.file="
            + QFile::encodeName(log) + "\nlog4j.appender.F.layout=org.apache.log4j.SimpleLayout\n");
    QVERIFY(created.wait(30000));
    qWarning("after");
    QORVLogConfigurator::stopWatching();
    writeFile(configuration, "log4j.handleQtMessages=false\nlog4j.logger.Qt=ERROR\n");
    QVERIFY(QORVLogConfigurator::configure(configuration));
    QCOMPARE(readFile(log), QByteArray("WARN - after\r\n"));
}

QString tst_Boundary::configureWithFile(const QByteArray &properties)
{
    const QString file = m_dir.filePath(QStringLiteral("front%1.log").arg(++m_files));
    QByteArray text = properties;
    text.replace("FILE", QFile::encodeName(file));
    const QString configuration = m_dir.filePath(QStringLiteral("front.properties"));
    writeFile(configuration, text);
    if (!QORVLogConfigurator::configure(configuration))
        return QString();
    return file;
}

void tst_Boundary::macrosPrintTheirLocation()
{
    const QString file = configureWithFile("log4j.logger.front\\:\\:location=INFO, L\n"
                                           "log4j.additivity.front\\:\\:location=false\n"
                                           "log4j.appender.L=org.apache.log4j.FileAppender\n"
                                           "log4j.appender.L.file=FILE\n"
                                           "log4j.appender.L.layout=org.apache.log4j.PatternLayout\n"
                                           "log4j.appender.L.layout.conversionPattern=%F|%L|%M|%C|%l|%m%n\n");
    QVERIFY(!file.isEmpty());
    const QORVLogger log("front::location");
    const QString text = QStringLiteral("text");
    // clang-format off
    const int line = __LINE__; QORVLOG_INFO(log, "%1 %2 %3 %4 %5", 1, text, "utf8 \xc3\xa4", 2.5, 'c');
    // clang-format on
    const QString where = QStringLiteral("tst_boundary.cpp|%1|macrosPrintTheirLocation|tst_Boundary|"
                                         "tst_Boundary::macrosPrintTheirLocation(tst_boundary.cpp:%1)|")
                              .arg(line);
    QCOMPARE(QString::fromUtf8(readFile(file)), where + QStringLiteral("1 text utf8 \u00e4 2.5 c\r\n"));
}

// A child of a configured logger takes its level, and it and a logger that
// nothing names reach the root logger's appenders. A request that its
// logger's level drops evaluates nothing but its handle, and requests below
// the active level of their file are removed.
void tst_Boundary::loggersFollowTheTree()
{
    const QString file = configureWithFile("log4j.rootLogger=INFO, R\n"
                                           "log4j.logger.front\\:\\:parent=ERROR\n"
                                           "log4j.logger.front\\:\\:removed=ALL\n"
                                           "log4j.appender.R=org.apache.log4j.FileAppender\n"
                                           "log4j.appender.R.file=FILE\n"
                                           "log4j.appender.R.layout=org.apache.log4j.PatternLayout\n"
                                           "log4j.appender.R.layout.conversionPattern=%c %p %m%n\n");
    QVERIFY(!file.isEmpty());
    int handles = 0;
    int evaluated = 0;
    const auto child = [&handles] {
        ++handles;
        return QORVLogger("front::parent::child");
    };
    QORVLOG_DEBUG(child(), "%1", ++evaluated);
    QORVLOG_WARN(child(), "dropped %1", ++evaluated);
    QCOMPARE(evaluated, 0);
    QORVLOG_ERROR(child(), "kept %1", ++evaluated);
    QCOMPARE(handles, 3);
    QORVLOG_INFO(QORVLogger("front::unnamed"), "reached");
    QORVLOG_INFO(QORVLogger(), "at the root");
    const QORVLogger removed("front::removed");
    QVERIFY(removed.isTraceEnabled());
    logAtEveryLevel(removed, evaluated);
    QCOMPARE(evaluated, 3);
    QVERIFY(!configureWithFile("log4j.rootLogger=INFO\n").isEmpty());
    QCOMPARE(readFile(file),
        QByteArray("front::parent::child ERROR kept 1\r\nfront::unnamed INFO reached\r\nroot INFO at the root\r\n"
                   "front::removed WARN warn 2\r\nfront::removed ERROR error 3\r\n"));

    // A handle answers what its logger lets through, also after a change.
    const QORVLogger handle("front::parent::child");
    QVERIFY(!handle.isWarnEnabled() && handle.isErrorEnabled());
    QVERIFY(!configureWithFile("log4j.logger.front\\:\\:parent=DEBUG\n").isEmpty());
    QVERIFY(!handle.isTraceEnabled() && handle.isDebugEnabled());
    QVERIFY(!configureWithFile("log4j.threshold=ERROR\n").isEmpty());
    QVERIFY(!handle.isWarnEnabled() && handle.isErrorEnabled());
    QVERIFY(!configureWithFile("log4j.threshold=ALL\n").isEmpty());
    QVERIFY(handle.isDebugEnabled());
}

Q_LOGGING_CATEGORY(tunedCategory, "front.tuned")
Q_LOGGING_CATEGORY(otherCategory, "front.other")

void tst_Boundary::qtCategoriesBecomeLoggers()
{
    const QString file = configureWithFile("log4j.handleQtMessages=true\n"
                                           "log4j.logger.Qt=WARN, Q\n"
                                           "log4j.logger.Qt.front.tuned=DEBUG\n"
                                           "log4j.appender.Q=org.apache.log4j.FileAppender\n"
                                           "log4j.appender.Q.file=FILE\n"
                                           "log4j.appender.Q.layout=org.apache.log4j.PatternLayout\n"
                                           "log4j.appender.Q.layout.conversionPattern=%c|%p|%F:%L|%M|%m%n\n");
    QVERIFY(!file.isEmpty());
    // Some distributions switch Qt's debug messages off by default.
    QLoggingCategory::setFilterRules(QStringLiteral("front.*.debug=true"));
    const int line = __LINE__;
    qCDebug(tunedCategory, "tuned");
    qCDebug(otherCategory, "dropped");
    qCWarning(otherCategory, "other");
    qWarning("default");
    QLoggingCategory::setFilterRules(QString());
    QVERIFY(!configureWithFile("log4j.handleQtMessages=false\nlog4j.logger.Qt=ERROR\n").isEmpty());
    QCOMPARE(QString::fromUtf8(readFile(file)),
        QStringLiteral("Qt::front::tuned|DEBUG|tst_boundary.cpp:%1|qtCategoriesBecomeLoggers|tuned\r\n"
                       "Qt::front::other|WARN|tst_boundary.cpp:%2|qtCategoriesBecomeLoggers|other\r\n"
                       "Qt|WARN|tst_boundary.cpp:%3|qtCategoriesBecomeLoggers|default\r\n")
            .arg(line + 1)
            .arg(line + 3)
            .arg(line + 4));
}

// Child of a fresh application, run before its application object exists:
// the manager that the library registered while it was loaded, in the
// registry the application reaches, with the root logger at INFO, and a
// message through it to a widget of the application's. Then, with nothing
// configured, events that reach no appender, through a handle and the manager.
int freshApplicationScenario(int argc, char *argv[])
{
    QORVLogManager *manager = QORVLogManager::instance();
    const QString name = manager->name();
    const bool registered = QORVLogManagerRegistry::instance()->getLogManager(QStringLiteral("LOGENGINE")) == manager;
    const QORVLogger root;
    QApplication app(argc, argv);
    ApplicationWidget widget;
    const QString logger = QStringLiteral("boundary");
    manager->addLogWidget(&widget, logger);
    manager->info(QStringLiteral("through the interface"), logger);
    manager->removeLogWidget(&widget, logger);
    std::cout << qPrintable(name) << '|' << registered << '|' << (root.isInfoEnabled() && !root.isDebugEnabled()) << '|'
              << qPrintable(widget.received.join(QLatin1Char(','))) << std::endl;

    QORVLOG_ERROR(QORVLogger("app"), "first");
    QORVLOG_WARN(QORVLogger("app::net"), "second");
    manager->error(QStringLiteral("third"), QStringLiteral("nowhere"));
    manager->error(QStringLiteral("fourth"), QStringLiteral("nowhere"));
    QORVLogConfigurator::configure(QStringLiteral("absent.properties"));
    return 0;
}

void tst_Boundary::freshApplication_data()
{
    QTest::addColumn<QString>("debug");
    QTest::addColumn<int>("managerWarnings");
    QTest::newRow("internal-logging-quiet") << QString() << 0;
    QTest::newRow("internal-warnings-shown") << QStringLiteral("WARN") << 1;
}

void tst_Boundary::freshApplication()
{
    QFETCH(QString, debug);
    QFETCH(int, managerWarnings);
    QTemporaryDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &name : environment.keys()) {
        if (name.startsWith(QLatin1String("LOGENGINE_")))
            environment.remove(name);
    }
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
    if (!debug.isEmpty())
        environment.insert(QStringLiteral("LOGENGINE_DEBUG"), debug);
    const ChildResult child = runChild(QStringLiteral("fresh-application"), environment, dir.path());
    QCOMPARE(child.exitCode, 0);
    QCOMPARE(child.out, QByteArray("LogEngine Log Manager|1|1|INFO through the interface\n"));
    const QByteArray &err = child.err;
    QCOMPARE(err.count("LOGENGINE_CONFIGURATION"), 1);
    QVERIFY2(err.contains("logengine.properties") && err.contains("LOGENGINE_DEBUG"), err.constData());
    QCOMPARE(err.count("Events of logger 'nowhere' go nowhere"), managerWarnings);
    QCOMPARE(err.count("go nowhere"), managerWarnings);
}

int main(int argc, char *argv[])
{
    // Its application object comes later than the shared main's would.
    if (qEnvironmentVariable("QORVLOG_CHILD") == QLatin1String("fresh-application"))
        return freshApplicationScenario(argc, argv);
    QApplication app(argc, argv);
    tst_Boundary test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_boundary.moc"
