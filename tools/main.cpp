// qorvlog: check, show and use a configuration file from the shell.

#include "closestname.h"
#include "configurationchecker.h"
#include "loggertree.h"

#include "engine/appenders/listappender.h"
#include "engine/configuration/optionconverter.h"
#include "engine/configuration/propertyconfigurator.h"
#include "engine/level.h"
#include "engine/logger.h"
#include "engine/loggerrepository.h"
#include "engine/logmanager.h"
#include "engine/logobjectptr.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTemporaryFile>
#include <QTextStream>

#include <qorvlog_version.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

using namespace LogEngine;

namespace
{

const char usage[] = "Usage: qorvlog check [--json] FILE...\n"
                     "       qorvlog show FILE\n"
                     "       qorvlog log -c FILE [-n LOGGER] [-l LEVEL]\n"
                     "       qorvlog --version\n"
                     "\n"
                     "check  reports every problem of each configuration file as FILE:LINE: error|warning: message;\n"
                     "       exit status 0 when there is none, 1 for warnings only, 2 for errors\n"
                     "show   prints the loggers and appenders FILE builds\n"
                     "log    logs each line of standard input as one message through FILE's configuration\n"
                     "       (LOGGER as the file names it, the root logger by default; LEVEL INFO by default)\n"
                     "\n"
                     "A FILE of - is standard input (not for log, whose lines come from there); -- ends the options.\n"
                     "No command opens a log file but log, and none changes the configuration of any other program.\n"
                     "Exit status 64 for a command line that cannot be followed.\n";

// Findings and failures; a usage error is EX_USAGE of sysexits.h, so that a
// script can tell a mistyped command line from a file with errors.
enum ExitStatus { Clean = 0, Warnings = 1, Errors = 2, UsageError = 64 };

const QString standardInput = QStringLiteral("-");

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

int usageError(const QString &message)
{
    err() << "qorvlog: " << message << "\n" << usage;
    return UsageError;
}

/*
 * The engine reads its settings from the environment while the program
 * loads, and its first use runs the default initialisation: a file named by
 * LOGENGINE_CONFIGURATION, or a logengine.properties in the current
 * directory, would configure this process, and its file appenders would
 * open (and truncate) their files. So the tool runs itself once more with
 * the default initialisation switched off and, unless `keepDebug`, without
 * the caller's internal logging level, whose start-up report would mix
 * with the output. Returns only when the environment is already so.
 */
void runWithOwnEngineSettings(char **argv, bool keepDebug)
{
    if (qgetenv("LOGENGINE_DEFAULTINITOVERRIDE") == "true"
        && (keepDebug || !qEnvironmentVariableIsSet("LOGENGINE_DEBUG")))
        return;
    qputenv("LOGENGINE_DEFAULTINITOVERRIDE", "true");
    if (!keepDebug)
        qunsetenv("LOGENGINE_DEBUG");
    execv("/proc/self/exe", argv);
    err() << "qorvlog: cannot run itself again: " << QString::fromLocal8Bit(std::strerror(errno)) << "\n";
    err().flush();
    std::exit(Errors);
}

// The engine's own messages are the checker's to collect, and go nowhere else.
void quietInternalLogging()
{
    Logger *internal = LogManager::internalLogger();
    internal->removeAllAppenders();
    internal->setAdditivity(false);
    internal->setLevel(Level::WARN_INT);
}

// Control characters would break the one-finding-per-line form.
QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\r'), QLatin1String("\\r"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .replace(QLatin1Char('\t'), QLatin1String("\\t"));
}

/*
 * The checker reads a file by name, and may read it more than once: standard
 * input is copied to a temporary file first. Returns the name to read, empty
 * (after saying why) when standard input cannot be copied.
 */
QString readableName(const QString &file, QTemporaryFile &copy)
{
    if (file != standardInput)
        return file;
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly) || !copy.open() || copy.write(input.readAll()) < 0 || !copy.flush()) {
        err() << "qorvlog: cannot read standard input: " << input.errorString() << "\n";
        return QString();
    }
    return copy.fileName();
}

// Findings on standard input name it as compilers do.
QString shownName(const QString &file)
{
    return file == standardInput ? QStringLiteral("<stdin>") : file;
}

