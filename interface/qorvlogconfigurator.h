#ifndef QORVLOGCONFIGURATOR_H
#define QORVLOGCONFIGURATOR_H

#include "qorvlog_export.h"

#include <QString>

/*!
 * Configures the library from a log4j-style properties file while the
 * application runs, in addition to the configuration found at start-up.
 * Static functions only. Problems are logged on the library's internal
 * logger "LogEngine"; the functions return false when there were any.
 *
 * Apply one configuration at a time: calls from several threads at once
 * would interleave their changes.
 */
class QORVLOG_EXPORT QORVLogConfigurator
{
public:
    QORVLogConfigurator() = delete;

    /*! Applies `fileName` once; true when it was read and applied without error. */
    static bool configure(const QString &fileName);
    /*!
     * Applies `fileName` now and again whenever it changes, also when it is
     * replaced by rename or comes back after being removed; a burst of writes
     * is applied once, a quarter of a second after the last. While the file
     * cannot be read the configuration stays as it was. Calling it again
     * replaces the watched file.
     *
     * Starts no thread: the file is watched from the calling thread, which
     * must run a Qt event loop (usually the main thread, after the
     * application object has been created); the later runs happen there.
     * True when the first run had no error and the file is watched.
     */
    static bool configureAndWatch(const QString &fileName);
    /*! Stops watching the file given to configureAndWatch; the configuration stays. */
    static void stopWatching();
};

#endif
