#ifndef LOGENGINE_NULLAPPENDER_H
#define LOGENGINE_NULLAPPENDER_H

#include "engine/appenders/appenderskeleton.h"

namespace LogEngine
{

/*!
 * Accepts events and discards them. Like the file appenders it must be
 * activated first; it needs no layout.
 */
class NullAppender : public AppenderSkeleton
{
    Q_OBJECT

public:
    explicit NullAppender(QObject *parent = nullptr);
    ~NullAppender() override;

    bool requiresLayout() const override { return false; }

    QDebug debug(QDebug &debug) const override;

protected:
    void append(const LoggingEvent &event) override;
};

} // namespace LogEngine

#endif