int check(const QStringList &files, bool json)
{
    quietInternalLogging();
    int status = Clean;
    QJsonArray array;
    for (const QString &file : files) {
        QTemporaryFile copy;
        const QString name = readableName(file, copy);
        if (name.isEmpty()) {
            status = Errors;
            continue;
        }
        ConfigurationChecker checker(name);
        checker.run();
        QList<ConfigurationChecker::Finding> findings = checker.findings();
        for (ConfigurationChecker::Finding &finding : findings) {
            finding.file = shownName(file);
            const bool error = finding.severity == ConfigurationChecker::Finding::Error;
            status = std::max(status, int(error ? Errors : Warnings));
            if (json) {
                QJsonObject object;
                object.insert(QStringLiteral("file"), finding.file);
                object.insert(QStringLiteral("line"), finding.line > 0 ? QJsonValue(finding.line) : QJsonValue());
                object.insert(QStringLiteral("severity"), QLatin1String(error ? "error" : "warning"));
                object.insert(QStringLiteral("message"), finding.message);
                object.insert(QStringLiteral("hint"), finding.hint.isEmpty() ? QJsonValue() : QJsonValue(finding.hint));
                array.append(object);
                continue;
            }
            out() << finding.file;
            if (finding.line > 0)
                out() << ':' << finding.line;
            out() << (error ? ": error: " : ": warning: ") << oneLine(finding.message);
            if (!finding.hint.isEmpty())
                out() << "; " << finding.hint;
            out() << '\n';
        }
    }
    if (json)
        out() << QJsonDocument(array).toJson(QJsonDocument::Indented);
    return status;
}

int show(const QString &file)
{
    quietInternalLogging();
    QTemporaryFile copy;
    const QString name = readableName(file, copy);
    if (name.isEmpty())
        return Errors;
    ConfigurationChecker checker(name);
    if (!checker.run()) {
        err() << "qorvlog: " << oneLine(checker.findings().value(0).message) << "\n";
        return Errors;
    }
    out() << LoggerTree::describe(checker.repository());
    return Clean;
}

// Applies the file for real, as an application would, and keeps the
// engine's console output for its messages: errors reach standard error.
int logLines(const QString &file, const QString &loggerName, const QString &levelText)
{
    const QString upper = levelText.trimmed().toUpper();
    const QStringList levels = { QStringLiteral("TRACE"), QStringLiteral("DEBUG"), QStringLiteral("INFO"),
        QStringLiteral("WARN"), QStringLiteral("ERROR"), QStringLiteral("FATAL") };
    if (!levels.contains(upper)) {
        const QString near = ClosestName::find(upper, levels, ClosestName::NearlyEqualOrPrefix);
        err() << "qorvlog: no level " << levelText << " to log at (" << levels.join(QLatin1String(", ")) << ")";
        if (!near.isEmpty())
            err() << "; did you mean '" << near << "'?";
        err() << "\n";
        return UsageError;
    }
    const QString engineName = OptionConverter::classNameJavaToCpp(loggerName);
    if (engineName.size() > LoggerRepository::maxNameLength) {
        err() << "qorvlog: a logger name of " << engineName.size() << " characters is longer than the limit of "
              << LoggerRepository::maxNameLength << "\n";
        return Errors;
    }
    // A device or a pipe would block the probe, or never end: the
    // configurator refuses them too.
    const QFileInfo info(file);
    QFile probe(file);
    if (info.exists() && !info.isFile() && !info.isDir()) {
        err() << "qorvlog: cannot read " << file << ": Not a regular file\n";
        return Errors;
    }
    if (!probe.open(QIODevice::ReadOnly)) {
        err() << "qorvlog: cannot read " << file << ": " << probe.errorString() << "\n";
        return Errors;
    }
    probe.close();
    const Level level = Level::fromString(upper);

    const bool configured = PropertyConfigurator::configure(file);
    Logger *logger
        = loggerName.isEmpty() ? LogManager::loggerRepository()->rootLogger() : LogManager::logger(engineName);
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly)) {
        err() << "qorvlog: cannot read standard input: " << input.errorString() << "\n";
        return Errors;
    }
    // A line is written when logging it reported no error on the engine's
    // loggers (a file refused it, no file is open): the others are counted.
    // The list survives the shutdown's reset, which reports on the lines
    // still buffered.
    Logger *internal = LogManager::internalLogger();
    const auto errorList = []() {
        LogObjectPtr<ListAppender> list(new ListAppender);
        list->setConfiguratorList(true);
        list->setMaxCount(1);
        list->setThreshold(Level::ERROR_INT);
        list->activate();
        return list;
    };
    LogObjectPtr<ListAppender> errors = errorList();
    internal->addAppender(errors);
    QTextStream lines(&input);
    QString line;
    qint64 count = 0;
    qint64 lost = 0;
    while (lines.readLineInto(&line)) {
        ++count;
        logger->log(level, line);
        if (!errors->list().isEmpty()) {
            ++lost;
            internal->removeAppender(errors);
            errors = errorList();
            internal->addAppender(errors);
        }
    }
    // Closes every appender: each line is in its file when this returns.
    LogManager::shutdown();
    const bool closedClean = errors->list().isEmpty();
    internal->removeAppender(errors);
    if (lost > 0)
        err() << "qorvlog: " << lost << " of " << count << " lines were not written\n";
    if (!closedClean)
        err() << "qorvlog: lines still buffered when the files were closed were not all written\n";
    if (lost > 0 || !closedClean)
        return Errors;
    return configured ? Clean : Warnings;
}

