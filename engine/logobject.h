#ifndef LOGENGINE_LOGOBJECT_H
#define LOGENGINE_LOGOBJECT_H

#include <QAtomicInt>
#include <QAtomicPointer>
#include <QDebug>
#include <QObject>

namespace LogEngine
{

class Logger;

/*!
 * Base of every configurable engine object (appenders, layouts, filters).
 *
 * The object deletes itself when the last LogObjectPtr lets go of it; a
 * QObject parent does not keep it alive. The count and the cached class
 * logger are atomic, so holders in different threads need no lock.
 */
class LogObject : public QObject
{
    Q_OBJECT

public:
    explicit LogObject(QObject *parent = nullptr);
    ~LogObject() override;

    /*! Writes the one-line description of the object. */
    virtual QDebug debug(QDebug &debug) const = 0;

    void retain() const { m_referenceCount.ref(); }
    void release() const;
    int referenceCount() const { return m_referenceCount.loadRelaxed(); }

    /*!
     * The logger named after the most-derived class, resolved once through
     * the repository, whose lock is a leaf: it may be resolved under any
     * other lock.
     */
    Logger *logger() const;

private:
    mutable QAtomicInt m_referenceCount;
    mutable QAtomicPointer<Logger> m_logger;

    Q_DISABLE_COPY(LogObject)
};

QDebug operator<<(QDebug debug, const LogObject &object);

} // namespace LogEngine

#endif
