#ifndef LOGENGINE_LOGMANAGER_H
#define LOGENGINE_LOGMANAGER_H

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <mutex>

namespace LogEngine
{

class Logger;
class LoggerRepository;

/*!
 * The engine's single access point: every logger of the process is obtained
 * here, so the first call brings the engine up. It owns the repository, the
 * equipment of the internal logger "LogEngine" (standard output up to INFO,
 * standard error from WARN on) and the optional redirection of Qt's own
 * messages into the logger "Qt".
 *
 * The manager is created once, by whichever thread calls first, and never
 * deleted; `shutdown` runs once by itself when the library is unloaded or
 * the process exits normally.
 *
 * Thread-safety: after creation `instance` is one pointer read and `logger`
 * goes straight to the repository. The object guard covers the switch of
 * Qt message handling and nothing else; no lock is held across a reset or
 * a shutdown, which close appenders and so may run an application's code.
 */
class LogManager
{
public:
    virtual ~LogManager();

    static LogManager *instance();
    static Logger *logger(const QString &name);
    static bool exists(const char *name);
    static LoggerRepository *loggerRepository();
    static Logger *internalLogger();
    static Logger *qtMessageLogger();

    static bool handleQtMessages();
    /*! Installs the manager's Qt message handler, or puts back the one it replaced. */
    static void setHandleQtMessages(bool handle);
    /*! Resets every logger, switches Qt message handling off and re-equips the internal logger. */
    static void resetConfiguration();
    static void shutdown();
    /*! The library's version, as the build names it. */
    static const char *version();

private:
    LogManager();

    void setUpInternalLogger();
    void startUpReport();
    /*! The first configuration source that applies. */
    void defaultInitialisation();
    void doSetHandleQtMessages(bool handle);

    // Held only while the message handler is swapped, never across a call
    // that logs.
    std::mutex m_objectGuard;
    LoggerRepository *m_loggerRepository;
    std::atomic<bool> m_handleQtMessages { false };
    QtMessageHandler m_previousQtMessageHandler = nullptr;

    static std::atomic<LogManager *> s_instance;

    Q_DISABLE_COPY(LogManager)
};

} // namespace LogEngine

#endif
