#ifndef QORVLOG_TESTS_FILETESTING_H
#define QORVLOG_TESTS_FILETESTING_H

#include "common/testfiles.h"
#include "engine/layouts/simplelayout.h"
#include "engine/loggingevent.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QScopedPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

// What the appenders' tests share.
namespace FileTesting
{

// Header and footer set by name, as a configuration sets them.
inline LogEngine::SimpleLayout *layout(const QString &header = QString(), const QString &footer = QString())
{
    auto *layout = new LogEngine::SimpleLayout;
    layout->setProperty("header", header);
    layout->setProperty("footer", footer);
    return layout;
}

inline LogEngine::LoggingEvent eventAt(int level, const QString &message = QStringLiteral("m"))
{
    return LogEngine::LoggingEvent(nullptr, LogEngine::Level(level), message);
}

inline LogEngine::LoggingEvent info(const QString &message)
{
    return eventAt(LogEngine::Level::INFO_INT, message);
}

// A text stream on an in-memory buffer.
struct MemoryStream {
    QBuffer buffer;
    QTextStream stream;
    MemoryStream()
    {
        buffer.open(QIODevice::WriteOnly);
        stream.setDevice(&buffer);
    }
    QByteArray text()
    {
        stream.flush();
        return buffer.data();
    }
};

// An error record as the capture shows it: "text (context::SYMBOL, code)" and the cause.
inline QString errorText(
    const char *context, const char *text, const char *symbol, int code, const QString &cause = QString())
{
    return QString::fromLatin1(text) + QStringLiteral(" (") + QLatin1String(context) + QStringLiteral("::")
        + QLatin1String(symbol) + QStringLiteral(", ") + QString::number(code) + QStringLiteral(")") + cause;
}

// Each file of a directory with the messages of its lines: "app.log: a b".
// A line without its end shows as "torn:" and what it holds.
inline QStringList filesAndMessages(const QString &directory)
{
    QStringList result;
    for (const QString &name : QDir(directory).entryList(QDir::Files, QDir::Name)) {
        QStringList messages;
        for (const QByteArray &line : readFile(directory + QLatin1Char('/') + name).split('\n')) {
            if (line.isEmpty())
                continue;
            if (line.startsWith("INFO - ") && line.endsWith('\r'))
                messages << QString::fromLatin1(line.mid(7).chopped(1));
            else
                messages << QStringLiteral("torn:") + QString::fromLatin1(line);
        }
        result << name + QStringLiteral(": ") + messages.join(QLatin1Char(' '));
    }
    return result;
}

} // namespace FileTesting

// The shape of every file appender test: a directory of its own for each
// test function, gone after it.
class FileTestCase : public QObject
{
    Q_OBJECT

protected:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString directory() const { return m_dir->path(); }

private Q_SLOTS:
    void init()
    {
        m_dir.reset(new TestFolder);
        QVERIFY(m_dir->isValid());
    }
    void cleanup() { m_dir.reset(); }

private:
    QScopedPointer<TestFolder> m_dir;
};

#endif
