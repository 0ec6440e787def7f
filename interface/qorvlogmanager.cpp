#include "qorvlogmanager.h"

#include "qorvlogmanagerregistry.h"

#include <QCoreApplication>
#include <QPointer>

#include <mutex>
#include <shared_mutex>

namespace
{

// Applications change levels from their user interface while worker threads
// log and ask whether a level is enabled, and a table growing under a reader
// can pull the ground from under it. The exported class's layout is fixed,
// so the guard cannot be a member: one guard serves the tables of every
// manager, each touched only for one lookup or insertion. It is made on
// first use and never destroyed, so that it serves the library's load-time
// initialisers and code that logs from static destructors alike.
std::shared_mutex &levelsGuard()
{
    static auto *const guard = new std::shared_mutex;
    return *guard;
}

} // namespace

QORVLogManager::QORVLogManager(QObject *parent)
    : QObject(parent)
    , m_indentation(QStringLiteral("    "))
{
}

QORVLogManager::~QORVLogManager() = default;

QString QORVLogManager::name() const
{
    return QCoreApplication::translate("QORVLogManager", "Default Log Manager");
}

void QORVLogManager::setLevel(const QORVLogLevel &level, const QString &loggerName)
{
    std::unique_lock<std::shared_mutex> locker(levelsGuard());
    m_levels.insert(loggerName, level);
}

QORVLogLevel QORVLogManager::getLevel(const QString &loggerName) const
{
    std::shared_lock<std::shared_mutex> locker(levelsGuard());
    return m_levels.value(loggerName, QORVLogLevel(QORVLogLevel::InfoLevel));
}

bool QORVLogManager::isTraceEnabled(const QString &loggerName) const
{
    return isEnabledFor(QORVLogLevel::TraceLevel, loggerName);
}

bool QORVLogManager::isDebugEnabled(const QString &loggerName) const
{
    return isEnabledFor(QORVLogLevel::DebugLevel, loggerName);
}

bool QORVLogManager::isInfoEnabled(const QString &loggerName) const
{
    return isEnabledFor(QORVLogLevel::InfoLevel, loggerName);
}

bool QORVLogManager::isWarnEnabled(const QString &loggerName) const
{
    return isEnabledFor(QORVLogLevel::WarnLevel, loggerName);
}

bool QORVLogManager::isErrorEnabled(const QString &loggerName) const
{
    return isEnabledFor(QORVLogLevel::ErrorLevel, loggerName);
}

bool QORVLogManager::isFatalEnabled(const QString &loggerName) const
{
    return isEnabledFor(QORVLogLevel::FatalLevel, loggerName);
}

bool QORVLogManager::isStatEnabled(const QString &loggerName) const
{
    return isEnabledFor(QORVLogLevel::StatLevel, loggerName);
}

bool QORVLogManager::isStatusEnabled(const QString &loggerName) const
{
    return isEnabledFor(QORVLogLevel::StatusLevel, loggerName);
}

bool QORVLogManager::isEnabledFor(const QORVLogLevel &level, const QString &loggerName) const
{
    return getLevel(loggerName) <= level;
}

void QORVLogManager::addLogWidget(QORVLogWidget *, const QString &)
{
}
void QORVLogManager::removeLogWidget(QORVLogWidget *, const QString &)
{
}
void QORVLogManager::addStatusBar(QORVLogStatusBar *, const QString &)
{
}
void QORVLogManager::removeStatusBar(QORVLogStatusBar *, const QString &)
{
}
void QORVLogManager::addFile(const QString &, const QString &)
{
}
void QORVLogManager::removeFile(const QString &, const QString &)
{
}
void QORVLogManager::trace(const QString &, const QString &) const
{
}
void QORVLogManager::debug(const QString &, const QString &) const
{
}
void QORVLogManager::info(const QString &, const QString &) const
{
}
void QORVLogManager::warn(const QString &, const QString &) const
{
}
void QORVLogManager::error(const QString &, const QString &) const
{
}
void QORVLogManager::fatal(const QString &, const QString &) const
{
}
void QORVLogManager::stat(const QString &, const QString &) const
{
}
void QORVLogManager::status(const QString &, const QString &) const
{
}

void QORVLogManager::log(const QORVLogLevel &level, const QString &message, const QString &loggerName) const
{
    switch (level.getLevel()) {
    case QORVLogLevel::TraceLevel:
        trace(message, loggerName);
        break;
    case QORVLogLevel::DebugLevel:
        debug(message, loggerName);
        break;
    case QORVLogLevel::InfoLevel:
        info(message, loggerName);
        break;
    case QORVLogLevel::WarnLevel:
        warn(message, loggerName);
        break;
    case QORVLogLevel::ErrorLevel:
        error(message, loggerName);
        break;
    case QORVLogLevel::FatalLevel:
        fatal(message, loggerName);
        break;
    case QORVLogLevel::StatLevel:
        stat(message, loggerName);
        break;
    case QORVLogLevel::StatusLevel:
        status(message, loggerName);
        break;
    default:
        break;
    }
}

void QORVLogManager::debugError(const QString &message, const QString &loggerName) const
{
    if (isDebugEnabled(loggerName))
        error(message, loggerName);
}

void QORVLogManager::debugWarn(const QString &message, const QString &loggerName) const
{
    if (isDebugEnabled(loggerName))
        warn(message, loggerName);
}

void QORVLogManager::setIndentation(const QString &indentation)
{
    m_indentation = indentation;
}

QString QORVLogManager::getIndentation() const
{
    return m_indentation;
}

QORVLogManager *QORVLogManager::instance()
{
    // Both live until the library is unloaded and go in reverse order of
    // creation: the default manager first, then the guarded pointer.
    static QPointer<QORVLogManager> s_instance;
    struct DefaultManager {
        QORVLogManager *manager = nullptr;
        ~DefaultManager() { delete manager; }
    };
    if (!s_instance) {
        s_instance = QORVLogManagerRegistry::instance()->getLogManager(QStringLiteral("LOGENGINE"));
        if (!s_instance) {
            static DefaultManager s_default;
            if (!s_default.manager)
                s_default.manager = new QORVLogManager;
            s_instance = s_default.manager;
        }
    }
    return s_instance;
}
