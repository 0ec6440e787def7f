// Requests below WARN are removed from this file at compile time.
#define QORVLOG_ACTIVE_LEVEL QORVLOG_LEVEL_WARN
#include <qorvlogger.h>

#include "removedrequests.h"

void logAtEveryLevel(const QORVLogger &logger, int &evaluated)
{
    QORVLOG_TRACE(logger, "trace %1", ++evaluated);
    QORVLOG_DEBUG(logger, "debug %1", ++evaluated);
    QORVLOG_INFO(logger, "info %1", ++evaluated);
    QORVLOG_WARN(logger, "warn %1", ++evaluated);
    QORVLOG_ERROR(logger, "error %1", ++evaluated);
}
