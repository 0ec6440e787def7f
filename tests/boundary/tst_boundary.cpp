// Built against the public headers and the shared library only (and the
// child-process harness, which needs nothing of the engine).
#include "common/childprocess.h"
#include "common/testfiles.h"

#include <qorvlogconfigurator.h>
#include <qorvloglevel.h>
#include <qorvlogmanager.h>
#include <qorvlogmanagerregistry.h>
#include <qorvlogstatusbar.h>
#include <qorvlogwidget.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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

class ApplicationManager : public QORVLogManager
{
    Q_OBJECT

public:
    QString name() const override { return QStringLiteral("Application Manager"); }
};

} // namespace

class tst_Boundary : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void engineManagerIsThereAtLoad();
    void levelsConvert();
    void managerAndRegistryWork();
    void widgetsCanBeSubclassed();
    void watchedConfigurationIsApplied();
};

// Child, run before its application object exists: the manager that the
// library registered while it was loaded, and a message through it to a
// file and a widget.
int atLoadScenario(int argc, char *argv[])
{
    QORVLogManager *manager = QORVLogManager::instance();
    const QString name = manager->name();
    QApplication app(argc, argv);
    ApplicationWidget widget;
    const QString logger = QStringLiteral("boundary");
    manager->addFile(QStringLiteral("boundary.log"), logger);
    manager->addLogWidget(&widget, logger);
    manager->info(QStringLiteral("through the interface"), logger);
    manager->removeFile(QStringLiteral("boundary.log"), logger);
    manager->removeLogWidget(&widget, logger);
    std::cout << qPrintable(name) << '|' << qPrintable(widget.received.join(QLatin1Char(','))) << std::endl;
    return 0;
}

void tst_Boundary::engineManagerIsThereAtLoad()
{
    QTemporaryDir dir;
    const ChildResult child = runChild(QStringLiteral("at-load"), QProcessEnvironment::systemEnvironment(), dir.path());
    QCOMPARE(child.exitCode, 0);
    QCOMPARE(child.out, QByteArray("LogEngine Log Manager|INFO through the interface\n"));
    QFile file(dir.filePath(QStringLiteral("boundary.log")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(text.endsWith(" INFO  - through the interface\r\n") && text.count('\n') == 1, text.constData());
}

void tst_Boundary::levelsConvert()
{
    QCOMPARE(QORVLogLevel(MsgStatusReport).toString(), QStringLiteral("STATUS REPORT"));
    bool ok = false;
    QCOMPARE(QORVLogLevel::fromLoggedSeverity(QStringLiteral("STATS"), &ok).getLevel(), QORVLogLevel::StatLevel);
    QVERIFY(ok);
}

void tst_Boundary::managerAndRegistryWork()
{
    QORVLogManager *manager = QORVLogManager::instance();
    QVERIFY(manager);
    QCOMPARE(QORVLogManager::instance(), manager);
    manager->setLevel(QORVLogLevel::DebugLevel, QStringLiteral("app"));
    QVERIFY(manager->isDebugEnabled(QStringLiteral("app")));
    manager->info(QStringLiteral("hello"), QStringLiteral("app"));
    ApplicationManager own;
    QORVLogManagerRegistry::instance()->registerLogManager(QStringLiteral("app"), &own);
    QCOMPARE(QORVLogManagerRegistry::instance()->getLogManager(QStringLiteral("app"))->name(),
        QStringLiteral("Application Manager"));
    QORVLogManagerRegistry::instance()->unregisterLogManager(QStringLiteral("app"));
}

void tst_Boundary::widgetsCanBeSubclassed()
{
    ApplicationWidget widget;
    QVERIFY(widget.inherits("QORVLogWidget"));
    QVERIFY(QORVLogStatusBar::staticMetaObject.inherits(&QStatusBar::staticMetaObject));
}

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

int main(int argc, char *argv[])
{
    // Its application object comes later than the shared main's would.
    if (qEnvironmentVariable("QORVLOG_CHILD") == QLatin1String("at-load"))
        return atLoadScenario(argc, argv);
    QApplication app(argc, argv);
    tst_Boundary test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_boundary.moc"
