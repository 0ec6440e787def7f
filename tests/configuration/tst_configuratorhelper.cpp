#include "common/capturingappender.h"
#include "engine/configuration/configuratorhelper.h"
#include "engine/configuration/propertyconfigurator.h"
#include "engine/logmanager.h"

#include "common/childprocess.h"
#include "common/testfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <thread>

using namespace LogEngine;

namespace
{

// Stands in for a configurator run: it stores its errors in the helper, as
// every run does, so a guard held across the call would never return.
void configure(const QString &fileName)
{
    QList<LoggingEvent> errors;
    if (fileName == QLatin1String("bad.properties"))
        errors.append(LoggingEvent(LogManager::logger(QStringLiteral("cfg")), Level::ERROR_INT, QStringLiteral("e")));
    ConfiguratorHelper::setConfigurationErrors(errors);
}

void invokeChanged(const QString &fileName)
{
    QMetaObject::invokeMethod(
        ConfiguratorHelper::instance(), "doConfigurationFileChanged", Qt::DirectConnection, Q_ARG(QString, fileName));
}

// Far beyond the reapply delay, even on a loaded machine under a sanitizer.
constexpr int waitLimit = 10000;

QByteArray levelLine(const char *level)
{
    return QByteArray("log4j.logger.watched.app=") + level + '\n';
}

// Rewrites the file in place, as some editors do (others write a new file
// and rename it over the old one, as writeFile does).
void writeLevel(const QString &fileName, const char *level)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(levelLine(level)) < 0)
        qFatal("cannot write %s", qPrintable(fileName));
}

int threadCount()
{
    return QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
}

} // namespace

// Runs in a child process (scenario "configure-and-watch"): the watch needs
// the event loop, and what it configures stays configured.
class tst_ConfigureAndWatch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void replacementByRenameIsFollowed_data();
    void replacementByRenameIsFollowed();
    void removedFileKeepsTheConfigurationUntilItComesBack();
    void burstOfWritesIsAppliedOnce();
    void watchingAnotherFileEndsTheFormerWatch();
    void stopWatchingEndsReapplying();
    void threadWithoutEventLoopIsNotWatched();

private:
    // Whether a WARN message on "watched::app" gets through now.
    bool warnPasses();
    QVariantList announced(bool error) const { return { m_file, error }; }

    QScopedPointer<Capture> m_capture;
    QScopedPointer<QTemporaryDir> m_dir;
    QScopedPointer<QSignalSpy> m_changed;
    QString m_file;
    int m_threads = 0;
    int m_probes = 0;
    bool m_failed = false;
};

void tst_ConfigureAndWatch::initTestCase()
{
    m_capture.reset(new Capture(QStringLiteral("watched")));
    m_threads = threadCount();
}

void tst_ConfigureAndWatch::init()
{
    // Each failure waits out the limit; the parent waits for the whole child.
    if (m_failed)
        QSKIP("an earlier case failed");
    m_dir.reset(new QTemporaryDir);
    m_file = m_dir->filePath(QStringLiteral("app.properties"));
    writeLevel(m_file, "ERROR");
    QVERIFY(PropertyConfigurator::configureAndWatch(m_file));
    QVERIFY(!warnPasses());
    m_changed.reset(new QSignalSpy(ConfiguratorHelper::instance(), &ConfiguratorHelper::configurationFileChanged));
}

void tst_ConfigureAndWatch::cleanup()
{
    m_failed = m_failed || QTest::currentTestFailed();
    PropertyConfigurator::stopWatching();
    m_changed.reset();
    m_dir.reset();
}

bool tst_ConfigureAndWatch::warnPasses()
{
    const QString text = QStringLiteral("probe %1").arg(++m_probes);
    LogManager::logger(QStringLiteral("watched::app"))->warn(text);
    return (*m_capture)->count(text) == 1;
}

void tst_ConfigureAndWatch::replacementByRenameIsFollowed_data()
{
    QTest::addColumn<bool>("oldFileStaysOpen");

    QTest::newRow("old file gone") << false;
    QTest::newRow("old file still open elsewhere") << true;
}

void tst_ConfigureAndWatch::replacementByRenameIsFollowed()
{
    QFETCH(bool, oldFileStaysOpen);
    QFile old(m_file);
    if (oldFileStaysOpen)
        QVERIFY(old.open(QIODevice::ReadOnly));
    writeFile(m_file, levelLine("WARN")); // a new file renamed over the old one
    QVERIFY(m_changed->wait(waitLimit));
    QCOMPARE(m_changed->takeFirst(), announced(false));
    QVERIFY(warnPasses());
    // The new file is the one watched now, also for a change in place.
    writeLevel(m_file, "ERROR");
    QVERIFY(m_changed->wait(waitLimit));
    QCOMPARE(m_changed->takeFirst(), announced(false));
    QVERIFY(!warnPasses());
    QCOMPARE(threadCount(), m_threads);
}

void tst_ConfigureAndWatch::removedFileKeepsTheConfigurationUntilItComesBack()
{
    QVERIFY(QFile::remove(m_file));
    QVERIFY(m_changed->wait(waitLimit));
    QCOMPARE(m_changed->takeFirst(), announced(true));
    const QList<LoggingEvent> errors = ConfiguratorHelper::configurationErrors();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().message().contains(QLatin1String("Unable to open property file")),
        qPrintable(errors.first().message()));
    // Still ERROR: a reset would have let the level fall back to the root's DEBUG.
    QVERIFY(!warnPasses());
    writeLevel(m_file, "WARN");
    QVERIFY(m_changed->wait(waitLimit));
    QCOMPARE(m_changed->takeFirst(), announced(false));
    QVERIFY(warnPasses());
}

