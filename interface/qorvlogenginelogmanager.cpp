#include "qorvlogenginelogmanager.h"

#include "engine/appenders/fileappender.h"
#include "engine/detail/classlogger.h"
#include "engine/detail/droppedevents.h"
#include "engine/detail/initialisationhelper.h"
#include "engine/layouts/ttcclayout.h"
#include "engine/logger.h"
#include "engine/loggerrepository.h"
#include "engine/logmanager.h"
#include "qorvlogmanagerregistry.h"
#ifdef QORVLOG_WITH_WIDGETS
#include "qorvlogenginelogwidgetappender.h"
#include "qorvlogenginestatusbarappender.h"
#include "qorvlogstatusbar.h"
#include "qorvlogwidget.h"
#endif

#include <QCoreApplication>

using namespace LogEngine;

namespace
{

const ClassLogger managerLogger("LogEngine::QORVLogEngineLogManager");

} // namespace

QORVLogEngineLogManager::QORVLogEngineLogManager(QObject *parent)
    : QORVLogManager(parent)
{
    // The first use of the engine when the library loads: it starts up here.
    Logger *root = LogManager::logger(QString());
    root->setLevel(getLevel(QStringLiteral("root")).toLogEngineLevel());
    root->setAdditivity(false);
}

QORVLogEngineLogManager::~QORVLogEngineLogManager() = default;

QORVLogEngineLogManager *QORVLogEngineLogManager::instance()
{
    // Made before the registry is first asked for, so that it is destroyed
    // after it when the library is unloaded.
    struct Holder {
        QORVLogEngineLogManager *manager = new QORVLogEngineLogManager;
        ~Holder() { delete manager; }
    };
    static Holder s_holder;
    QORVLogManagerRegistry::instance()->registerLogManager(QStringLiteral("LOGENGINE"), s_holder.manager);
    return s_holder.manager;
}

QString QORVLogEngineLogManager::name() const
{
    return QCoreApplication::translate("QORVLogEngineLogManager", "LogEngine Log Manager");
}

// The existence test goes by the name itself: a name outside Latin-1 would
// never match its Latin-1 form, and its logger would be prepared again on
// every request, undoing its configuration. Finding the logger is the
// existence test, so a request for a logger that exists costs one lookup
// under the repository's read lock; only a new one takes the write lock.
// Two threads reaching a new logger together may both prepare it, with the
// same level and additivity.
//
// A name longer than any real one would make a logger for each of its
// levels, each holding its own prefix, for good: its request goes to the
// nearest ancestor whose name fits instead, with an error record.
Logger *QORVLogEngineLogManager::getLogger(const QString &loggerName) const
{
    if (loggerName.size() > LoggerRepository::maxNameLength) {
        const int cut = loggerName.lastIndexOf(QLatin1String("::"), LoggerRepository::maxNameLength - 2);
        const QString ancestor = loggerName.left(cut > 0 ? cut : LoggerRepository::maxNameLength);
        LogError error("Refused a logger name of %1 characters, '%2'; the limit is %3. Logging on '%4' instead", 0,
            nullptr, "QORVLogEngineLogManager");
        error << loggerName.size() << LogError::excerpt(loggerName) << LoggerRepository::maxNameLength
              << LogError::excerpt(ancestor);
        managerLogger()->error(error);
        return getLogger(ancestor);
    }
    if (Logger *existing = LogManager::loggerRepository()->existingLogger(loggerName))
        return existing;
    Logger *logger = LogManager::logger(loggerName);
    initLogger(logger);
    return logger;
}

void QORVLogEngineLogManager::initLogger(Logger *logger) const
{
    logger->setLevel(getLevel(logger->name()).toLogEngineLevel());
    logger->setAdditivity(false);
    // Its ancestors' appenders no longer see its events: if it gets none of
    // its own, its first event that passes the level says so.
    if (logger->appenders().isEmpty())
        DroppedEvents::reportFirstDrop(logger,
            QStringLiteral("Events of logger '%1' go nowhere: it has no appender, and it has additivity false, as "
                           "the log manager gives it to every logger it reaches first, so its ancestors' appenders "
                           "do not see them. Attach an appender to it (addFile, addLogWidget, addStatusBar or a "
                           "configuration), or log through QORVLogger, which keeps the additivity of the logger tree")
                .arg(logger->name()));
}

