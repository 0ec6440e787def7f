#include "engine/configuration/optionconverter.h"
#include "engine/detail/classlogger.h"

#include "engine/configuration/properties.h"
#include "engine/logerror.h"
#include "engine/logger.h"

#include <QDir>
#include <QSet>
#include <QVector>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

#include <limits>

namespace LogEngine
{

namespace
{

const ClassLogger converterLogger("LogEngine::OptionConverter");

void reportInvalidOption(const char *message, const QString &option)
{
    LogError error(message, LogError::CONFIGURATOR_INVALID_OPTION_ERROR, "CONFIGURATOR_INVALID_OPTION_ERROR",
        "LogEngine::OptionConverter");
    error << LogError::excerpt(option);
    converterLogger()->error(error);
}

void reportSubstitutionError(const char *message, const QString &reference, int position, const QString &value)
{
    LogError error(message, LogError::CONFIGURATOR_INVALID_SUBSTITUTION_ERROR,
        "CONFIGURATOR_INVALID_SUBSTITUTION_ERROR", "LogEngine::OptionConverter");
    error << reference << position << value;
    converterLogger()->error(error);
}

// Hand-written files can refer in circles, or double their text at every
// level, or make exponentially many references that produce nothing. Cycles
// are cut where they close; the work is bounded by the text the references
// produce (per value, and together with the run's other values by the
// run's budget) and by how many are followed, never by how deep references
// nest or how many one value holds. What is cut off is reported and left
// empty.

// One value being expanded. The expansion keeps its own stack of these
// rather than recursing, so a long chain of keys cannot exhaust the stack.
struct Expansion {
    QString key;
    QString value;
    int position = 0; // where the scan of `value` goes on
    int reference = 0; // where the reference that led here starts in the value below
    QString result;
};

QString substitute(const Properties &properties, const QString &key, OptionConverter::SubstitutionBudget &budget)
{
    const QString value = properties.property(key);
    if (value.isNull())
        return value;
    QVector<Expansion> stack { Expansion { key, value, 0, 0, QString() } };
    QSet<QString> active { key }; // the keys on the stack, for cycles
    QSet<QString> cyclic; // reported once each, however often they recur
    int expandedText = 0;
    // Reports the reference at which expansion stops, and unwinds: every
    // level keeps what it had produced so far. A spent budget is reported
    // once per run: the values after it would each say the same.
    auto stopAt = [&](const char *message, const QString &reference, int position, const QString &value) {
        if (!budget.spentReported)
            reportSubstitutionError(message, reference, position, LogError::excerpt(value));
        while (stack.size() > 1) {
            const QString partial = stack.takeLast().result;
            stack.last().result += partial;
        }
    };
    while (!stack.isEmpty()) {
        Expansion &top = stack.last();
        const int begin = top.value.indexOf(QLatin1String("${"), top.position);
        const int end = begin < 0 ? -1 : top.value.indexOf(QLatin1Char('}'), begin + 2);
        const int literalEnd = begin < 0 ? top.value.size() : begin;
        if (stack.size() > 1) {
            const int produced = literalEnd - top.position;
            expandedText += produced;
            budget.characters -= produced;
            if (expandedText > OptionConverter::maxValueCharacters || budget.characters < 0) {
                const Expansion &below = stack.at(stack.size() - 2);
                if (expandedText > OptionConverter::maxValueCharacters) {
                    stopAt("Reference to key '%1' at %2 expands beyond 32768 characters. Invalid subsitution in "
                           "value %3.",
                        top.key, top.reference, below.value);
                } else {
                    stopAt("Reference to key '%1' at %2 makes the references of this run expand beyond 1048576 "
                           "characters. Invalid subsitution in value %3.",
                        top.key, top.reference, below.value);
                    budget.spentReported = true;
                }
                break;
            }
        }
        top.result += QStringView(top.value).mid(top.position, literalEnd - top.position);
        if (begin >= 0 && end < 0) {
            LogError error("Missing closing bracket for opening bracket at %1. Invalid subsitution in value %2.",
                LogError::CONFIGURATOR_INVALID_SUBSTITUTION_ERROR, "CONFIGURATOR_INVALID_SUBSTITUTION_ERROR",
                "LogEngine::OptionConverter");
            error << begin << LogError::excerpt(top.value);
            converterLogger()->error(error);
        }
        if (begin < 0 || end < 0) {
            // This value is done: hand its text to the level below.
            Expansion done = stack.takeLast();
            active.remove(done.key);
            if (stack.isEmpty())
                return done.result;
            stack.last().result += done.result;
            continue;
        }
        top.position = end + 1;
        const QString reference = top.value.mid(begin + 2, end - begin - 2);
        if (--budget.references < 0) {
            stopAt("Reference to key '%1' at %2 exceeds 1000000 references. Invalid subsitution in value %3.",
                reference, begin, top.value);
            budget.spentReported = true;
            break;
        }
        if (active.contains(reference)) {
            if (!cyclic.contains(reference)) {
                cyclic.insert(reference);
                reportSubstitutionError("Cyclic reference to key '%1' at %2. Invalid subsitution in value %3.",
                    reference, begin, LogError::excerpt(top.value));
            }
            continue;
        }
        const QString referenced = OptionConverter::variableValue(properties, reference);
        if (referenced.isEmpty()) // absent, or nothing to expand
            continue;
        active.insert(reference);
        stack.append(Expansion { reference, referenced, 0, begin, QString() });
    }
    return stack.first().result;
}
// The login name as the shell gives it, else as the system's user table
// has it for the process's user.
QString userName()
{
    for (const char *variable : { "USER", "LOGNAME" }) {
        const QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty())
            return name;
    }
#ifdef Q_OS_UNIX
    struct passwd entry;
    struct passwd *found = nullptr;
    char buffer[4096];
    if (getpwuid_r(geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found)
        return QString::fromLocal8Bit(found->pw_name);
#endif
    return qEnvironmentVariable("USERNAME");
}

} // namespace

QString OptionConverter::variableValue(const Properties &properties, const QString &name)
{
    const QString value = properties.property(name);
    if (!value.isNull())
        return value;
    return environmentValue(name);
}

// Files written for Java name the system properties that hold these; the
// process has them under other names, or not at all.
QString OptionConverter::environmentValue(const QString &name)
{
    const QByteArray variable = name.toLocal8Bit();
    if (!name.isEmpty() && qEnvironmentVariableIsSet(variable.constData()))
        return qEnvironmentVariable(variable.constData());
    if (name == QLatin1String("user.home"))
        return QDir::homePath(); // $HOME, or the root directory without it
    if (name == QLatin1String("user.name"))
        return userName();
    if (name == QLatin1String("user.dir"))
        return QDir::currentPath();
    if (name == QLatin1String("java.io.tmpdir"))
        return QDir::tempPath();
    return QString();
}

QString OptionConverter::substituteVariables(const Properties &properties, const QString &key)
{
    SubstitutionBudget budget;
    return substitute(properties, key, budget);
}

QString OptionConverter::substituteVariables(
    const Properties &properties, const QString &key, SubstitutionBudget &budget)
{
    return substitute(properties, key, budget);
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
