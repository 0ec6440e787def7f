#ifndef LOGENGINE_CONSOLEAPPENDER_H
#define LOGENGINE_CONSOLEAPPENDER_H

#include "engine/appenders/writerappender.h"

namespace LogEngine
{

/*!
 * A writer appender on the process's standard output or standard error. It
 * owns its stream; each `activate` ends the old stream (footer) and starts
 * a new one (header), which is when a changed target takes effect.
 */
class ConsoleAppender : public WriterAppender
{
    Q_OBJECT
    Q_PROPERTY(QString target READ target WRITE setTarget)

public:
    enum Target { STDOUT_TARGET = 0, STDERR_TARGET = 1 };
    Q_ENUM(Target)

    explicit ConsoleAppender(QObject *parent = nullptr);
    ConsoleAppender(Layout *layout, Target target, QObject *parent = nullptr);
    ~ConsoleAppender() override;

    QString target() const;
    /*! Accepts the texts of the option converter's target conversion; a rejected text changes nothing. */
    void setTarget(const QString &target);
    void setTarget(Target target) { m_target.store(target, std::memory_order_relaxed); }

    void activate() override;
    void close() override;

    QDebug debug(QDebug &debug) const override;

private:
    void closeStream();

    std::atomic<int> m_target { STDOUT_TARGET };
    QTextStream *m_consoleStream = nullptr;
};

} // namespace LogEngine

#endif
