#ifndef LOGENGINE_LOGGERREPOSITORY_H
#define LOGENGINE_LOGGERREPOSITORY_H

#include "engine/level.h"

#include <QList>
#include <QMetaType>
#include <QString>

class QDebug;

namespace LogEngine
{

class Logger;

/*!
 * Owner of every logger of the process, arranged in a tree by "::"-separated
 * name, with a repository-wide threshold below which nothing is logged.
 */
class LoggerRepository
{
public:
    virtual bool exists(const QString &name) const = 0;
    virtual Logger *logger(const QString &name) = 0;
    /*! The logger of that name if the repository has it, else null; never creates one. */
    virtual Logger *existingLogger(const QString &name) const = 0;
    virtual QList<Logger *> loggers() const = 0;
    virtual Logger *rootLogger() const = 0;
    virtual Level threshold() const = 0;
    virtual void setThreshold(const QString &threshold) = 0;
    virtual void setThreshold(const Level &threshold) = 0;
    virtual bool isDisabled(const Level &level) const = 0;
    virtual void resetConfiguration() = 0;
    virtual void shutdown() = 0;
    virtual QDebug debug(QDebug &debug) const = 0;
    virtual ~LoggerRepository();

    /*!
     * The longest logger name that outside input (a configuration file, an
     * event read off a data stream) may ask for; readers refuse longer ones.
     * Each "::" of a name makes a logger that lives for good and holds its
     * own prefix, so the memory a name costs grows with the square of its
     * length. Real names stay far below this.
     */
    static constexpr int maxNameLength = 1024;
};

} // namespace LogEngine

Q_DECLARE_METATYPE(LogEngine::LoggerRepository *)

#endif
