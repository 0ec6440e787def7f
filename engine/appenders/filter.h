#ifndef LOGENGINE_FILTER_H
#define LOGENGINE_FILTER_H

#include "engine/logobject.h"
#include "engine/logobjectptr.h"

namespace LogEngine
{

class LoggingEvent;

/*!
 * One link of an appender's filter chain. Filters are configured before the
 * appender is used and only read afterwards, so they need no lock. Each
 * filter holds a counted reference to the next one.
 */
class Filter : public LogObject
{
    Q_OBJECT
    Q_PROPERTY(LogEngine::Filter *next READ next WRITE setNext)

public:
    enum Decision { ACCEPT = 0, DENY = 1, NEUTRAL = 2 };
    Q_ENUM(Decision)

    explicit Filter(QObject *parent = nullptr);
    ~Filter() override;

    Filter *next() const { return m_next.data(); }
    void setNext(Filter *filter) { m_next = filter; }

    virtual void activate();
    virtual Decision decide(const LoggingEvent &event) const = 0;

protected:
    /*! Writes the "next:" item in QDebug's form for a QObject pointer. */
    void debugNext(QDebug &debug) const;

private:
    LogObjectPtr<Filter> m_next;
};

} // namespace LogEngine

#endif
