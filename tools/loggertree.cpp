#include "loggertree.h"

#include "engine/appenders/appenderskeleton.h"
#include "engine/appenders/fileappender.h"
#include "engine/layouts/patternlayout.h"
#include "engine/logger.h"
#include "engine/loggerrepository.h"

#include <QMap>
#include <QStringList>
#include <utility>

using namespace LogEngine;

namespace
{

QString levelText(const Level &level, const char *unset)
{
    return level == Level(Level::NULL_INT) ? QString::fromLatin1(unset) : level.toString();
}

// A pattern may hold a line end ("%m\n" in a file is one): it is shown escaped.
QString escaped(QString text)
{
    return text.replace(QLatin1Char('\r'), QLatin1String("\\r")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
}

QString className(const QObject *object)
{
    return QString::fromLatin1(object->metaObject()->className());
}

void describeLogger(const Logger *logger, const QMultiMap<QString, const Logger *> &children, int depth,
    QStringList &lines, QMap<QString, const Appender *> &appenders)
{
    QString line = QString(depth * 2, QLatin1Char(' ')) + logger->name() + QLatin1String(": level ")
        + levelText(logger->level(), "inherited") + QLatin1String(", effective ") + logger->effectiveLevel().toString()
        + QLatin1String(logger->additivity() ? ", additive" : ", not additive");
    const QList<Appender *> held = logger->appenders();
    QStringList names;
    for (const Appender *appender : held) {
        names.append(appender->name());
        appenders.insert(appender->name(), appender);
    }
    if (!names.isEmpty())
        line += QLatin1String(", appenders ") + names.join(QLatin1String(", "));
    lines.append(line);
    // The map is sorted by parent, then by the child's name.
    const QList<const Logger *> own = children.values(logger->name());
    QMap<QString, const Logger *> sorted;
    for (const Logger *child : own)
        sorted.insert(child->name(), child);
    for (const Logger *child : std::as_const(sorted))
        describeLogger(child, children, depth + 1, lines, appenders);
}

} // namespace

QString LoggerTree::describe(const LoggerRepository *repository)
{
    QStringList lines;
    if (repository->threshold() != Level(Level::NULL_INT))
        lines.append(QLatin1String("threshold: ") + repository->threshold().toString());
    QMultiMap<QString, const Logger *> children;
    const QList<Logger *> loggers = repository->loggers();
    for (const Logger *logger : loggers) {
        if (logger->parentLogger())
            children.insert(logger->parentLogger()->name(), logger);
    }
    QMap<QString, const Appender *> appenders;
    describeLogger(repository->rootLogger(), children, 0, lines, appenders);

    for (const Appender *appender : std::as_const(appenders)) {
        QString line = QLatin1String("appender ") + appender->name() + QLatin1String(": ") + className(appender);
        if (const auto *skeleton = qobject_cast<const AppenderSkeleton *>(appender))
            line += QLatin1String(", threshold ") + levelText(skeleton->threshold(), "none");
        if (const Layout *layout = appender->layout()) {
            line += QLatin1String(", layout ") + className(layout);
            if (const auto *pattern = qobject_cast<const PatternLayout *>(layout))
                line += QLatin1String(", pattern '") + escaped(pattern->conversionPattern()) + QLatin1Char('\'');
        } else {
            line += QLatin1String(", no layout");
        }
        if (const auto *file = qobject_cast<const FileAppender *>(appender))
            line += QLatin1String(", file '") + file->file() + QLatin1Char('\'');
        lines.append(line);
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
