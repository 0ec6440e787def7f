#ifndef LOGENGINE_LEVELRANGEFILTER_H
#define LOGENGINE_LEVELRANGEFILTER_H

#include "engine/appenders/filter.h"
#include "engine/level.h"

namespace LogEngine
{

/*!
 * Denies events outside [levelMin, levelMax]; inside, it accepts or stays
 * neutral, but never denies.
 */
class LevelRangeFilter : public Filter
{
    Q_OBJECT
    Q_PROPERTY(bool acceptOnMatch READ acceptOnMatch WRITE setAcceptOnMatch)
    Q_PROPERTY(LogEngine::Level levelMax READ levelMax WRITE setLevelMax)
    Q_PROPERTY(LogEngine::Level levelMin READ levelMin WRITE setLevelMin)

public:
    explicit LevelRangeFilter(QObject *parent = nullptr);

    bool acceptOnMatch() const { return m_acceptOnMatch; }
    void setAcceptOnMatch(bool accept) { m_acceptOnMatch = accept; }
    Level levelMin() const { return m_levelMin; }
    void setLevelMin(const Level &level) { m_levelMin = level; }
    Level levelMax() const { return m_levelMax; }
    void setLevelMax(const Level &level) { m_levelMax = level; }

    QDebug debug(QDebug &debug) const override;
    Decision decide(const LoggingEvent &event) const override;

private:
    bool m_acceptOnMatch = true;
    Level m_levelMin { Level::NULL_INT };
    Level m_levelMax { Level::OFF_INT };
};

} // namespace LogEngine

#endif
