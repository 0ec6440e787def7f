#ifndef LOGENGINE_DENYALLFILTER_H
#define LOGENGINE_DENYALLFILTER_H

#include "engine/appenders/filter.h"

namespace LogEngine
{

/*! Denies every event; ends a chain that should pass only what an earlier filter accepted. */
class DenyAllFilter : public Filter
{
    Q_OBJECT

public:
    explicit DenyAllFilter(QObject *parent = nullptr);

    QDebug debug(QDebug &debug) const override;
    Decision decide(const LoggingEvent &event) const override;
};

} // namespace LogEngine

#endif
