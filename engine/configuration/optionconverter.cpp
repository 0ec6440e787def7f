#include "engine/configuration/optionconverter.h"

#include "engine/configuration/properties.h"
#include "engine/logerror.h"
#include "engine/logger.h"
#include "engine/logmanager.h"

#include <QSet>

#include <limits>

namespace LogEngine
{

namespace
{

std::atomic<Logger *> s_converterLogger { nullptr };

Logger *converterLogger()
{
    Logger *logger = s_converterLogger.load(std::memory_order_acquire);
    if (!logger) {
        Logger *found = LogManager::logger(QStringLiteral("LogEngine::OptionConverter"));
        s_converterLogger.compare_exchange_strong(logger, found, std::memory_order_acq_rel);
        logger = s_converterLogger.load(std::memory_order_acquire);
    }
    return logger;
}

void reportInvalidOption(const char *message, const QString &option)
{
    LogError error(message, LogError::CONFIGURATOR_INVALID_OPTION_ERROR, "CONFIGURATOR_INVALID_OPTION_ERROR",
        "LogEngine::OptionConverter");
    error << option;
    converterLogger()->error(error);
}

void reportSubstitutionError(const char *message, const QString &reference, int position, const QString &value)
{
    LogError error(message, LogError::CONFIGURATOR_INVALID_SUBSTITUTION_ERROR,
        "CONFIGURATOR_INVALID_SUBSTITUTION_ERROR", "LogEngine::OptionConverter");
    error << reference << position << value;
    converterLogger()->error(error);
}

// Hand-written files can refer in circles, nest references very deeply or
// double their text at every level. Expansion is bounded in all three ways;
// what is cut off is reported and left empty.
struct Expansion {
    QSet<QString> active; // keys being expanded on the way down
    int budget = 10000; // references that may still be expanded
};
constexpr int maxNesting = 64;

QString substitute(const Properties &properties, const QString &key, Expansion &expansion)
{
    const QString value = properties.property(key);
    if (value.isNull())
        return value;
    expansion.active.insert(key);
    QString result;
    int position = 0;
    for (;;) {
        const int begin = value.indexOf(QLatin1String("${"), position);
        if (begin < 0) {
            result += value.midRef(position);
            break;
        }
        result += value.midRef(position, begin - position);
        const int end = value.indexOf(QLatin1Char('}'), begin + 2);
        if (end < 0) {
            LogError error("Missing closing bracket for opening bracket at %1. Invalid subsitution in value %2.",
                LogError::CONFIGURATOR_INVALID_SUBSTITUTION_ERROR, "CONFIGURATOR_INVALID_SUBSTITUTION_ERROR",
                "LogEngine::OptionConverter");
            error << begin << value;
            converterLogger()->error(error);
            break;
        }
        const QString reference = value.mid(begin + 2, end - begin - 2);
        if (expansion.active.contains(reference)) {
            reportSubstitutionError(
                "Cyclic reference to key '%1' at %2. Invalid subsitution in value %3.", reference, begin, value);
        } else if (expansion.active.size() >= maxNesting || --expansion.budget < 0) {
            reportSubstitutionError("Reference to key '%1' at %2 nested too deeply. Invalid subsitution in value %3.",
                reference, begin, value);
            if (expansion.budget < 0)
                break;
        } else {
            result += substitute(properties, reference, expansion);
        }
        position = end + 1;
    }
    expansion.active.remove(key);
    return result;
}

} // namespace

QString OptionConverter::substituteVariables(const Properties &properties, const QString &key)
{
    Expansion expansion;
    return substitute(properties, key, expansion);
}

bool OptionConverter::toBoolean(const QString &option, bool *ok)
{
    if (ok)
        *ok = true;
    const QString text = option.trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("enabled") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("disabled") || text == QLatin1String("0"))
        return false;
    reportInvalidOption("Invalid option string '%1' for a boolean", option);
    if (ok)
        *ok = false;
    return false;
}

bool OptionConverter::toBoolean(const QString &option, bool defaultValue)
{
    bool ok = false;
    const bool result = toBoolean(option, &ok);
    return ok ? result : defaultValue;
}

qint64 OptionConverter::toFileSize(const QString &option, bool *ok)
{
    if (ok)
        *ok = false;
    const QString text = option.trimmed().toLower();
    qint64 multiplier = 1;
    int unit = -1;
    static const struct {
        const char *name;
        qint64 multiplier;
    } units[] = { { "kb", 1024 }, { "mb", 1024 * 1024 }, { "gb", 1024 * 1024 * 1024 } };
    for (const auto &candidate : units) {
        unit = text.indexOf(QLatin1String(candidate.name));
        if (unit >= 0) {
            multiplier = candidate.multiplier;
            break;
        }
    }
    bool converted = false;
    const qint64 number = (unit < 0 ? text : text.left(unit)).toLongLong(&converted);
    const bool onlyUnitFollows = unit < 0 || text.size() <= unit + 2;
    // A number that overflows once multiplied is as invalid as any other.
    if (!converted || number < 0 || !onlyUnitFollows || number > std::numeric_limits<qint64>::max() / multiplier) {
        reportInvalidOption("Invalid option string '%1' for a file size", option);
        return 0;
    }
    if (ok)
        *ok = true;
    return number * multiplier;
}

int OptionConverter::toInt(const QString &option, bool *ok)
{
    bool converted = false;
    const int result = option.trimmed().toInt(&converted);
    if (ok)
        *ok = converted;
    if (!converted) {
        reportInvalidOption("Invalid option string '%1' for an integer", option);
        return 0;
    }
    return result;
}

Level OptionConverter::toLevel(const QString &option, bool *ok)
{
    bool parsed = false;
    const Level result = Level::fromString(option.toUpper().trimmed(), &parsed);
    if (ok)
        *ok = parsed;
    if (!parsed)
        reportInvalidOption("Invalid option string '%1' for a level", option);
    return result;
}

Level OptionConverter::toLevel(const QString &option, const Level &defaultValue)
{
    bool ok = false;
    const Level result = toLevel(option, &ok);
    return ok ? result : defaultValue;
}

int OptionConverter::toTarget(const QString &option, bool *ok)
{
    if (ok)
        *ok = true;
    const QString text = option.trimmed().toLower();
    if (text == QLatin1String("system.out") || text == QLatin1String("stdout_target"))
        return 0;
    if (text == QLatin1String("system.err") || text == QLatin1String("stderr_target"))
        return 1;
    reportInvalidOption("Invalid option string '%1' for a target", option);
    if (ok)
        *ok = false;
    return 0;
}

QString OptionConverter::classNameJavaToCpp(const QString &name)
{
    QString result = name;
    return result.replace(QLatin1Char('.'), QLatin1String("::"));
}

} // namespace LogEngine
