// Any bytes as a configuration file, applied to the engine: the run ends
// without crash or hang, and the engine still logs afterwards.
//
// Run the target in a directory of its own: every file a configuration
// creates is named relative to the working directory, and inputs that name
// a file anywhere else (an absolute name, a parent directory, a separator
// brought in by an escape or a substitution) are skipped, so nothing is
// written outside it. The directory is emptied after every input.
#include "fuzzquiet.h"

#include "engine/configuration/optionconverter.h"
#include "engine/configuration/properties.h"
#include "engine/configuration/propertyconfigurator.h"
#include "engine/loggerrepository.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <cstdlib>

namespace
{

const QString configName = QStringLiteral("fuzz-input.properties");

bool staysInWorkingDirectory(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    LogEngine::Properties properties;
    properties.load(&buffer);
    // One budget, as one configuration run has.
    LogEngine::OptionConverter::SubstitutionBudget budget;
    for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
        // Raw and substituted alike: the configurator reads both.
        for (const QString &text :
            { it.value(), LogEngine::OptionConverter::substituteVariables(properties, it.key(), budget) }) {
            if (text.contains(QLatin1Char('/')) || text.contains(QLatin1Char('\\'))
                || text.contains(QLatin1String("..")))
                return false;
        }
    }
    return true;
}

void emptyWorkingDirectory()
{
    QDir here = QDir::current();
    const QStringList names = here.entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        QFileInfo info(here.filePath(name));
        if (info.isDir() && !info.isSymLink())
            QDir(info.filePath()).removeRecursively();
        else
            here.remove(name);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    if (!staysInWorkingDirectory(bytes))
        return -1;
    {
        QFile config(configName);
        if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate) || config.write(bytes) != bytes.size())
            std::abort();
    }
    LogEngine::PropertyConfigurator::configure(configName);
    LogEngine::LogManager::logger(QStringLiteral("fuzz"))->error("after the run");
    // Closes every appender the run made before its files go. Quietly: the
    // reset reports on every logger there is, and loggers live for ever, so
    // with the engine's own tracing on (an input's "log4j.Debug") it would
    // cost more with every input run before. The threshold an input set
    // goes too.
    LogEngine::LoggerRepository *repository = LogEngine::LogManager::loggerRepository();
    repository->setThreshold(LogEngine::Level(LogEngine::Level::OFF_INT));
    LogEngine::LogManager::resetConfiguration();
    repository->setThreshold(LogEngine::Level(LogEngine::Level::ALL_INT));
    silenceInternalLogging();
    emptyWorkingDirectory();
    return 0;
}
