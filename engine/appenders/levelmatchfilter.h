#ifndef LOGENGINE_LEVELMATCHFILTER_H
#define LOGENGINE_LEVELMATCHFILTER_H

#include "engine/appenders/filter.h"
#include "engine/level.h"

namespace LogEngine
{

/*! Decides on events of exactly one level and is neutral for all others. */
class LevelMatchFilter : public Filter
{
    Q_OBJECT
    Q_PROPERTY(bool acceptOnMatch READ acceptOnMatch WRITE setAcceptOnMatch)
    Q_PROPERTY(LogEngine::Level levelToMatch READ levelToMatch WRITE setLevelToMatch)

public:
    explicit LevelMatchFilter(QObject *parent = nullptr);

    bool acceptOnMatch() const { return m_acceptOnMatch; }
    void setAcceptOnMatch(bool accept) { m_acceptOnMatch = accept; }
    Level levelToMatch() const { return m_levelToMatch; }
    void setLevelToMatch(const Level &level) { m_levelToMatch = level; }

    QDebug debug(QDebug &debug) const override;
    Decision decide(const LoggingEvent &event) const override;

private:
    bool m_acceptOnMatch = true;
    Level m_levelToMatch;
};

} // namespace LogEngine

#endif
