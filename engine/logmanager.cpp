#include "engine/logmanager.h"
#include "engine/detail/classlogger.h"
#include "engine/detail/scopedlock.h"

#include "engine/appenders/consoleappender.h"
#include "engine/appenders/denyallfilter.h"
#include "engine/appenders/levelrangefilter.h"
#include "engine/configuration/optionconverter.h"
#include "engine/configuration/propertyconfigurator.h"
#include "engine/detail/droppedevents.h"
#include "engine/detail/initialisationhelper.h"
#include "engine/hierarchy.h"
#include "engine/layouts/datetime.h"
#include "engine/layouts/ttcclayout.h"
#include "engine/logger.h"
#include "qorvlog_version.h"

#include <QCoreApplication>
#include <QFile>
#include <QMutex>
#include <QSettings>

#include <cstdlib>
#include <cstring>

namespace LogEngine
{

std::atomic<LogManager *> LogManager::s_instance { nullptr };

namespace
{

std::atomic<QMutex *> s_singletonGuard { nullptr };
QMutex *singletonGuard()
{
    QMutex *guard = s_singletonGuard.load(std::memory_order_acquire);
    if (!guard) {
        QMutex *made = new QMutex;
        if (s_singletonGuard.compare_exchange_strong(guard, made, std::memory_order_acq_rel))
            guard = made;
        else
            delete made;
    }
    return guard;
}

const ClassLogger managerLogger("LogEngine::LogManager");

// The exit handler. Shutdown waits a bounded time for appenders that are
// busy writing, so exit cannot hang on one.
void shutdownAtExit()
{
    LogManager::shutdown();
}

Level qtMessageLevel(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return Level::DEBUG_INT;
    case QtWarningMsg:
        return Level::WARN_INT;
    case QtCriticalMsg:
        return Level::ERROR_INT;
    case QtFatalMsg:
        return Level::FATAL_INT;
    default:
        return Level::TRACE_INT;
    }
}

// The logger of a message's category: "Qt" for Qt's default category, and
// "Qt::<category>" for any other, below it, so that the level of "Qt"
// governs them all and one category can be tuned alone. The dots of the
// category become "::", as in a configuration's logger keys: the key
// log4j.logger.Qt.app.net names the category app.net, and app.net.ssl
// takes its level when it has none of its own.
Logger *qtCategoryLogger(const char *category)
{
    if (!category || !*category || std::strcmp(category, "default") == 0)
        return LogManager::qtMessageLogger();
    return LogManager::logger(
        QLatin1String("Qt::") + QString::fromUtf8(category).replace(QLatin1Char('.'), QLatin1String("::")));
}

// Runs on whichever thread emits the message and takes no lock of its own.
void qtMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    Logger *logger = qtCategoryLogger(context.category);
    const Level level = qtMessageLevel(type);
    // The context's texts may be gone once the handler returns (QML makes
    // them on the fly), and an appender may keep the event.
    if (logger->isEnabledFor(level))
        logger->logUnchecked(level, message, SourceLocation::copied(context.file, context.line, context.function));
    // Qt would abort after a fatal message; the process ends here instead, with
    // the message already written and the exit handlers (which close every
    // appender) still to run. Qt itself treats an empty QT_FATAL_WARNINGS as
    // unset; being defined is enough here.
    if (type == QtFatalMsg || (type == QtWarningMsg && qEnvironmentVariableIsSet("QT_FATAL_WARNINGS")))
        std::exit(1);
}

LogObjectPtr<Appender> consoleAppender(Layout *layout, Filter *denyAll, ConsoleAppender::Target target, Level levelMin,
    Level levelMax, const QString &name)
{
    LogObjectPtr<ConsoleAppender> appender(new ConsoleAppender(layout, target));
    LogObjectPtr<LevelRangeFilter> range(new LevelRangeFilter);
    range->setNext(denyAll);
    range->setLevelMin(levelMin);
    range->setLevelMax(levelMax);
    range->activate();
    appender->setName(name);
    appender->addFilter(range);
    appender->activate();
    return appender;
}

