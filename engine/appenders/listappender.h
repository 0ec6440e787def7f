#ifndef LOGENGINE_LISTAPPENDER_H
#define LOGENGINE_LISTAPPENDER_H

#include "engine/appenders/appenderskeleton.h"
#include "engine/loggingevent.h"

#include <QList>

namespace LogEngine
{

/*!
 * Keeps copies of the events it is handed, optionally bounded. A full list
 * refuses new events (it keeps the oldest); lowering the bound drops the
 * oldest. A list flagged as the configurator's survives a logger's
 * `removeAllAppenders`.
 */
class ListAppender : public AppenderSkeleton
{
    Q_OBJECT
    Q_PROPERTY(bool configuratorList READ configuratorList WRITE setConfiguratorList)
    Q_PROPERTY(int maxCount READ maxCount WRITE setMaxCount)

public:
    explicit ListAppender(QObject *parent = nullptr);
    ~ListAppender() override;

    bool requiresLayout() const override { return false; }

    bool configuratorList() const { return m_configuratorList.load(std::memory_order_relaxed); }
    void setConfiguratorList(bool isList) { m_configuratorList.store(isList, std::memory_order_relaxed); }
    int maxCount() const;
    void setMaxCount(int count);
    /*! A snapshot of the stored events. */
    QList<LoggingEvent> list() const;

    QDebug debug(QDebug &debug) const override;

protected:
    void append(const LoggingEvent &event) override;

private:
    std::atomic<bool> m_configuratorList { false };
    QList<LoggingEvent> m_list;
    int m_maxCount = 0;
};

} // namespace LogEngine

#endif
