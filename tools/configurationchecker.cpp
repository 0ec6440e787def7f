#include "configurationchecker.h"

#include "closestname.h"

#include "engine/appenders/asyncappender.h"
#include "engine/appenders/dailyrollingfileappender.h"
#include "engine/appenders/fileappender.h"
#include "engine/appenders/rollingfileappender.h"
#include "engine/configuration/factory.h"
#include "engine/configuration/optionconverter.h"
#include "engine/configuration/propertyconfigurator.h"
#include "engine/hierarchy.h"
#include "engine/layouts/patternlayout.h"
#include "engine/layouts/ttcclayout.h"
#include "engine/logger.h"
#include "engine/logobjectptr.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaProperty>
#include <QRegularExpression>

#include <algorithm>
#include <utility>

using namespace LogEngine;

namespace
{

const QString appenderPrefix = QStringLiteral("log4j.appender.");
// The key that names an asynchronous appender's own appenders.
const QString attachedSuffix = QStringLiteral(".appenders");
const QString loggerPrefix = QStringLiteral("log4j.logger.");
const QString categoryPrefix = QStringLiteral("log4j.category.");
const QString additivityPrefix = QStringLiteral("log4j.additivity.");

const QStringList plainKeys = { QStringLiteral("log4j.reset"), QStringLiteral("log4j.Debug"),
    QStringLiteral("log4j.configDebug"), QStringLiteral("log4j.threshold"), QStringLiteral("log4j.handleQtMessages") };
const QStringList rootKeys = { QStringLiteral("log4j.rootLogger"), QStringLiteral("log4j.rootCategory") };
const QStringList prefixes = { loggerPrefix, categoryPrefix, additivityPrefix, appenderPrefix };

// In the order the level parser tries them.
const QStringList levelNames = { QStringLiteral("OFF"), QStringLiteral("FATAL"), QStringLiteral("ERROR"),
    QStringLiteral("WARN"), QStringLiteral("INFO"), QStringLiteral("DEBUG"), QStringLiteral("TRACE"),
    QStringLiteral("ALL"), QStringLiteral("NULL") };

// Named date formats are never scanned as patterns.
const QStringList namedDateFormats = { QStringLiteral("NONE"), QStringLiteral("RELATIVE"), QStringLiteral("ISO8601"),
    QStringLiteral("ABSOLUTE"), QStringLiteral("DATE") };

constexpr int maxSensibleBackups = 1000;

QString quoted(const QString &text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

QString didYouMean(const QString &suggestion)
{
    return suggestion.isEmpty() ? QString() : QLatin1String("did you mean ") + quoted(suggestion) + QLatin1Char('?');
}

// The same text the appenders' activation reports, built as they build it.
QString appenderError(const char *message, LogError::ErrorCode code, const char *symbol, const QString &className,
    const QStringList &args)
{
    LogError error(QString::fromLatin1(message), code, QString::fromLatin1(symbol), className);
    for (const QString &arg : args)
        error << arg;
    return error.toString();
}

// The "%d{...}" options of a conversion pattern, scanned as the pattern
// parser reads specifiers; "%d" without braces is ISO 8601.
QStringList dateOptions(const QString &pattern)
{
    QStringList options;
    const int size = pattern.size();
    for (int i = 0; i < size; ++i) {
        if (pattern.at(i) != QLatin1Char('%'))
            continue;
        int j = i + 1;
        if (j < size && pattern.at(j) == QLatin1Char('%')) {
            i = j;
            continue;
        }
        while (j < size
            && (pattern.at(j) == QLatin1Char('-') || pattern.at(j) == QLatin1Char('.') || pattern.at(j).isDigit()))
            ++j;
        if (j + 1 < size && pattern.at(j) == QLatin1Char('d') && pattern.at(j + 1) == QLatin1Char('{')) {
            const int close = pattern.indexOf(QLatin1Char('}'), j + 2);
            if (close < 0)
                break;
            options.append(pattern.mid(j + 2, close - j - 2));
            i = close;
        }
    }
    return options;
}

// A key one edit or a change of case away from a form the configurator
// knows. A prefix form is matched up to a full stop of the key, so that
// "log4j.loggerFactory" (a key of its own elsewhere) is not taken for a
// logger named Factory.
QString knownKeyNear(const QString &key)
{
    for (const QString &form : plainKeys + rootKeys) {
        if (ClosestName::distance(key, form, 1) <= 1)
            return form;
    }
    for (const QString &prefix : prefixes) {
        for (int cut = prefix.size() - 1; cut <= prefix.size() + 1; ++cut) {
            if (cut < key.size() && key.at(cut - 1) == QLatin1Char('.')
                && ClosestName::distance(key.left(cut), prefix, 1) <= 1)
                return prefix + key.mid(cut);
        }
    }
    return QString();
}

int lineInMessage(const QString &message)
{
    static const QRegularExpression startLine(QStringLiteral("starting at line (\\d+)$"));
    const QRegularExpressionMatch match = startLine.match(message);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

} // namespace

ConfigurationChecker::ConfigurationChecker(const QString &fileName)
    : m_fileName(fileName)
{
}

bool ConfigurationChecker::run()
{
    m_repository = new Hierarchy;
    const QList<PropertyConfigurator::Finding> found
        = PropertyConfigurator::check(m_fileName, &m_properties, m_repository);
    QSet<QString> keysWithErrors;
    bool readable = true;
    for (const PropertyConfigurator::Finding &finding : found) {
        if (finding.event.level() >= Level(Level::ERROR_INT))
            keysWithErrors.insert(finding.key);
        const QString message = finding.event.message();
        if (message.contains(QLatin1String("CONFIGURATOR_OPENING_FILE_ERROR"))
            || message.contains(QLatin1String("CONFIGURATOR_READING_FILE_ERROR")))
            readable = false;
    }
    // The names first: the hints to the engine's findings draw on them.
    collectNames();
    for (const PropertyConfigurator::Finding &finding : found)
        addEngineFinding(finding.key, finding.event, keysWithErrors.contains(finding.key));

    if (readable) {
        checkKeys();
        checkAppenders();
        checkVariables();
    }

    finish();
    return readable;
}

void ConfigurationChecker::finish()
{
    // The same problem met again (an appender named by two loggers) is
    // reported once; the rest keeps the order it was found in.
    QList<Pending> unique;
    QSet<QString> seen;
    for (const Pending &pending : std::as_const(m_pending)) {
        const Finding &finding = pending.finding;
        const QString identity = QString::number(finding.line)
            + QLatin1Char(finding.severity == Finding::Error ? 'E' : 'W') + finding.message;
        if (!seen.contains(identity)) {
            seen.insert(identity);
            unique.append(pending);
        }
    }
    std::stable_sort(unique.begin(), unique.end(),
        [](const Pending &a, const Pending &b) { return a.finding.line < b.finding.line; });
    // Each look at a candidate costs a few steps per letter. A file with
    // thousands of names and thousands of problems with them would cost
    // their product: the first findings, in line order, get their hints.
    qsizetype budget = 500000;
    m_findings.clear();
    for (Pending &pending : unique) {
        const NearName &near = pending.near;
        if (near.candidates && near.candidates->size() <= budget) {
            budget -= near.candidates->size();
            const QString found = ClosestName::find(near.name, *near.candidates);
            if (!found.isEmpty())
                pending.finding.hint = didYouMean(near.before + found + near.after);
        }
        m_findings.append(pending.finding);
    }
}

void ConfigurationChecker::addEngineFinding(const QString &key, const LoggingEvent &event, bool keyHasError)
{
    const QString message = event.message();
    // A warning that an error on the same key says again: the factory's about
    // an unknown class before the configurator's, the level parser's before
    // the converter's.
    if (keyHasError && event.level() < Level(Level::ERROR_INT)
        && (message.endsWith(QLatin1String(", which is not registered"))
            || message.startsWith(QLatin1String("Use of invalid level string"))))
        return;
    Pending pending;
    Finding &finding = pending.finding;
    finding.file = m_fileName;
    finding.line = key.isEmpty() ? lineInMessage(message) : m_properties.lineOf(key);
    finding.severity = event.level() >= Level(Level::ERROR_INT) ? Finding::Error : Finding::Warning;
    finding.message = message;
    finding.hint = engineHint(key, message, &pending.near);
    m_pending.append(pending);
}

// What the engine's messages quote is matched with what exists.
QString ConfigurationChecker::engineHint(const QString &key, const QString &message, NearName *near) const
{
    static const QRegularExpression invalidOption(
        QStringLiteral("^Invalid option string '(.*)' for a (level|boolean|target) \\("));
    static const QRegularExpression invalidLevel(QStringLiteral("^Use of invalid level string '(.*)'\\. "));
    static const QRegularExpression unknownAppender(
        QStringLiteral("^Unable to create appender of class '(.*)' namd '"));
    static const QRegularExpression unknownLayout(
        QStringLiteral("^Unable to create layoput of class '(.*)' requested by appender '"));
    static const QRegularExpression unknownFilter(
        QStringLiteral("^Unable to create filter of class '(.*)' requested by appender '"));
    static const QRegularExpression missingAppender(
        QStringLiteral("^Missing appender definition for appender named '(.*)' \\("));
    static const QRegularExpression missingProperty(
        QStringLiteral("Property '(.*)' does not exist in class '(.*)' \\(LogEngine::Factory\\)$"));

    QRegularExpressionMatch match = invalidOption.match(message);
    if (match.hasMatch()) {
        const QString option = match.captured(1).trimmed();
        const QString kind = match.captured(2);
        if (kind == QLatin1String("level"))
            return didYouMean(ClosestName::find(option.toUpper(), levelNames, ClosestName::NearlyEqualOrPrefix));
        if (kind == QLatin1String("boolean"))
            return didYouMean(ClosestName::find(option, { QStringLiteral("true"), QStringLiteral("false") }));
        return didYouMean(ClosestName::find(option, { QStringLiteral("System.out"), QStringLiteral("System.err") }));
    }
    if ((match = invalidLevel.match(message)).hasMatch())
        return didYouMean(ClosestName::find(match.captured(1).trimmed(), levelNames, ClosestName::NearlyEqualOrPrefix));
    if ((match = unknownAppender.match(message)).hasMatch())
        return didYouMean(ClosestName::find(match.captured(1), Factory::appenderClassNames()));
    if ((match = unknownLayout.match(message)).hasMatch())
        return didYouMean(ClosestName::find(match.captured(1), Factory::layoutClassNames()));
    if ((match = unknownFilter.match(message)).hasMatch())
        return didYouMean(ClosestName::find(match.captured(1), Factory::filterClassNames()));
    if ((match = missingAppender.match(message)).hasMatch()) {
        *near = { match.captured(1), &m_defined, QString(), QString() };
        return QString();
    }
    if ((match = missingProperty.match(message)).hasMatch())
        return propertyHint(key, match.captured(1), match.captured(2));
    return QString();
}

// The properties the factory can set on the class, in the form the key used
// (a capital first letter stays capital).
QString ConfigurationChecker::propertyHint(const QString &key, const QString &name, const QString &className) const
{
    LogObjectPtr<LogObject> probe(Factory::createAppender(className));
    if (!probe)
        probe = Factory::createLayout(className);
    if (!probe)
        probe = Factory::createFilter(className);
    if (!probe)
        return QString();
    QStringList candidates;
    const QMetaObject *metaObject = probe->metaObject();
    for (int i = 0; i < metaObject->propertyCount(); ++i) {
        const QMetaProperty property = metaObject->property(i);
        const QLatin1String type(property.typeName());
        if (property.isWritable() && qstrcmp(property.name(), "objectName") != 0
            && (type == QLatin1String("bool") || type == QLatin1String("int") || type == QLatin1String("QString")
                || type == QLatin1String("LogEngine::Level")))
            candidates.append(QString::fromLatin1(property.name()));
    }
    QString suggestion = ClosestName::find(name, candidates);
    const QString written = key.right(name.size());
    if (!suggestion.isEmpty() && !written.isEmpty() && written.at(0).isUpper())
        suggestion[0] = suggestion.at(0).toUpper();
    return didYouMean(suggestion);
}

void ConfigurationChecker::collectNames()
{
    m_keys = m_properties.keys();
    m_keys.sort();
    static const QRegularExpression reference(QStringLiteral("\\$\\{([^}]*)\\}"));
    for (const QString &key : std::as_const(m_keys)) {
        QRegularExpressionMatchIterator it = reference.globalMatch(m_properties.value(key));
        while (it.hasNext())
            m_variables.insert(it.next().captured(1));
    }

    QStringList loggerKeys;
    if (m_properties.contains(rootKeys.at(0)))
        loggerKeys.append(rootKeys.at(0));
    else if (m_properties.contains(rootKeys.at(1)))
        loggerKeys.append(rootKeys.at(1));
    for (const QString &key : std::as_const(m_keys)) {
        if ((key.startsWith(loggerPrefix) && key.size() > loggerPrefix.size())
            || (key.startsWith(categoryPrefix) && key.size() > categoryPrefix.size()))
            loggerKeys.append(key);
    }
    for (const QString &key : std::as_const(loggerKeys)) {
        const QStringList parts
            = OptionConverter::substituteVariables(m_properties, key, m_substitutionBudget).split(QLatin1Char(','));
        for (int i = 1; i < parts.size(); ++i) {
            const QString name = parts.at(i).trimmed();
            if (!name.isEmpty())
                m_referenced.insert(name);
        }
    }
    // An asynchronous appender a logger uses uses those it names in turn.
    for (bool grew = true; grew;) {
        grew = false;
        for (const QString &key : std::as_const(m_keys)) {
            if (!key.startsWith(appenderPrefix) || !key.endsWith(attachedSuffix))
                continue;
            const QString owner = key.mid(appenderPrefix.size()).chopped(attachedSuffix.size());
            if (!m_referenced.contains(owner))
                continue;
            const QStringList names = OptionConverter::substituteVariables(m_properties, key).split(QLatin1Char(','));
            for (const QString &part : names) {
                const QString name = part.trimmed();
                if (!name.isEmpty() && !m_referenced.contains(name)) {
                    m_referenced.insert(name);
                    grew = true;
                }
            }
        }
    }
    // A name with a full stop is an appender only when a logger names it.
    for (const QString &key : std::as_const(m_keys)) {
        const QString name = key.mid(appenderPrefix.size());
        if (key.startsWith(appenderPrefix) && !name.isEmpty()
            && (!name.contains(QLatin1Char('.')) || m_referenced.contains(name)))
            m_defined.append(name);
    }
    m_definedSet = QSet<QString>(m_defined.cbegin(), m_defined.cend());
    for (const QString &key : std::as_const(m_keys)) {
        if (key.startsWith(loggerPrefix))
            m_loggerNames.append(key.mid(loggerPrefix.size()));
        else if (key.startsWith(categoryPrefix))
            m_loggerNames.append(key.mid(categoryPrefix.size()));
    }

    const QList<Logger *> loggers = m_repository->loggers();
    QList<Appender *> appenders;
    for (const Logger *logger : loggers)
        appenders += logger->appenders();
    while (!appenders.isEmpty()) {
        Appender *appender = appenders.takeFirst();
        if (m_appenders.contains(appender->name()))
            continue;
        m_appenders.insert(appender->name(), appender);
        if (const auto *async = qobject_cast<const AsyncAppender *>(appender))
            appenders += async->appenders();
    }
}

void ConfigurationChecker::checkKeys()
{
    for (const QString &key : std::as_const(m_keys)) {
        if (plainKeys.contains(key)) {
            if (key == QLatin1String("log4j.configDebug") && m_properties.contains(QStringLiteral("log4j.Debug")))
                ignored(key, QStringLiteral("'log4j.Debug' is given too"));
            continue;
        }
        if (rootKeys.contains(key)) {
            m_readKeys.insert(key);
            if (key == rootKeys.at(1) && m_properties.contains(rootKeys.at(0)))
                ignored(key, QStringLiteral("'log4j.rootLogger' is given too"));
            continue;
        }
        if (key.startsWith(loggerPrefix) || key.startsWith(categoryPrefix)) {
            const QString name = key.mid(key.startsWith(loggerPrefix) ? loggerPrefix.size() : categoryPrefix.size());
            if (name.isEmpty()) {
                ignored(key, QStringLiteral("it names no logger"));
                continue;
            }
            m_readKeys.insert(key);
            if (key.startsWith(categoryPrefix) && m_properties.contains(loggerPrefix + name))
                add(key, Finding::Warning,
                    QStringLiteral("Keys %1 and %2 both configure the logger %3: which of them wins is not defined")
                        .arg(quoted(loggerPrefix + name), quoted(key),
                            quoted(OptionConverter::classNameJavaToCpp(name))));
            continue;
        }
        if (key.startsWith(additivityPrefix)) {
            const QString name = key.mid(additivityPrefix.size());
            if (m_properties.contains(loggerPrefix + name) || m_properties.contains(categoryPrefix + name)) {
                m_readKeys.insert(key);
                continue;
            }
            const NearName near { name, &m_loggerNames, additivityPrefix, QString() };
            ignored(key, QStringLiteral("no %1 key configures that logger").arg(quoted(loggerPrefix + name)), QString(),
                &near);
            continue;
        }
        if (key.startsWith(appenderPrefix)) {
            checkAppenderKey(key);
            continue;
        }
        if (m_variables.contains(key)) {
            m_readKeys.insert(key);
            continue;
        }
        ignored(key, QStringLiteral("it is no configuration key and no variable uses it"), knownKeyNear(key));
    }

    for (const QString &name : std::as_const(m_defined)) {
        if (!m_referenced.contains(name))
            add(appenderPrefix + name, Finding::Warning,
                QStringLiteral("Appender %1 is defined but no logger uses it").arg(quoted(name)));
    }
}

// Which appender a key belongs to: the longest defined name it starts with,
// up to a full stop or the end.
void ConfigurationChecker::checkAppenderKey(const QString &key)
{
    const QString rest = key.mid(appenderPrefix.size());
    QString owner;
    for (int end = rest.size(); end > 0 && owner.isEmpty(); end = rest.lastIndexOf(QLatin1Char('.'), end - 1)) {
        if (m_definedSet.contains(rest.left(end)))
            owner = rest.left(end);
    }
    if (owner.isEmpty()) {
        const QString name = rest.section(QLatin1Char('.'), 0, 0);
        const NearName near { name, &m_defined, appenderPrefix, rest.mid(name.size()) };
        ignored(key,
            name.isEmpty() ? QStringLiteral("it names no appender")
                           : QStringLiteral("no appender %1 is defined").arg(quoted(name)),
            QString(), &near);
        return;
    }
    // An appender that no logger uses is never built; its definition says so.
    if (!m_referenced.contains(owner))
        return;
    m_readKeys.insert(key);
    if (rest == owner)
        return;
    const QString property = rest.mid(owner.size() + 1);
    const QString first = property.section(QLatin1Char('.'), 0, 0);
    if (first.compare(QLatin1String("filter"), Qt::CaseInsensitive) == 0) {
        checkFilterKey(key, owner, property);
        return;
    }
    if (first.compare(QLatin1String("layout"), Qt::CaseInsensitive) != 0)
        return;
    if (first != QLatin1String("layout")) {
        m_readKeys.remove(key);
        ignored(key, QStringLiteral("the layout's keys are spelt 'layout'"),
            appenderPrefix + owner + QLatin1String(".layout") + property.mid(first.size()));
        return;
    }
    const Appender *appender = m_appenders.value(owner);
    if (appender && !appender->requiresLayout()) {
        m_readKeys.remove(key);
        ignored(key,
            QStringLiteral("appender %1 (%2) uses no layout")
                .arg(quoted(owner), QString::fromLatin1(appender->metaObject()->className())));
    }
}

// "filter.ID" names a filter's class and "filter.ID.PROPERTY" sets one of
// its properties; anything else under "filter" builds nothing.
void ConfigurationChecker::checkFilterKey(const QString &key, const QString &owner, const QString &property)
{
    const QString filterPrefix = appenderPrefix + owner + QLatin1String(".filter");
    if (!property.startsWith(QLatin1String("filter"))) {
        m_readKeys.remove(key);
        ignored(key, QStringLiteral("the filters' keys are spelt 'filter'"), filterPrefix + property.mid(6));
        return;
    }
    const QString id = property.section(QLatin1Char('.'), 1, 1);
    if (id.isEmpty()) {
        m_readKeys.remove(key);
        ignored(key,
            QStringLiteral("it names no filter: filters are given as %1")
                .arg(quoted(filterPrefix + QLatin1String(".ID"))));
        return;
    }
    if (property.count(QLatin1Char('.')) > 1 && !m_properties.contains(filterPrefix + QLatin1Char('.') + id)) {
        m_readKeys.remove(key);
        ignored(key,
            QStringLiteral("no key %1 gives the filter's class").arg(quoted(filterPrefix + QLatin1Char('.') + id)));
    }
}

void ConfigurationChecker::checkAppenders()
{
    // Each file once, with the appender and line that name it first.
    QMap<QString, QPair<QString, int>> files;
    QList<QPair<int, QString>> byLine;
    for (auto it = m_appenders.cbegin(); it != m_appenders.cend(); ++it)
        byLine.append(
            { m_properties.lineOf(propertyKey(appenderPrefix + it.key(), QStringLiteral("file"))), it.key() });
    std::sort(byLine.begin(), byLine.end());

    for (const auto &entry : std::as_const(byLine)) {
        const QString &name = entry.second;
        const Appender *appender = m_appenders.value(name);
        const QString prefix = appenderPrefix + name;
        const QString className = QString::fromLatin1(appender->metaObject()->className());

        if (const auto *daily = qobject_cast<const DailyRollingFileAppender *>(appender)) {
            const QString key = propertyKey(prefix, QStringLiteral("datePattern"));
            const QString pattern = daily->datePattern();
            DailyRollingFileAppender::DatePattern frequency;
            if (!DailyRollingFileAppender::frequencyOf(pattern, &frequency))
                add(key, Finding::Error,
                    appenderError("The pattern '%1' does not specify a frequency for appender '%2'",
                        LogError::APPENDER_INVALID_PATTERN_ERROR, "APPENDER_INVALID_PATTERN_ERROR", className,
                        { pattern, name }));
            checkDatePattern(pattern, key);
        }
        // Each roll-over moves every backup there is: thousands of them make
        // logging wait, and keep more files than anyone reads.
        if (const auto *rolling = qobject_cast<const RollingFileAppender *>(appender);
            rolling && rolling->maxBackupIndex() > maxSensibleBackups)
            add(propertyKey(prefix, QStringLiteral("maxBackupIndex")), Finding::Warning,
                QStringLiteral("Appender %1 keeps up to %2 backups, more than %3: is that meant?")
                    .arg(quoted(name))
                    .arg(rolling->maxBackupIndex())
                    .arg(maxSensibleBackups));
        if (const auto *fileAppender = qobject_cast<const FileAppender *>(appender)) {
            const QString key = propertyKey(prefix, QStringLiteral("file"));
            const QString file = fileAppender->file();
            checkFile(name, className, file, key);
            if (!file.isEmpty()) {
                const QString path = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
                const auto first = files.constFind(path);
                if (first == files.cend())
                    files.insert(path, { name, entry.first });
                else
                    add(key, Finding::Error,
                        QStringLiteral("Appender %1 writes %2, which appender %3 on line %4 writes too")
                            .arg(quoted(name), quoted(file), quoted(first->first))
                            .arg(first->second));
            }
        }
        if (const auto *layout = qobject_cast<const PatternLayout *>(appender->layout())) {
            const QString key = propertyKey(prefix + QLatin1String(".layout"), QStringLiteral("conversionPattern"));
            const QStringList options = dateOptions(layout->conversionPattern());
            for (const QString &option : options)
                checkDatePattern(option, key);
        } else if (const auto *ttcc = qobject_cast<const TTCCLayout *>(appender->layout())) {
            checkDatePattern(
                ttcc->dateFormat(), propertyKey(prefix + QLatin1String(".layout"), QStringLiteral("dateFormat")));
        }
    }
}

// What activating a file appender runs into before it writes: no file
// name, or a directory of its path that cannot be made because a plain
// file has its name.
void ConfigurationChecker::checkFile(
    const QString &name, const QString &className, const QString &file, const QString &key)
{
    if (file.isEmpty()) {
        add(key, Finding::Error,
            appenderError("Activation of Appender '%1' that requires file and has no file set",
                LogError::APPENDER_ACTIVATE_MISSING_FILE_ERROR, "APPENDER_ACTIVATE_MISSING_FILE_ERROR", className,
                { name }));
        return;
    }
    const QString path = QDir::cleanPath(QFileInfo(file).path());
    QString existing = path;
    while (!QFileInfo::exists(existing)) {
        const QString parent = QFileInfo(existing).path();
        if (parent == existing)
            break;
        existing = parent;
    }
    if (QFileInfo::exists(existing) && !QFileInfo(existing).isDir())
        add(key, Finding::Error,
            QStringLiteral("Appender %1 cannot open %2: %3 is a file, not a directory")
                .arg(quoted(name), quoted(file), quoted(existing)));
}

// Letters of other date languages that this one prints as they stand.
void ConfigurationChecker::checkDatePattern(const QString &pattern, const QString &key)
{
    if (namedDateFormats.contains(pattern))
        return;
    static const QString foreignLetters = QStringLiteral("GYLWDFEukKZX");
    QString reported;
    bool inQuotes = false;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('\'')) {
            inQuotes = !inQuotes;
            continue;
        }
        if (inQuotes || !foreignLetters.contains(c) || reported.contains(c))
            continue;
        reported += c;
        const QString suggestion = c == QLatin1Char('E') ? QStringLiteral("ddd")
            : c == QLatin1Char('Y')                      ? QStringLiteral("yyyy")
                                                         : QString();
        add(key, Finding::Warning,
            QStringLiteral("Date pattern %1 prints %2 as it stands: it is no date letter here")
                .arg(quoted(pattern), quoted(QString(c))),
            didYouMean(suggestion));
    }
}

