#include "common/capturingappender.h"
#include "engine/appenders/consoleappender.h"
#include "engine/appenders/fileappender.h"
#include "engine/configuration/configuratorhelper.h"
#include "engine/configuration/optionconverter.h"
#include "engine/configuration/properties.h"
#include "engine/configuration/propertyconfigurator.h"
#include "engine/layouts/patternlayout.h"
#include "engine/loggerrepository.h"
#include "engine/logmanager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

using namespace LogEngine;

// Configuration files shipped by real projects: every one loads, and holds
// what a careful reader of it finds there.
class tst_Corpus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyFileConfigures_data();
    void everyFileConfigures();
    void cleanup();
};

namespace
{

// The reader's warnings (checked by the tool's reports) stay out of the test log.
Properties loadCorpusFile(const QString &name)
{
    Capture capture(QStringLiteral("LogEngine::Properties"));
    QFile file(QStringLiteral(QORVLOG_CORPUS_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("corpus file missing: %s", qPrintable(name));
    Properties properties;
    properties.load(&file);
    return properties;
}

QString shortClassName(const QObject *object)
{
    return QString::fromLatin1(object->metaObject()->className()).remove(QLatin1String("LogEngine::"));
}

// What a configuration run left: every logger the file names (root first),
// each appender they hold, and the run's error records in sorted order (the
// loggers are configured in the order of a hash).
QString outcomeOf(const Properties &properties)
{
    QStringList loggerNames;
    const QStringList keys = properties.propertyNames();
    for (const QString &key : keys) {
        for (const QLatin1String prefix : { QLatin1String("log4j.logger."), QLatin1String("log4j.category.") }) {
            if (key.startsWith(prefix) && key.size() > prefix.size())
                loggerNames.append(OptionConverter::classNameJavaToCpp(key.mid(prefix.size())));
        }
    }
    loggerNames.sort();
    loggerNames.prepend(QString());
    QStringList lines;
    const Level threshold = LogManager::loggerRepository()->threshold();
    if (threshold != Level(Level::NULL_INT))
        lines.append(QLatin1String("threshold: ") + threshold.toString());
    QMap<QString, Appender *> appenders;
    for (const QString &name : qAsConst(loggerNames)) {
        const Logger *logger = LogManager::logger(name);
        QStringList names;
        const QList<Appender *> held = logger->appenders();
        for (Appender *appender : held) {
            names.append(appender->name());
            appenders.insert(appender->name(), appender);
        }
        lines.append(logger->name() + QLatin1String(": ") + logger->level().toString()
            + (logger->additivity() ? QLatin1String("") : QLatin1String(" non-additive")) + QLatin1String(" [")
            + names.join(QLatin1String(", ")) + QLatin1Char(']'));
    }
    for (const Appender *appender : qAsConst(appenders)) {
        QString line = appender->name() + QLatin1String(": ") + shortClassName(appender);
        const auto *skeleton = qobject_cast<const AppenderSkeleton *>(appender);
        line += QLatin1String(skeleton->isActive() ? " active" : " inactive");
        if (skeleton->threshold() != Level(Level::NULL_INT))
            line += QLatin1String(" threshold=") + skeleton->threshold().toString();
        if (const auto *console = qobject_cast<const ConsoleAppender *>(appender))
            line += QLatin1String(" target=") + console->target();
        if (const auto *file = qobject_cast<const FileAppender *>(appender))
            line += QLatin1String(" file=") + file->file() + QLatin1String(file->appendFile() ? " append" : "");
        if (const Layout *layout = appender->layout()) {
            line += QLatin1String(" layout=") + shortClassName(layout);
            if (const auto *pattern = qobject_cast<const PatternLayout *>(layout))
                line += QLatin1String(" '") + pattern->conversionPattern() + QLatin1Char('\'');
        }
        lines.append(line);
    }
    QStringList errors;
    const QList<LoggingEvent> events = ConfiguratorHelper::configurationErrors();
    for (const LoggingEvent &event : events)
        errors.append(QLatin1String("error: ") + event.message());
    errors.sort();
    return (lines + errors).join(QLatin1Char('\n'));
}

} // namespace

void tst_Corpus::cleanup()
{
    LogManager::resetConfiguration();
    LogManager::loggerRepository()->setThreshold(Level(Level::NULL_INT));
}

// What each file configures is in data/configured, under the file's name:
// filters given by key, custom appender classes and a misspelt level give
// exactly their errors; everything else in the file is configured.
void tst_Corpus::everyFileConfigures_data()
{
    QTest::addColumn<QString>("file");
    const QStringList files = QDir(QStringLiteral(QORVLOG_CORPUS_DIR)).entryList({ QStringLiteral("*.properties") });
    QCOMPARE(files.size(), 15);
    for (const QString &file : files)
        QTest::newRow(qPrintable(file)) << file;
}

// A copy of the corpus file whose absolute log file names (/var/log/...,
// or /server.log where a variable is undefined) lie under `root` instead,
// with the directories above the one the appender creates itself in place,
// as on a machine that has /var/log. The rest of the text is unchanged.
QString confinedCopy(const QString &name, const QString &root)
{
    QFile original(QStringLiteral(QORVLOG_CORPUS_DIR "/") + name);
    if (!original.open(QIODevice::ReadOnly))
        qFatal("corpus file missing: %s", qPrintable(name));
    QByteArray text = original.readAll();
    const Properties properties = loadCorpusFile(name);
    const QStringList keys = properties.propertyNames();
    for (const QString &key : keys) {
        if (!key.startsWith(QLatin1String("log4j.appender."))
            || key.section(QLatin1Char('.'), 3).compare(QLatin1String("file"), Qt::CaseInsensitive) != 0)
            continue;
        const QString value = OptionConverter::substituteVariables(properties, key);
        if (!value.startsWith(QLatin1Char('/')))
            continue;
        QDir().mkpath(root + QFileInfo(QFileInfo(value).path()).path());
        // A later line wins over an earlier one with the same key.
        text += "\n" + key.toUtf8() + '=' + (root + value).toUtf8() + '\n';
    }
    QDir().mkpath(root);
    const QString copy = root + QLatin1Char('/') + name;
    QFile confined(copy);
    if (!confined.open(QIODevice::WriteOnly) || confined.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(copy));
    return copy;
}

// Each file configures what the engine has, in a working directory of its
// own (where its file appenders write), and reports exactly the rest.
void tst_Corpus::everyFileConfigures()
{
    QFETCH(QString, file);
    QTemporaryDir work;
    const QString root = work.path() + QLatin1String("/root");
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work.path()));
    // The engine's own console output stays out of the test log.
    LogManager::internalLogger()->removeAllAppenders();
    LogManager::internalLogger()->setAdditivity(false);
    const QString copy = confinedCopy(file, root);
    const bool configured = PropertyConfigurator::configure(copy);
    const QString found = outcomeOf(loadCorpusFile(file)).replace(root, QString());
    QDir::setCurrent(previous);
    QFile expected(QStringLiteral(QORVLOG_TEST_DATA "/configured/") + file.section(QLatin1Char('.'), 0, -2)
        + QLatin1String(".expected"));
    QVERIFY(expected.open(QIODevice::ReadOnly));
    QCOMPARE(found + QLatin1Char('\n'), QString::fromUtf8(expected.readAll()));
    // A run says whether it stored errors.
    QCOMPARE(configured, !found.contains(QLatin1String("\nerror: ")));
}

QObject *newCorpusTest()
{
    return new tst_Corpus;
}

#include "tst_corpus.moc"
