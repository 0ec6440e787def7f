#ifndef LOGENGINE_DEBUGAPPENDER_H
#define LOGENGINE_DEBUGAPPENDER_H

#include "engine/appenders/appenderskeleton.h"

namespace LogEngine
{

/*!
 * Writes each event's layout text, in the local 8-bit encoding, to the C
 * runtime's standard error and flushes it, on every platform alike. Starts
 * active and needs a layout. Writes are not coordinated with other writers
 * of standard error beyond the C runtime's own locking.
 */
class DebugAppender : public AppenderSkeleton
{
    Q_OBJECT

public:
    explicit DebugAppender(QObject *parent = nullptr);
    DebugAppender(Layout *layout, QObject *parent = nullptr);
    ~DebugAppender() override;

    bool requiresLayout() const override { return true; }

    QDebug debug(QDebug &debug) const override;

protected:
    void append(const LoggingEvent &event) override;
};

} // namespace LogEngine

#endif