// The configurator expands ${name} from this file's keys, then from the
// environment and the standard names it knows; this process's environment
// stands for the application's.
void ConfigurationChecker::checkVariables()
{
    static const QRegularExpression reference(QStringLiteral("\\$\\{([^}]*)\\}"));
    for (const QString &key : std::as_const(m_keys)) {
        if (!m_readKeys.contains(key))
            continue;
        QStringList reported;
        QRegularExpressionMatchIterator it = reference.globalMatch(m_properties.value(key));
        while (it.hasNext()) {
            const QString name = it.next().captured(1);
            if (m_properties.contains(name) || reported.contains(name)
                || !OptionConverter::environmentValue(name).isNull())
                continue;
            reported.append(name);
            add(key, Finding::Warning,
                QStringLiteral("%1 names no key of this file and is replaced by nothing")
                    .arg(quoted(QLatin1String("${") + name + QLatin1Char('}'))));
        }
    }
}

void ConfigurationChecker::add(
    const QString &key, Finding::Severity severity, const QString &message, const QString &hint, const NearName *near)
{
    Pending pending;
    pending.finding.file = m_fileName;
    pending.finding.line = m_properties.lineOf(key);
    pending.finding.severity = severity;
    pending.finding.message = message;
    pending.finding.hint = hint;
    if (near)
        pending.near = *near;
    m_pending.append(pending);
}

void ConfigurationChecker::ignored(
    const QString &key, const QString &reason, const QString &suggestion, const NearName *near)
{
    add(key, Finding::Warning, QStringLiteral("Key %1 is ignored: %2").arg(quoted(key), reason), didYouMean(suggestion),
        near);
}

// The factory tries the name as written, then with its first letter in
// lower case; of two keys that both reach the property, the later in sorted
// order is set last and wins.
QString ConfigurationChecker::propertyKey(const QString &prefix, const QString &property) const
{
    QString found = prefix;
    const QString start = prefix + QLatin1Char('.');
    // The keys are sorted: those with the prefix are neighbours.
    for (auto it = std::lower_bound(m_keys.cbegin(), m_keys.cend(), start);
         it != m_keys.cend() && it->startsWith(start); ++it) {
        const QString &key = *it;
        QString rest = key.mid(start.size());
        if (rest != property && !rest.isEmpty()) {
            rest[0] = rest.at(0).toLower();
            if (rest != property)
                continue;
        }
        if (rest == property)
            found = key;
    }
    return found;
}
