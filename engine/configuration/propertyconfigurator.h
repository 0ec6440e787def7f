#ifndef LOGENGINE_PROPERTYCONFIGURATOR_H
#define LOGENGINE_PROPERTYCONFIGURATOR_H

#include "engine/appenders/appender.h"
#include "engine/appenders/listappender.h"
#include "engine/configuration/optionconverter.h"
#include "engine/layouts/layout.h"
#include "engine/loggingevent.h"
#include "engine/logobjectptr.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

class QSettings;

namespace LogEngine
{

class Logger;
class LoggerRepository;
class Properties;

/*!
 * Applies a log4j-style properties set to the logger repository: the global
 * switches ("log4j.reset", "log4j.Debug", "log4j.threshold",
 * "log4j.handleQtMessages"), the root logger, every other logger with its
 * level, appenders and additivity, and each appender's layout and
 * properties, created and set through the factory.
 *
 * A run never stops at a problem and never throws: every problem is logged
 * on the engine's internal loggers, and the records of level ERROR logged
 * during the run (seen through a configurator list on "LogEngine") decide
 * the result and are kept by the configurator helper.
 *
 * A check run (`check`) goes the same way through the same code, but into a
 * repository of the caller's, and records instead of acting on anything
 * beyond it: see there.
 *
 * An appender that a run defines anew replaces the one of the same name
 * that the loggers held before: the earlier one is taken off every logger
 * and closed before its successor is activated (which may open, and
 * truncate, the same file), and the successor goes wherever the earlier
 * one was, besides where the run names it.
 *
 * Thread-safety: each run uses its own object and the engine's objects lock
 * themselves, but runs are meant to happen one at a time: two at once would
 * interleave their changes and see each other's errors.
 */
class PropertyConfigurator
{
public:
    /*! A message that a check run met, with the key it was applying then (empty while reading the file). */
    struct Finding {
        QString key;
        LoggingEvent event;
    };

    ~PropertyConfigurator();

    /*! Configures from the properties file `configFileName`; true when the run logged no error. */
    static bool configure(const QString &configFileName);
    /*! Configures from the keys of the current group of `settings`; true when the run logged no error. */
    static bool configure(QSettings &settings);
    /*!
     * Configures from the properties file `configFileName` as configure does,
     * then applies it again whenever it changes: also when it is replaced by
     * rename, and when it comes back after being removed (its directory is
     * watched meanwhile). A burst of changes is applied once, by one run
     * ConfiguratorHelper::reapplyDelay (250 ms) after the last change. Each
     * such run is announced by ConfiguratorHelper::configurationFileChanged with
     * the absolute file name and whether it logged errors; a file that cannot
     * be opened changes nothing and is announced with errors. Calling it again
     * replaces the watched file; stopWatching ends the watch.
     *
     * Starts no thread: the watcher lives on the calling thread and is served
     * by that thread's event loop, which also runs the later configurations.
     * Call it from a thread that runs one (usually the main thread, once the
     * application object exists); no other thread should configure meanwhile.
     * Returns true when the first run logged no error and the file is watched.
     */
    static bool configureAndWatch(const QString &configFileName);
    /*! Ends the watch set up by configureAndWatch; the configuration stays as it is. */
    static void stopWatching();

    /*!
     * Reads `configFileName` into `properties` and applies it to
     * `repository`, which must not be the log manager's, as `configure`
     * would: the same lookups, conversions, objects and messages. Nothing
     * beyond `repository` changes: "log4j.reset", "log4j.Debug" and
     * "log4j.handleQtMessages" are read and converted but not applied, no
     * appender is activated (so no file is created or opened; the caller
     * checks what activation would), and the errors kept from the last real
     * run stay as they are.
     *
     * Returns every message of WARN and above logged below the internal
     * logger "LogEngine" meanwhile, each with the key being applied. The
     * caller enables "LogEngine" for WARN to see warnings, and keeps other
     * threads from reporting meanwhile: their messages would be taken too.
     */
    static QList<Finding> check(const QString &configFileName, Properties *properties, LoggerRepository *repository);

private:
    PropertyConfigurator();

    /*! Within its lifetime, what is logged belongs to `key` (check runs only). */
    class KeyScope
    {
    public:
        KeyScope(PropertyConfigurator *configurator, const QString &key);
        ~KeyScope();

    private:
        PropertyConfigurator *m_configurator;
        QString m_outerKey;
        Q_DISABLE_COPY(KeyScope)
    };
    /*! Hands the messages captured since the last call to the current key. */
    void takeFindings();

    void startCaptureErrors();
    bool stopCaptureErrors();

    void doConfigure(const QString &configFileName, Properties &properties, LoggerRepository *repository);
    void doConfigure(QSettings &settings, LoggerRepository *repository);
    void doConfigure(const Properties &properties, LoggerRepository *repository);

    void configureGlobalSettings(const Properties &properties, LoggerRepository *repository);
    void configureRootLogger(const Properties &properties, LoggerRepository *repository);
    void configureNonRootElements(const Properties &properties, LoggerRepository *repository);
    void parseLogger(const Properties &properties, Logger *logger, const QString &key, const QString &value);
    LogObjectPtr<Appender> parseAppender(const Properties &properties, const QString &appenderName);
    /*! Takes the appenders named `name` from before the run off every logger and closes them; returns the loggers that
     * held them. */
    QList<Logger *> retireEarlier(const QString &name);
    LogObjectPtr<Layout> parseLayout(const Properties &properties, const QString &appenderKey);
    void setProperties(
        const Properties &properties, const QString &prefix, const QStringList &exclusions, QObject *object);
    void parseAdditivityForLogger(const Properties &properties, Logger *logger, const QString &log4jName);

    LogObjectPtr<ListAppender> m_configureErrors;
    QHash<QString, LogObjectPtr<Appender>> m_appenderRegistry;
    // What the run's ${key} expansions may still cost, all of them together.
    OptionConverter::SubstitutionBudget m_substitutionBudget;
    // The appenders attached to loggers when the run began, by name: those
    // it replaces are closed before their successors are activated.
    QMultiHash<QString, LogObjectPtr<Appender>> m_earlier;
    LoggerRepository *m_repository = nullptr;
    // The run's keys in sorted order: the keys with one prefix are neighbours,
    // so each appender finds its own without a walk over all of them.
    std::vector<QString> m_sortedKeys;
    // Check runs only: the key being applied and what has been met so far.
    bool m_checking = false;
    QString m_key;
    int m_taken = 0;
    QList<Finding> m_findings;

    Q_DISABLE_COPY(PropertyConfigurator)
};

} // namespace LogEngine

#endif
