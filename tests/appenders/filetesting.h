#ifndef QORVLOG_TESTS_FILETESTING_H
#define QORVLOG_TESTS_FILETESTING_H

#include "engine/layouts/simplelayout.h"
#include "engine/loggingevent.h"

#include <QFile>
#include <QTest>

// What the rolling file appenders' tests share.
namespace FileTesting
{

inline LogEngine::SimpleLayout *layout(const QString &header = QString(), const QString &footer = QString())
{
    auto *layout = new LogEngine::SimpleLayout;
    layout->setHeader(header);
    layout->setFooter(footer);
    return layout;
}

inline LogEngine::LoggingEvent info(const QString &message)
{
    return LogEngine::LoggingEvent(nullptr, LogEngine::Level(LogEngine::Level::INFO_INT), message);
}

inline QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

// An error record as the capture shows it: "text (context::SYMBOL, code)" and the cause.
inline QString errorText(
    const char *context, const char *text, const char *symbol, int code, const QString &cause = QString())
{
    return QString::fromLatin1(text) + QStringLiteral(" (") + QLatin1String(context) + QStringLiteral("::")
        + QLatin1String(symbol) + QStringLiteral(", ") + QString::number(code) + QStringLiteral(")") + cause;
}

} // namespace FileTesting

#endif
