#ifndef LOGENGINE_CLASSLOGGER_H
#define LOGENGINE_CLASSLOGGER_H

#include <atomic>

namespace LogEngine
{

class Logger;

/*!
 * The logger of an engine class that is no LogObject (those have
 * LogObject::logger), named after it and resolved on first use. Loggers
 * live to the end of the process, so the pointer is kept; threads that
 * resolve it at once store the same one.
 *
 * Constant-initialised, so a static initialiser of another file
 * may use it.
 */
class ClassLogger
{
public:
    explicit constexpr ClassLogger(const char *name)
        : m_name(name)
    {
    }

    Logger *operator()() const
    {
        Logger *logger = m_logger.load(std::memory_order_acquire);
        return logger ? logger : resolve();
    }

private:
    Logger *resolve() const;

    const char *const m_name;
    mutable std::atomic<Logger *> m_logger { nullptr };
};

} // namespace LogEngine

#endif
