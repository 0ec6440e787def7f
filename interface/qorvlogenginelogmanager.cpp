#include "qorvlogenginelogmanager.h"

#include "engine/appenders/fileappender.h"
#include "engine/initialisationhelper.h"
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
Logger *QORVLogEngineLogManager::getLogger(const QString &loggerName) const
{
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