void QORVLogEngineLogManager::setLevel(const QORVLogLevel &level, const QString &loggerName)
{
    QORVLogManager::setLevel(level, loggerName);
    getLogger(loggerName)->setLevel(getLevel(loggerName).toLogEngineLevel());
}

#ifdef QORVLOG_WITH_WIDGETS
void QORVLogEngineLogManager::addLogWidget(QORVLogWidget *logWidget, const QString &loggerName)
{
    if (!logWidget)
        return;
    Logger *logger = getLogger(loggerName);
    LogObjectPtr<QORVLogEngineLogWidgetAppender> appender(new QORVLogEngineLogWidgetAppender(logWidget, logger));
    appender->setName(logWidget->objectName());
    appender->activate();
    logger->addAppender(appender);
}

void QORVLogEngineLogManager::removeLogWidget(QORVLogWidget *logWidget, const QString &loggerName)
{
    if (logWidget)
        getLogger(loggerName)->removeAppender(logWidget->objectName());
}

void QORVLogEngineLogManager::addStatusBar(QORVLogStatusBar *statusBar, const QString &loggerName)
{
    if (!statusBar)
        return;
    Logger *logger = getLogger(loggerName);
    LogObjectPtr<QORVLogEngineStatusBarAppender> appender(new QORVLogEngineStatusBarAppender(statusBar, logger));
    appender->setName(statusBar->objectName());
    appender->activate();
    logger->addAppender(appender);
}

void QORVLogEngineLogManager::removeStatusBar(QORVLogStatusBar *statusBar, const QString &loggerName)
{
    if (statusBar)
        getLogger(loggerName)->removeAppender(statusBar->objectName());
}

#endif

void QORVLogEngineLogManager::addFile(const QString &fileName, const QString &loggerName)
{
    // Each line: the ISO 8601 time stamp, the level in five columns, a dash
    // and the message.
    LogObjectPtr<TTCCLayout> layout(new TTCCLayout(TTCCLayout::DATEFORMAT_ISO8601));
    layout->setCategoryPrefixing(false);
    layout->setContextPrinting(false);
    layout->setThreadPrinting(false);
    Logger *logger = getLogger(loggerName);
    LogObjectPtr<FileAppender> appender(new FileAppender(layout, fileName));
    appender->setAppendFile(false);
    appender->setBufferedIo(true);
    appender->setName(fileName);
    appender->activate();
    logger->addAppender(appender);
}

void QORVLogEngineLogManager::removeFile(const QString &fileName, const QString &loggerName)
{
    getLogger(loggerName)->removeAppender(fileName);
}

void QORVLogEngineLogManager::trace(const QString &message, const QString &loggerName) const
{
    getLogger(loggerName)->log(Level::TRACE_INT, message);
}

void QORVLogEngineLogManager::debug(const QString &message, const QString &loggerName) const
{
    getLogger(loggerName)->log(Level::DEBUG_INT, message);
}

void QORVLogEngineLogManager::info(const QString &message, const QString &loggerName) const
{
    getLogger(loggerName)->log(Level::INFO_INT, message);
}

void QORVLogEngineLogManager::warn(const QString &message, const QString &loggerName) const
{
    getLogger(loggerName)->log(Level::WARN_INT, message);
}

void QORVLogEngineLogManager::error(const QString &message, const QString &loggerName) const
{
    getLogger(loggerName)->log(Level::ERROR_INT, message);
}

void QORVLogEngineLogManager::fatal(const QString &message, const QString &loggerName) const
{
    getLogger(loggerName)->log(Level::FATAL_INT, message);
}

// The host-only severities have no engine level of their own.
void QORVLogEngineLogManager::stat(const QString &message, const QString &loggerName) const
{
    getLogger(loggerName)->log(Level::INFO_INT, message);
}

void QORVLogEngineLogManager::status(const QString &message, const QString &loggerName) const
{
    getLogger(loggerName)->log(Level::INFO_INT, message);
}

namespace
{

// Runs while the library loads. The engine's start-up helper (start time,
// value types, environment settings) must be complete before the engine
// starts, but the loader runs the initialisers of different source files in
// no defined order. So this one asks for the helper first itself: the helper
// is made on first use, by whichever of the two initialisers runs first.
// Whatever else runs from here must not rest on a namespace-scope object of
// another file either: the engine's process-wide objects, the registry and
// the levels guard are all made on first use.
const QORVLogEngineLogManager *const s_registeredAtLoad = [] {
    InitialisationHelper::instance();
    return QORVLogEngineLogManager::instance();
}();

} // namespace