bool isHelp(const QString &argument)
{
    return argument == QLatin1String("--help") || argument == QLatin1String("-h");
}

/*
 * Splits what follows the command into options and operands. Anything that
 * begins with '-' is an option, never a file name, except "-" itself (standard
 * input) and whatever follows "--". Options that take a value (`valued`) take
 * the next argument. Returns an error message, empty when all went well.
 */
QString parseArguments(const QStringList &args, const QStringList &flags, const QStringList &valued,
    QHash<QString, QString> *options, QStringList *operands)
{
    bool optionsEnd = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &argument = args.at(i);
        if (optionsEnd || argument == standardInput || !argument.startsWith(QLatin1Char('-'))) {
            operands->append(argument);
        } else if (argument == QLatin1String("--")) {
            optionsEnd = true;
        } else if (flags.contains(argument)) {
            options->insert(argument, QString());
        } else if (valued.contains(argument)) {
            if (i + 1 >= args.size())
                return QStringLiteral("option '%1' needs a value").arg(argument);
            options->insert(argument, args.at(++i));
        } else {
            return QStringLiteral("unknown option '%1'").arg(argument);
        }
    }
    return QString();
}

int run(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    if (args.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString command = args.takeFirst();
    if (isHelp(command) || command == QLatin1String("help")) {
        out() << usage;
        return Clean;
    }
    if (command == QLatin1String("--version")) {
        out() << "qorvlog " << QORVLOG_VERSION_STR << " (Qt " << qVersion() << ")\n";
        return Clean;
    }
    const QStringList known = { QStringLiteral("check"), QStringLiteral("show"), QStringLiteral("log") };
    if (!known.contains(command))
        return usageError(QStringLiteral("unknown command '%1'").arg(command));
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        out() << usage;
        return Clean;
    }

    QHash<QString, QString> options;
    QStringList operands;
    const QString problem = command == QLatin1String("check")
        ? parseArguments(args, { QStringLiteral("--json") }, {}, &options, &operands)
        : command == QLatin1String("show")
        ? parseArguments(args, {}, {}, &options, &operands)
        : parseArguments(
            args, {}, { QStringLiteral("-c"), QStringLiteral("-n"), QStringLiteral("-l") }, &options, &operands);
    if (!problem.isEmpty())
        return usageError(problem);

    if (command == QLatin1String("check")) {
        if (operands.isEmpty())
            return usageError(QStringLiteral("check needs at least one file"));
        runWithOwnEngineSettings(argv, false);
        return check(operands, options.contains(QStringLiteral("--json")));
    }
    if (command == QLatin1String("show")) {
        if (operands.size() != 1)
            return usageError(QStringLiteral("show takes one file"));
        runWithOwnEngineSettings(argv, false);
        return show(operands.first());
    }
    if (!operands.isEmpty())
        return usageError(QStringLiteral("unexpected argument '%1'").arg(operands.first()));
    const QString file = options.value(QStringLiteral("-c"));
    if (file.isEmpty())
        return usageError(QStringLiteral("log needs a configuration file (-c FILE)"));
    if (file == standardInput)
        return usageError(QStringLiteral("log reads its lines from standard input, not its configuration"));
    runWithOwnEngineSettings(argv, true);
    return logLines(
        file, options.value(QStringLiteral("-n")), options.value(QStringLiteral("-l"), QStringLiteral("INFO")));
}

} // namespace

int main(int argc, char **argv)
{
    const int status = run(argc, argv);
    out().flush();
    err().flush();
    return status;
}
