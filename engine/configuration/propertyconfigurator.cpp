#include "engine/configuration/propertyconfigurator.h"
#include "engine/detail/classlogger.h"

#include "engine/appenders/appenderskeleton.h"
#include "engine/appenders/asyncappender.h"
#include "engine/appenders/filter.h"
#include "engine/configuration/configuratorhelper.h"
#include "engine/configuration/factory.h"
#include "engine/configuration/optionconverter.h"
#include "engine/configuration/properties.h"
#include "engine/detail/droppedevents.h"
#include "engine/logger.h"
#include "engine/loggerrepository.h"
#include "engine/logmanager.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>
#include <utility>

namespace LogEngine
{

namespace
{

const ClassLogger configuratorLogger("LogEngine::PropertyConfigurator");

LogError configuratorError(const char *message, LogError::ErrorCode code, const char *symbol)
{
    return LogError(message, code, symbol, "LogEngine::PropertyConfigurator");
}

#define LOGENGINE_CONFIGURATOR_ERROR(message, code) configuratorError(message, LogError::code, #code)

// The largest configuration file read; real ones are a few kilobytes.
constexpr qint64 maxFileSize = 16 * 1024 * 1024;

// The cause is the file's own error, or `refusal` when the file was not
// opened for a reason of the configurator's (then reported as an open error).
void reportFileError(
    const char *message, LogError::ErrorCode code, const char *symbol, const QFile &file, const char *refusal = nullptr)
{
    LogError error = configuratorError(message, code, symbol);
    error << file.fileName();
    if (refusal)
        error.addCausingError(LogError(refusal, QFileDevice::OpenError));
    else
        error.addCausingError(LogError(file.errorString(), file.error(), QString(), QString()));
    configuratorLogger()->error(error);
}

} // namespace

PropertyConfigurator::PropertyConfigurator() = default;

PropertyConfigurator::~PropertyConfigurator() = default;

bool PropertyConfigurator::configure(const QString &configFileName)
{
    PropertyConfigurator configurator;
    configurator.startCaptureErrors();
    Properties properties;
    configurator.doConfigure(configFileName, properties, nullptr);
    return configurator.stopCaptureErrors();
}

bool PropertyConfigurator::configure(QSettings &settings)
{
    PropertyConfigurator configurator;
    configurator.startCaptureErrors();
    configurator.doConfigure(settings, nullptr);
    return configurator.stopCaptureErrors();
}

QList<PropertyConfigurator::Finding> PropertyConfigurator::check(
    const QString &configFileName, Properties *properties, LoggerRepository *repository)
{
    // Null would mean the log manager's repository: the running configuration.
    Q_ASSERT(repository && repository != LogManager::loggerRepository());
    if (!repository || !properties)
        return {};
    PropertyConfigurator configurator;
    configurator.m_checking = true;
    configurator.startCaptureErrors();
    configurator.doConfigure(configFileName, *properties, repository);
    configurator.stopCaptureErrors();
    return configurator.m_findings;
}

PropertyConfigurator::KeyScope::KeyScope(PropertyConfigurator *configurator, const QString &key)
    : m_configurator(configurator->m_checking ? configurator : nullptr)
{
    if (!m_configurator)
        return;
    m_configurator->takeFindings();
    m_outerKey = m_configurator->m_key;
    m_configurator->m_key = key;
}

PropertyConfigurator::KeyScope::~KeyScope()
{
    if (!m_configurator)
        return;
    m_configurator->takeFindings();
    m_configurator->m_key = m_outerKey;
}

void PropertyConfigurator::takeFindings()
{
    const QList<LoggingEvent> events = m_configureErrors->list();
    for (int i = m_taken; i < events.size(); ++i)
        m_findings.append({ m_key, events.at(i) });
    m_taken = events.size();
}

bool PropertyConfigurator::configureAndWatch(const QString &configFileName)
{
    // Every run names the file as the watch and its signal do.
    const QString fileName = configFileName.isEmpty() ? configFileName : QFileInfo(configFileName).absoluteFilePath();
    // Watched before the first run, so that a change made while it reads the
    // file is not lost; such a change merely applies the file once more.
    const bool watching
        = ConfiguratorHelper::watchConfigurationFile(fileName, [](const QString &changed) { configure(changed); });
    return configure(fileName) && watching;
}

void PropertyConfigurator::stopWatching()
{
    ConfiguratorHelper::stopWatching();
}

// Every engine-internal logger descends from "LogEngine", so the list sees
// each error of the run, whoever reports it. Being a configurator list, it
// stays attached through a reset in the middle of the run.
void PropertyConfigurator::startCaptureErrors()
{
    m_configureErrors = new ListAppender;
    m_configureErrors->setName(QStringLiteral("PropertyConfigurator"));
    m_configureErrors->setConfiguratorList(true);
    // A check also keeps the warnings.
    m_configureErrors->setThreshold(m_checking ? Level::WARN_INT : Level::ERROR_INT);
    LogManager::internalLogger()->addAppender(m_configureErrors);
}

bool PropertyConfigurator::stopCaptureErrors()
{
    LogManager::internalLogger()->removeAppender(m_configureErrors);
    if (m_checking) {
        takeFindings();
        m_configureErrors = nullptr;
        return m_findings.isEmpty();
    }
    const QList<LoggingEvent> errors = m_configureErrors->list();
    ConfiguratorHelper::setConfigurationErrors(errors);
    DroppedEvents::setUnconfigured(false);
    m_configureErrors = nullptr;
    return errors.isEmpty();
}

void PropertyConfigurator::doConfigure(
    const QString &configFileName, Properties &properties, LoggerRepository *repository)
{
    // Only a regular file is opened: a device or a pipe named by mistake
    // would never end, or never begin, and start-up would wait for it.
    const QFileInfo info(configFileName);
    const char *refusal = nullptr;
    if (info.exists() && !info.isDir() && !info.isFile())
        refusal = "Not a regular file";
    else if (info.isFile() && info.size() > maxFileSize)
        refusal = "Larger than 16777216 bytes";
    QFile file(configFileName);
    if (refusal || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        reportFileError("Unable to open property file '%1'", LogError::CONFIGURATOR_OPENING_FILE_ERROR,
            "CONFIGURATOR_OPENING_FILE_ERROR", file, refusal);
        return;
    }
    // Read up to the limit whatever the size said: files under /proc say
    // nothing true about their size, and a file may grow meanwhile.
    QByteArray bytes;
    char chunk[65536];
    qint64 read = 0;
    while ((read = file.read(chunk, sizeof chunk)) > 0) {
        if (bytes.size() + read > maxFileSize) {
            reportFileError("Unable to open property file '%1'", LogError::CONFIGURATOR_OPENING_FILE_ERROR,
                "CONFIGURATOR_OPENING_FILE_ERROR", file, "Larger than 16777216 bytes");
            return;
        }
        bytes.append(chunk, int(read));
    }
    if (read < 0 || file.error() != QFileDevice::NoError) {
        reportFileError("Unable to read property file '%1'", LogError::CONFIGURATOR_READING_FILE_ERROR,
            "CONFIGURATOR_READING_FILE_ERROR", file);
        return;
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly | QIODevice::Text);
    properties.load(&buffer);
    doConfigure(properties, repository);
}

void PropertyConfigurator::doConfigure(QSettings &settings, LoggerRepository *repository)
{
    Properties properties;
    properties.load(settings);
    doConfigure(properties, repository);
}

void PropertyConfigurator::doConfigure(const Properties &properties, LoggerRepository *repository)
{
    if (!repository)
        repository = LogManager::loggerRepository();
    m_repository = repository;
    // Taken before a reset can detach them: a reset releases them, but a
    // delivery in progress may hold them open past their successors'
    // activation.
    if (!m_checking) {
        const QList<Logger *> loggers = repository->loggers();
        QList<LogObjectPtr<Appender>> earlier;
        for (Logger *logger : loggers)
            earlier += logger->sharedAppenders();
        // Those an asynchronous appender feeds count as well.
        while (!earlier.isEmpty()) {
            const LogObjectPtr<Appender> appender = earlier.takeFirst();
            const auto *list = qobject_cast<ListAppender *>(appender.data());
            if ((list && list->configuratorList()) || m_earlier.contains(appender->name(), appender))
                continue;
            m_earlier.insert(appender->name(), appender);
            if (const auto *async = qobject_cast<AsyncAppender *>(appender.data())) {
                for (Appender *fed : async->appenders())
                    earlier.append(LogObjectPtr<Appender>(fed));
            }
        }
    }
    const QStringList names = properties.propertyNames();
    m_sortedKeys.assign(names.cbegin(), names.cend());
    std::sort(m_sortedKeys.begin(), m_sortedKeys.end());

    configureGlobalSettings(properties, repository);
    configureRootLogger(properties, repository);
    configureNonRootElements(properties, repository);

    // The loggers keep their own references to the appenders; earlier ones
    // that no logger holds any more are closed here.
    m_appenderRegistry.clear();
    m_earlier.clear();
    m_sortedKeys.clear();
}

// A check converts the process-wide switches, which reports bad values, but
// applies only the threshold: that one belongs to the repository it is given.
void PropertyConfigurator::configureGlobalSettings(const Properties &properties, LoggerRepository *repository)
{
    Logger *log = configuratorLogger();

    {
        const KeyScope scope(this, QStringLiteral("log4j.reset"));
        const QString reset = properties.property(QStringLiteral("log4j.reset"));
        if (!reset.isEmpty() && OptionConverter::toBoolean(reset, false) && !m_checking) {
            LogManager::resetConfiguration();
            log->debug("Reset configuration");
        }
    }

    QString debugKey = QStringLiteral("log4j.Debug");
    QString debug = properties.property(debugKey);
    if (debug.isNull()) {
        debugKey = QStringLiteral("log4j.configDebug");
        debug = properties.property(debugKey);
    }
    if (!debug.isNull()) {
        const KeyScope scope(this, debugKey);
        if (debugKey != QLatin1String("log4j.Debug"))
            log->warn("[%1] is deprecated. Use [%2] instead.", "log4j.configDebug", "log4j.Debug");
        bool ok = false;
        Level level = Level::fromString(debug, &ok);
        if (!ok)
            level = Level::DEBUG_INT;
        if (!m_checking) {
            Logger *internal = LogManager::internalLogger();
            internal->setLevel(level);
            log->debug("Set level for LogEngine logging to %1", internal->level().toString());
        }
    }

    const QString threshold = properties.property(QStringLiteral("log4j.threshold"));
    if (!threshold.isNull()) {
        const KeyScope scope(this, QStringLiteral("log4j.threshold"));
        repository->setThreshold(OptionConverter::toLevel(threshold, Level(Level::ALL_INT)));
        log->debug("Set threshold for LoggerRepository to %1", repository->threshold().toString());
    }

    const QString handleQtMessages = properties.property(QStringLiteral("log4j.handleQtMessages"));
    if (!handleQtMessages.isNull()) {
        const KeyScope scope(this, QStringLiteral("log4j.handleQtMessages"));
        const bool handle = OptionConverter::toBoolean(handleQtMessages, false);
        if (!m_checking) {
            LogManager::setHandleQtMessages(handle);
            log->debug("Set handling of Qt messages LoggerRepository to %1",
                LogManager::handleQtMessages() ? "true" : "false");
        }
    }
}

void PropertyConfigurator::configureRootLogger(const Properties &properties, LoggerRepository *repository)
{
    Logger *log = configuratorLogger();
    // What the substitution reports belongs to the key too.
    QString key = QStringLiteral("log4j.rootLogger");
    QString value;
    {
        const KeyScope scope(this, key);
        value = OptionConverter::substituteVariables(properties, key, m_substitutionBudget);
    }
    if (value.isNull()) {
        key = QStringLiteral("log4j.rootCategory");
        const KeyScope scope(this, key);
        value = OptionConverter::substituteVariables(properties, key, m_substitutionBudget);
        if (!value.isNull())
            log->warn("[%1] is deprecated. Use [%2] instead.", "log4j.rootCategory", "log4j.rootLogger");
    }
    if (value.isNull()) {
        log->debug("Could not find root logger information. Is this correct?");
        return;
    }
    parseLogger(properties, repository->rootLogger(), key, value);
}

void PropertyConfigurator::configureNonRootElements(const Properties &properties, LoggerRepository *repository)
{
    const QString loggerPrefix = QStringLiteral("log4j.logger.");
    const QString categoryPrefix = QStringLiteral("log4j.category.");
    const QStringList keys = properties.propertyNames();
    for (const QString &key : keys) {
        QString log4jName;
        if (key.startsWith(loggerPrefix))
            log4jName = key.mid(loggerPrefix.size());
        else if (key.startsWith(categoryPrefix))
            log4jName = key.mid(categoryPrefix.size());
        else
            continue;
        if (log4jName.isEmpty())
            continue;
        const QString name = OptionConverter::classNameJavaToCpp(log4jName);
        if (name.size() > LoggerRepository::maxNameLength) {
            const KeyScope scope(this, key);
            LogError error("Refused a logger name of %1 characters from key '%2'; the limit is %3", 0, nullptr,
                "LogEngine::PropertyConfigurator");
            error << name.size() << LogError::excerpt(key) << LoggerRepository::maxNameLength;
            configuratorLogger()->error(error);
            continue;
        }
        Logger *logger = repository->logger(name);
        const KeyScope scope(this, key);
        const QString value = OptionConverter::substituteVariables(properties, key, m_substitutionBudget);
        parseLogger(properties, logger, key, value);
        parseAdditivityForLogger(properties, logger, log4jName);
    }
}

void PropertyConfigurator::parseLogger(
    const Properties &properties, Logger *logger, const QString &key, const QString &value)
{
    const KeyScope scope(this, key);
    Logger *log = configuratorLogger();
    log->debug("Parsing logger: key '%1', value '%2'", key, value);
    const QStringList parts = value.split(QLatin1Char(','));

    const QString levelText = parts.first().trimmed();
    if (!levelText.isEmpty()) {
        const Level level = levelText.compare(QLatin1String("INHERITED"), Qt::CaseInsensitive) == 0
            ? Level(Level::NULL_INT)
            : OptionConverter::toLevel(levelText, Level(Level::DEBUG_INT));
        if (level == Level(Level::NULL_INT) && !logger->parentLogger()) {
            log->warn("The root logger level cannot be set to NULL.");
        } else {
            logger->setLevel(level);
            log->debug("Set level for logger '%1' to '%2'", logger->name(), logger->level().toString());
        }
    }

    // Whenever the key is there, even when it names no appender.
    logger->removeAllAppenders();
    // Attached in one change: a logger may be given thousands. The run's
    // table holds them meanwhile.
    QList<Appender *> appenders;
    for (int i = 1; i < parts.size(); ++i) {
        const QString appenderName = parts.at(i).trimmed();
        if (appenderName.isEmpty())
            continue;
        const LogObjectPtr<Appender> appender = parseAppender(properties, appenderName);
        if (appender)
            appenders.append(appender);
    }
    if (!appenders.isEmpty())
        logger->setAppenders(appenders);
}

QList<Logger *> PropertyConfigurator::retireEarlier(const QString &name)
{
    QList<Logger *> holders;
    const QList<LogObjectPtr<Appender>> earlier = m_earlier.values(name);
    if (earlier.isEmpty())
        return holders;
    m_earlier.remove(name);
    const QList<Logger *> loggers = m_repository->loggers();
    for (const LogObjectPtr<Appender> &appender : earlier) {
        for (Logger *logger : loggers) {
            if (logger->replaceAppender(appender, nullptr) && !holders.contains(logger))
                holders.append(logger);
        }
        // A delivery that began before may still reach it: retired, it
        // drops such events instead of reporting them.
        if (auto *skeleton = qobject_cast<AppenderSkeleton *>(appender.data()))
            skeleton->retire();
        else
            appender->close();
    }
    return holders;
}

LogObjectPtr<Appender> PropertyConfigurator::parseAppender(const Properties &properties, const QString &appenderName)
{
    Logger *log = configuratorLogger();
    log->debug("Parsing appender named '%1'", appenderName);
    const auto parsed = m_appenderRegistry.constFind(appenderName);
    if (parsed != m_appenderRegistry.constEnd()) {
        log->debug("Appender '%1' was already parsed.", appenderName);
        return *parsed;
    }

    const QString key = QLatin1String("log4j.appender.") + appenderName;
    const QString value = OptionConverter::substituteVariables(properties, key, m_substitutionBudget);
    if (value.isNull()) {
        LogError error = LOGENGINE_CONFIGURATOR_ERROR(
            "Missing appender definition for appender named '%1'", CONFIGURATOR_MISSING_APPENDER_ERROR);
        error << appenderName;
        log->error(error);
        return nullptr;
    }
    // What the appender's own key brings about is reported there; a missing
    // definition, above, belongs to the logger that names the appender.
    const KeyScope scope(this, key);
    // Editors do not show a blank after a class name, and files have them.
    const QString className = value.trimmed();
    LogObjectPtr<Appender> appender = Factory::createAppender(className);
    if (!appender) {
        LogError error = LOGENGINE_CONFIGURATOR_ERROR(
            "Unable to create appender of class '%1' namd '%2'", CONFIGURATOR_UNKNOWN_APPENDER_CLASS_ERROR);
        error << className << appenderName;
        log->error(error);
        return nullptr;
    }
    appender->setName(appenderName);
    if (appender->requiresLayout()) {
        // Without its layout the appender is dropped, and not remembered: a
        // later reference to the name reports the problem again.
        const LogObjectPtr<Layout> layout = parseLayout(properties, key);
        if (!layout)
            return nullptr;
        appender->setLayout(layout);
    }
    auto *async = qobject_cast<AsyncAppender *>(appender.data());
    setProperties(properties, key + QLatin1Char('.'),
        async ? QStringList { QStringLiteral("layout"), QStringLiteral("filter"), QStringLiteral("appenders") }
              : QStringList { QStringLiteral("layout"), QStringLiteral("filter") },
        appender);
    parseFilters(properties, key, appender);
    // An earlier asynchronous appender of the name delivers what it holds
    // before those it feeds are retired and succeeded.
    QList<Logger *> holders;
    if (!m_checking && async)
        holders = retireEarlier(appenderName);
    if (async)
        parseAttachedAppenders(properties, key, async);
    // A check opens no file; its caller checks what activation would.
    if (!m_checking) {
        if (!async)
            holders = retireEarlier(appenderName);
        if (auto *skeleton = qobject_cast<AppenderSkeleton *>(appender.data()))
            skeleton->activate();
        for (Logger *holder : holders)
            holder->addAppender(appender);
    }
    m_appenderRegistry.insert(appenderName, appender);
    return appender;
}

// The appenders an asynchronous appender hands its events to:
// "log4j.appender.ASYNC.appenders=FILE, CONSOLE", each defined as any other.
void PropertyConfigurator::parseAttachedAppenders(
    const Properties &properties, const QString &appenderKey, AsyncAppender *async)
{
    const QString key = appenderKey + QLatin1String(".appenders");
    const QString value = OptionConverter::substituteVariables(properties, key);
    if (value.isNull())
        return;
    const KeyScope scope(this, key);
    m_attaching.insert(async->name());
    for (const QString &part : value.split(QLatin1Char(','))) {
        const QString name = part.trimmed();
        if (name.isEmpty())
            continue;
        // A name on its own way down would hand events round in a circle.
        if (m_attaching.contains(name)) {
            configuratorLogger()->warn(
                "Appender '%1' cannot be among the appenders of '%2', which it leads to", name, async->name());
            continue;
        }
        if (const LogObjectPtr<Appender> attached = parseAppender(properties, name))
            async->addAppender(attached);
    }
    m_attaching.remove(async->name());
}

LogObjectPtr<Layout> PropertyConfigurator::parseLayout(const Properties &properties, const QString &appenderKey)
{
    Logger *log = configuratorLogger();
    log->debug("Parsing layout for appender named '%1'", appenderKey);
    const QString key = appenderKey + QLatin1String(".layout");
    const QString value = OptionConverter::substituteVariables(properties, key, m_substitutionBudget);
    if (value.isNull()) {
        LogError error = LOGENGINE_CONFIGURATOR_ERROR(
            "Missing layout definition for appender '%1'", CONFIGURATOR_MISSING_LAYOUT_ERROR);
        error << appenderKey;
        log->error(error);
        return nullptr;
    }
    const KeyScope scope(this, key);
    const QString className = value.trimmed();
    LogObjectPtr<Layout> layout = Factory::createLayout(className);
    if (!layout) {
        LogError error
            = LOGENGINE_CONFIGURATOR_ERROR("Unable to create layoput of class '%1' requested by appender '%2'",
                CONFIGURATOR_UNKNOWN_LAYOUT_CLASS_ERROR);
        error << className << appenderKey;
        log->error(error);
        return nullptr;
    }
    setProperties(properties, key + QLatin1Char('.'), QStringList(), layout);
    layout->activate();
    return layout;
}

// "log4j.appender.NAME.filter.ID" names a filter's class, and the keys
// below it set its properties. The filters are chained in the order their
// keys sort in, as the file's other keys are applied.
void PropertyConfigurator::parseFilters(const Properties &properties, const QString &appenderKey, Appender *appender)
{
    const QString prefix = appenderKey + QLatin1String(".filter.");
    QStringList ids;
    for (auto it = std::lower_bound(m_sortedKeys.cbegin(), m_sortedKeys.cend(), prefix);
         it != m_sortedKeys.cend() && it->startsWith(prefix); ++it) {
        const QString id = it->mid(prefix.size());
        if (!id.isEmpty() && !id.contains(QLatin1Char('.')))
            ids.append(id);
    }
    Logger *log = configuratorLogger();
    for (const QString &id : std::as_const(ids)) {
        const QString key = prefix + id;
        const KeyScope scope(this, key);
        log->debug("Parsing filter '%1' for appender named '%2'", id, appenderKey);
        const QString className = OptionConverter::substituteVariables(properties, key).trimmed();
        const LogObjectPtr<Filter> filter = Factory::createFilter(className);
        if (!filter) {
            // The appender goes on without it: its other filters still act.
            LogError error
                = LOGENGINE_CONFIGURATOR_ERROR("Unable to create filter of class '%1' requested by appender '%2'",
                    CONFIGURATOR_UNKNOWN_FILTER_CLASS_ERROR);
            error << className << appenderKey;
            log->error(error);
            continue;
        }
        setProperties(properties, key + QLatin1Char('.'), QStringList(), filter);
        filter->activate();
        appender->addFilter(filter);
    }
}

void PropertyConfigurator::setProperties(
    const Properties &properties, const QString &prefix, const QStringList &exclusions, QObject *object)
{
    configuratorLogger()->debug("Setting properties for object of class '%1' from keys starting with '%2'",
        QString::fromLatin1(object->metaObject()->className()), prefix);
    // The keys that start with the prefix are neighbours in sorted order, and
    // are set in that order.
    for (auto it = std::lower_bound(m_sortedKeys.cbegin(), m_sortedKeys.cend(), prefix);
         it != m_sortedKeys.cend() && it->startsWith(prefix); ++it) {
        const QString property = it->mid(prefix.size());
        if (property.isEmpty())
            continue;
        const QString first = property.section(QLatin1Char('.'), 0, 0);
        if (exclusions.contains(first, Qt::CaseInsensitive))
            continue;
        const KeyScope scope(this, *it);
        Factory::setObjectProperty(
            object, property, OptionConverter::substituteVariables(properties, *it, m_substitutionBudget));
    }
}

void PropertyConfigurator::parseAdditivityForLogger(
    const Properties &properties, Logger *logger, const QString &log4jName)
{
    Logger *log = configuratorLogger();
    const QString key = QLatin1String("log4j.additivity.") + log4jName;
    const KeyScope scope(this, key);
    const QString value = OptionConverter::substituteVariables(properties, key, m_substitutionBudget);
    log->debug("Parsing additivity for logger: key '%1', value '%2'", key, value);
    if (value.isEmpty())
        return;
    const bool additivity = OptionConverter::toBoolean(value, true);
    log->debug("Setting additivity for logger '%1' to '%2'", logger->name(), value);
    logger->setAdditivity(additivity);
}

} // namespace LogEngine