// The offset of local time from UTC at `time`, as "+01:00" or "-05:30".
QString utcOffsetText(const QDateTime &time)
{
    const QDateTime local = time.toLocalTime();
    const QDateTime localReadAsUtc(local.date(), local.time(), Qt::UTC);
    const qint64 minutes = time.toUTC().secsTo(localReadAsUtc) / 60;
    const qint64 absolute = qAbs(minutes);
    return QLatin1String(minutes < 0 ? "-" : "+")
        + QStringLiteral("%1:%2")
              .arg(absolute / 60, 2, 10, QLatin1Char('0'))
              .arg(absolute % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

LogManager::LogManager()
    : m_loggerRepository(new Hierarchy)
{
}

LogManager::~LogManager()
{
    managerLogger()->warn("Unexpected destruction of LogManager");
}

LogManager *LogManager::instance()
{
    LogManager *manager = s_instance.load(std::memory_order_acquire);
    if (manager)
        return manager;
    ScopedLock locker(singletonGuard());
    manager = s_instance.load(std::memory_order_acquire);
    if (manager)
        return manager;
    manager = new LogManager;
    // Published before anything else runs: every later start-up step obtains
    // its loggers through the manager, and this thread holds the creation
    // guard, which is not recursive.
    s_instance.store(manager, std::memory_order_release);
    manager->setUpInternalLogger();
    manager->startUpReport();
    manager->defaultInitialisation();

    // Exit handlers run in the reverse order of their registration, and Qt
    // registers the destructors of its global objects (the text codecs among
    // them) when it first uses them. Registered last, shutdown runs while
    // everything the appenders created on the way still exists, so that they
    // can flush and write their footers. A handler registered through atexit
    // from a shared library belongs to that library: it runs when the library
    // is unloaded, or at normal exit if it never is, and once either way.
    std::atexit(shutdownAtExit);
    return manager;
}

Logger *LogManager::logger(const QString &name)
{
    return instance()->m_loggerRepository->logger(name);
}

bool LogManager::exists(const char *name)
{
    return instance()->m_loggerRepository->exists(QString::fromLatin1(name));
}

LoggerRepository *LogManager::loggerRepository()
{
    return instance()->m_loggerRepository;
}

Logger *LogManager::internalLogger()
{
    return logger(QStringLiteral("LogEngine"));
}

Logger *LogManager::qtMessageLogger()
{
    return logger(QStringLiteral("Qt"));
}

bool LogManager::handleQtMessages()
{
    return instance()->m_handleQtMessages.load(std::memory_order_relaxed);
}

void LogManager::setHandleQtMessages(bool handle)
{
    instance()->doSetHandleQtMessages(handle);
}

// The trace line is written after the guard is let go: it is delivered to
// appenders, whose code may come back here.
void LogManager::doSetHandleQtMessages(bool handle)
{
    {
        const std::lock_guard<std::mutex> locker(m_objectGuard);
        if (m_handleQtMessages.load(std::memory_order_relaxed) == handle)
            return;
        m_handleQtMessages.store(handle, std::memory_order_relaxed);
        if (handle) {
            m_previousQtMessageHandler = qInstallMessageHandler(qtMessageHandler);
        } else {
            qInstallMessageHandler(m_previousQtMessageHandler);
            m_previousQtMessageHandler = nullptr;
        }
    }
    managerLogger()->trace(handle ? "Activate Qt message handling" : "Deactivate Qt message handling");
}

// No lock is held across the reset: it closes appenders, whose code may log
// or come back here from another thread.
void LogManager::resetConfiguration()
{
    LogManager *manager = instance();
    manager->doSetHandleQtMessages(false);
    manager->m_loggerRepository->resetConfiguration();
    manager->setUpInternalLogger();
}

// Qt's messages stop first: the appenders a message would reach are closed
// here.
void LogManager::shutdown()
{
    // The shutdown takes every appender away; what is logged afterwards is
    // dropped by design, not for want of a configuration.
    DroppedEvents::setUnconfigured(false);
    LogManager *manager = instance();
    manager->doSetHandleQtMessages(false);
    manager->m_loggerRepository->shutdown();
}

const char *LogManager::version()
{
    return QORVLOG_VERSION_STR;
}

void LogManager::startUpReport()
{
    Logger *log = managerLogger();
    log->info("Initialising LogEngine %1", version());
    if (log->isDebugEnabled()) {
        const DateTime startTime = DateTime::fromMilliSeconds(InitialisationHelper::startTime());
        log->debug("Program startup time is %1 (UTC%2)", startTime.toString(QStringLiteral("ISO8601")),
            utcOffsetText(startTime));
        log->debug("Internal logging uses the level %1", internalLogger()->level().toString());
    }
    if (!log->isTraceEnabled())
        return;
    log->trace("Settings from the system environment:");
    const QHash<QString, QString> environment = InitialisationHelper::environmentSettings();
    for (auto it = environment.cbegin(); it != environment.cend(); ++it)
        log->trace("    %1: '%2'", it.key(), it.value());
    log->trace("Settings from the application settings:");
    if (!QCoreApplication::instance()) {
        log->trace("    QCoreApplication::instance() is not available");
        return;
    }
    QSettings settings;
    // Groups nest: the second call lists "LogEngine/Properties".
    const auto traceGroup = [&](const QString &group) {
        settings.beginGroup(group);
        const QStringList keys = settings.childKeys();
        for (const QString &key : keys)
            log->trace("        %1: '%2'", key, settings.value(key).toString());
    };
    log->trace("    %1:", "LogEngine");
    traceGroup(QStringLiteral("LogEngine"));
    log->trace("    %1/%2:", "LogEngine", "Properties");
    traceGroup(QStringLiteral("Properties"));
}

void LogManager::defaultInitialisation()
{
    // The configurator's result is not acted on here: the configurator
    // helper keeps its errors, and start-up goes on either way.
    Logger *log = managerLogger();
    // Exactly "false" lets the initialisation run; "False", "0" or an empty
    // value in the environment switch it off.
    if (InitialisationHelper::setting(QStringLiteral("DefaultInitOverride"), QStringLiteral("false"))
        != QLatin1String("false")) {
        log->debug("DefaultInitOverride is set. Aborting default initialisation");
        return;
    }
    const QString configuration = InitialisationHelper::setting(QStringLiteral("Configuration"));
    if (QFile::exists(configuration)) {
        log->debug("Default initialisation configures from file '%1' specified by Configure", configuration);
        PropertyConfigurator::configure(configuration);
        return;
    }
    if (QCoreApplication::instance()) {
        QSettings settings;
        settings.beginGroup(QStringLiteral("LogEngine"));
        if (settings.childGroups().contains(QStringLiteral("Properties"))) {
            log->debug("Default initialisation configures from setting '%1/%2'", "LogEngine", "Properties");
            settings.beginGroup(QStringLiteral("Properties"));
            PropertyConfigurator::configure(settings);
            return;
        }
    }
    const QString defaultFile = QStringLiteral("logengine.properties");
    if (QFile::exists(defaultFile)) {
        log->debug("Default initialisation configures from default file '%1'", defaultFile);
        PropertyConfigurator::configure(defaultFile);
        return;
    }
    log->debug("Default initialisation leaves package unconfigured");
    DroppedEvents::setUnconfigured(true);
}

// Without the object guard: activating and attaching may report, and
// reports reach appenders. The two appenders replace whatever the internal
// logger holds in one change, so that two resets at once still leave two.
void LogManager::setUpInternalLogger()
{
    Logger *internal = m_loggerRepository->logger(QStringLiteral("LogEngine"));

    LogObjectPtr<TTCCLayout> layout(new TTCCLayout);
    layout->setName(QStringLiteral("LogLog TTCC"));
    layout->setContextPrinting(false);
    layout->activate();
    LogObjectPtr<DenyAllFilter> denyAll(new DenyAllFilter);
    denyAll->activate();
    const LogObjectPtr<Appender> out = consoleAppender(layout, denyAll, ConsoleAppender::STDOUT_TARGET, Level::NULL_INT,
        Level::INFO_INT, QStringLiteral("LogLog stdout"));
    const LogObjectPtr<Appender> err = consoleAppender(layout, denyAll, ConsoleAppender::STDERR_TARGET, Level::WARN_INT,
        Level::OFF_INT, QStringLiteral("LogLog stderr"));
    internal->setAppenders({ out.data(), err.data() });

    // The level comes last: a "Debug" text that is no level name is reported
    // by the conversion, and that report needs the appenders to be seen.
    const QString debug = InitialisationHelper::setting(QStringLiteral("Debug"), QStringLiteral("ERROR"));
    internal->setLevel(OptionConverter::toLevel(debug, Level(Level::DEBUG_INT)));
}

} // namespace LogEngine
