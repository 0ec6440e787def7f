#ifndef QORVLOG_TOOL_CONFIGURATIONCHECKER_H
#define QORVLOG_TOOL_CONFIGURATIONCHECKER_H

#include "engine/configuration/optionconverter.h"
#include "engine/configuration/properties.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

namespace LogEngine
{
class Appender;
class LoggerRepository;
class LoggingEvent;
} // namespace LogEngine

/*!
 * Finds what is wrong with one configuration file without applying it:
 * the engine's configurator runs in its check mode into a repository of
 * this object's own (the same reader, factory and conversions as a real
 * run, and no appender activated), and what it reports becomes findings on
 * the lines of the keys concerned. On top come the problems a run does not
 * report: keys it ignores, appenders nobody uses, what activating the file
 * appenders would run into, date pattern letters that print themselves and
 * variables that stand for nothing.
 *
 * The engine's internal logger must be enabled for WARN and must not write
 * anywhere else meanwhile; the tool's process sees to that.
 */
class ConfigurationChecker
{
public:
    struct Finding {
        enum Severity { Warning, Error };
        QString file;
        // 0 for the file as a whole.
        int line = 0;
        Severity severity = Warning;
        QString message;
        QString hint;
    };

    explicit ConfigurationChecker(const QString &fileName);

    /*! Checks the file; false when it could not be read (which is a finding too). */
    bool run();
    /*! Sorted by line; a problem met several times is there once. */
    QList<Finding> findings() const { return m_findings; }
    /*!
     * The loggers and appenders the file builds, none of them active. The
     * repository lives as long as the process: loggers are never destroyed.
     */
    LogEngine::LoggerRepository *repository() const { return m_repository; }

private:
    /*!
     * A name to be matched against a list that may be long (the file's own
     * appender or logger names); the hint names `before`, the nearest one and
     * `after`. Matched once the findings are sorted, within a budget.
     */
    struct NearName {
        QString name;
        const QStringList *candidates = nullptr;
        QString before;
        QString after;
    };
    struct Pending {
        Finding finding;
        NearName near;
    };

    void addEngineFinding(const QString &key, const LogEngine::LoggingEvent &event, bool keyHasError);
    QString engineHint(const QString &key, const QString &message, NearName *near) const;
    QString propertyHint(const QString &key, const QString &name, const QString &className) const;
    void collectNames();
    void checkKeys();
    void checkAppenderKey(const QString &key);
    void checkAppenders();
    void checkFile(const QString &name, const QString &className, const QString &file, const QString &key);
    void checkDatePattern(const QString &pattern, const QString &key);
    void checkVariables();
    void add(const QString &key, Finding::Severity severity, const QString &message, const QString &hint = QString(),
        const NearName *near = nullptr);
    void ignored(const QString &key, const QString &reason, const QString &suggestion = QString(),
        const NearName *near = nullptr);
    /*! Sorts, drops repeats and looks for the near names. */
    void finish();
    /*! The key that sets `property` on the object configured by `prefix`; `prefix` itself when there is none. */
    QString propertyKey(const QString &prefix, const QString &property) const;

    QString m_fileName;
    LogEngine::Properties m_properties;
    // The checker's own expansions cost no more than a run's.
    LogEngine::OptionConverter::SubstitutionBudget m_substitutionBudget;
    LogEngine::LoggerRepository *m_repository = nullptr;
    QStringList m_keys;
    // Appender names as keys define them and as loggers name them.
    QStringList m_defined;
    QSet<QString> m_definedSet;
    QStringList m_loggerNames;
    QSet<QString> m_referenced;
    QSet<QString> m_variables;
    QSet<QString> m_readKeys;
    QMap<QString, LogEngine::Appender *> m_appenders;
    QList<Pending> m_pending;
    QList<Finding> m_findings;
};

#endif
