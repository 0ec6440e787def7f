#ifndef LOGENGINE_LOGMANAGER_H
#define LOGENGINE_LOGMANAGER_H

#include <QRecursiveMutex>
#include <QString>

#include <atomic>

namespace LogEngine
{

class Logger;
class LoggerRepository;

/*!
 * The engine's single access point: every logger of the process is obtained
 * here, so the first call brings the engine up. After that, `instance` is
 * one pointer read and `logger` goes straight to the repository.
 */
class LogManager
{
public:
    virtual ~LogManager();

    static LogManager *instance();
    static Logger *logger(const QString &name);
    static bool exists(const char *name);
    static LoggerRepository *loggerRepository();
    static const char *version() { return "0.3.0"; }

private:
    LogManager();

    QRecursiveMutex m_objectGuard;
    LoggerRepository *m_loggerRepository;

    static std::atomic<LogManager *> s_instance;
};

} // namespace LogEngine

#endif
