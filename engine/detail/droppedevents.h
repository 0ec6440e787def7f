#ifndef LOGENGINE_DROPPEDEVENTS_H
#define LOGENGINE_DROPPEDEVENTS_H

#include <QString>

namespace LogEngine
{

class Logger;

/*!
 * Says why events go nowhere, so that none is dropped in silence: a logger
 * whose event finds no appender on its way up tells `noAppender`.
 *
 * - While nothing has been configured (start-up found no configuration and
 *   no configurator has run since), the first such event of the process
 *   prints one notice on standard error, which says where a configuration
 *   is looked for and how to see more.
 * - For a logger named with `reportFirstDrop`, the first such event on it
 *   is reported with the reason given, at WARN on the internal logger.
 *
 * Static functions only; thread-safe. `noAppender` costs two relaxed loads
 * once there is nothing left to say.
 */
class DroppedEvents
{
public:
    DroppedEvents() = delete;

    /*! An event on `logger` found no appender on its way; the caller holds no lock of its own. */
    static void noAppender(const Logger *logger);
    /*! Whether the process runs without any configuration. */
    static void setUnconfigured(bool unconfigured);
    /*! Reports, once, the first event on `logger` that finds no appender; `reason` says why. */
    static void reportFirstDrop(const Logger *logger, const QString &reason);

    /*! The notice printed while nothing is configured. */
    static const char *notice();
};

} // namespace LogEngine

#endif
