#ifndef QORVLOG_TESTS_CAPTURINGAPPENDER_H
#define QORVLOG_TESTS_CAPTURINGAPPENDER_H

#include "engine/appenders/appenderskeleton.h"
#include "engine/logger.h"
#include "engine/loggingevent.h"

#include <QList>
#include <QStringList>

#include <mutex>

// What one captured event said.
struct CapturedMessage {
    int level;
    QString logger;
    QString message;
};

// Records every event it is handed; the tests' window on the engine's own
// warnings and error records.
class CapturingAppender : public LogEngine::AppenderSkeleton
{
    Q_OBJECT

public:
    explicit CapturingAppender(QObject *parent = nullptr)
        : AppenderSkeleton(parent)
    {
    }

    bool requiresLayout() const override { return false; }
    QDebug debug(QDebug &debug) const override { return debug << "CapturingAppender()"; }

    QList<CapturedMessage> messages() const;
    QStringList texts() const;
    // The texts of the captured messages of exactly `level`.
    QStringList texts(int level) const;
    // Each captured message from DEBUG up, as "LEVEL Logger: text", the
    // logger named without the engine's namespace.
    QStringList lines() const;
    void clear();
    // Number of captured messages whose text equals `text`.
    int count(const QString &text) const;

protected:
    void append(const LogEngine::LoggingEvent &event) override;

private:
    mutable std::mutex m_mutex; // visible to the thread sanitizer, unlike QMutex
    QList<CapturedMessage> m_messages;
};

// Attaches a capturing appender to a logger (by default the engine's
// internal logger, parent of every class logger) for the life of the scope,
// with the logger opened up to TRACE.
class Capture
{
public:
    explicit Capture(const QString &loggerName = QStringLiteral("LogEngine"));
    ~Capture();

    CapturingAppender *operator->() const { return m_appender; }
    CapturingAppender *appender() const { return m_appender; }

private:
    LogEngine::Logger *m_logger;
    LogEngine::Level m_previousLevel;
    LogEngine::LogObjectPtr<CapturingAppender> m_appender;
};

// The names of the appenders attached to `logger`, in their order.
inline QStringList appenderNames(const LogEngine::Logger *logger)
{
    QStringList names;
    const QList<LogEngine::Appender *> appenders = logger->appenders();
    for (const LogEngine::Appender *appender : appenders)
        names.append(appender->name());
    return names;
}

#endif