void tst_ConfigureAndWatch::burstOfWritesIsAppliedOnce()
{
    // Each write reaches the watch in an event loop pass of its own, as the
    // steps of a slow writer would; only the last one lets WARN through.
    QElapsedTimer burst;
    burst.start();
    for (const char *level : { "OFF", "FATAL", "WARN" }) {
        writeLevel(m_file, level);
        QCoreApplication::processEvents();
    }
    // Writes further apart than the delay are no burst, and each may be
    // applied: a machine that stalled this thread that long tells nothing.
    if (burst.elapsed() >= ConfiguratorHelper::reapplyDelay)
        QSKIP("this thread stalled for longer than the coalescing delay");
    QVERIFY(m_changed->wait(waitLimit));
    QCOMPARE(m_changed->count(), 1);
    QVERIFY(warnPasses());
}

void tst_ConfigureAndWatch::watchingAnotherFileEndsTheFormerWatch()
{
    const QString other = m_dir->filePath(QStringLiteral("other.properties"));
    writeLevel(other, "ERROR");
    QVERIFY(PropertyConfigurator::configureAndWatch(other));
    writeLevel(m_file, "WARN");
    // A former watch still alive takes its change in here and would run
    // before the other file's watch, which sees its change only afterwards.
    QCoreApplication::processEvents();
    writeLevel(other, "FATAL");
    QVERIFY(m_changed->wait(waitLimit));
    QCOMPARE(m_changed->count(), 1);
    QCOMPARE(m_changed->first(), (QVariantList { other, false }));
    QVERIFY(!warnPasses());
}

void tst_ConfigureAndWatch::stopWatchingEndsReapplying()
{
    PropertyConfigurator::stopWatching();
    QVERIFY(ConfiguratorHelper::configurationFile().isEmpty());
    writeLevel(m_file, "WARN");
    // A watch still alive takes the change in here; its run would come one
    // delay later, well before this timer's.
    QCoreApplication::processEvents();
    QTimer later;
    later.setSingleShot(true);
    QSignalSpy passed(&later, &QTimer::timeout);
    later.start(2 * ConfiguratorHelper::reapplyDelay);
    QVERIFY(passed.wait(waitLimit));
    QCOMPARE(m_changed->count(), 0);
    QVERIFY(!warnPasses());
}

void tst_ConfigureAndWatch::threadWithoutEventLoopIsNotWatched()
{
    const QString other = m_dir->filePath(QStringLiteral("other.properties"));
    writeLevel(other, "WARN");
    Capture errors(QStringLiteral("LogEngine::ConfiguratorHelper"));
    bool result = true;
    std::thread([&] { result = PropertyConfigurator::configureAndWatch(other); }).join();
    QVERIFY(!result);
    QVERIFY(warnPasses()); // applied once all the same
    QVERIFY(ConfiguratorHelper::configurationFile().isEmpty());
    QCOMPARE(errors->texts(),
        QStringList { QStringLiteral("Unable to watch configuration file '%1': the calling thread has no event loop")
                          .arg(other) });
}

int configureAndWatchScenario()
{
    tst_ConfigureAndWatch test;
    return QTest::qExec(&test, QStringList { QCoreApplication::applicationFilePath() });
}

class tst_ConfiguratorHelper : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { cleanup(); }
    void cleanup();
    void changeWithoutConfigureFunctionDoesNothing();
    void changeAppliesTheFileAndAnnouncesIt();
    void configureAndWatchInAChild();
};

void tst_ConfiguratorHelper::cleanup()
{
    ConfiguratorHelper::stopWatching();
    ConfiguratorHelper::setConfigurationErrors({});
}

void tst_ConfiguratorHelper::changeWithoutConfigureFunctionDoesNothing()
{
    QSignalSpy changed(ConfiguratorHelper::instance(), &ConfiguratorHelper::configurationFileChanged);
    invokeChanged(QStringLiteral("bad.properties"));
    QCOMPARE(changed.count(), 0);
    QVERIFY(ConfiguratorHelper::configurationErrors().isEmpty());
}

// The run's errors go with the announcement (a run without them: see the
// watch in the child).
void tst_ConfiguratorHelper::changeAppliesTheFileAndAnnouncesIt()
{
    const QString fileName = QStringLiteral("bad.properties");
    QTemporaryDir dir;
    QVERIFY(ConfiguratorHelper::watchConfigurationFile(dir.filePath(fileName), configure));
    QSignalSpy changed(ConfiguratorHelper::instance(), &ConfiguratorHelper::configurationFileChanged);
    // A receiver that starts another run: the guard must be free during the signal too.
    int storedInReceiver = -1;
    const QMetaObject::Connection connection = connect(ConfiguratorHelper::instance(),
        &ConfiguratorHelper::configurationFileChanged, this, [&storedInReceiver](const QString &name, bool) {
            configure(name);
            storedInReceiver = ConfiguratorHelper::configurationErrors().size();
        });
    invokeChanged(fileName);
    disconnect(connection);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first(), (QVariantList { fileName, true }));
    QCOMPARE(storedInReceiver, 1);
}

void tst_ConfiguratorHelper::configureAndWatchInAChild()
{
    QTemporaryDir work;
    const ChildResult result
        = runChild(QStringLiteral("configure-and-watch"), QProcessEnvironment::systemEnvironment(), work.path());
    QVERIFY2(result.exitCode == 0, QByteArray(result.out + result.err).constData());
}

QObject *newConfiguratorHelperTest()
{
    return new tst_ConfiguratorHelper;
}

#include "tst_configuratorhelper.moc"
