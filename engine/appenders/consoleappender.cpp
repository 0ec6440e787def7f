#include "engine/appenders/consoleappender.h"
#include "engine/detail/scopedlock.h"

#include "engine/configuration/optionconverter.h"

#include <cstdio>

namespace LogEngine
{

ConsoleAppender::ConsoleAppender(QObject *parent)
    : WriterAppender(parent)
{
}

ConsoleAppender::ConsoleAppender(Layout *layout, Target target, QObject *parent)
    : WriterAppender(layout, parent)
    , m_target(target)
{
}

ConsoleAppender::~ConsoleAppender()
{
    ConsoleAppender::close();
}

QString ConsoleAppender::target() const
{
    return m_target.load(std::memory_order_relaxed) == STDOUT_TARGET ? QStringLiteral("STDOUT_TARGET")
                                                                     : QStringLiteral("STDERR_TARGET");
}

void ConsoleAppender::setTarget(const QString &target)
{
    bool ok = false;
    const int value = OptionConverter::toTarget(target, &ok);
    if (ok)
        m_target.store(value, std::memory_order_relaxed);
}

void ConsoleAppender::activate()
{
    ScopedLock locker(&reportingGuard());
    closeStream();
    m_consoleStream = new QTextStream(m_target.load(std::memory_order_relaxed) == STDOUT_TARGET ? stdout : stderr);
    setWriter(m_consoleStream);
    WriterAppender::activate();
}

void ConsoleAppender::close()
{
    ScopedLock locker(&reportingGuard());
    // Activated again after a close, it owns a new stream to end and free.
    if (isClosed() && !m_consoleStream && !writer())
        return;
    WriterAppender::close();
    closeStream();
}

void ConsoleAppender::closeStream()
{
    setWriter(nullptr);
    delete m_consoleStream;
    m_consoleStream = nullptr;
}

QDebug ConsoleAppender::debug(QDebug &debug) const
{
    debug.nospace() << "ConsoleAppender(";
    debugName(debug);
    debug << " ";
    debugFilter(debug);
    debug << " ";
    debugFlags(debug, " ");
    debug << " ";
    debugLayout(debug);
    debug << " "
          << "target:" << (m_target.load(std::memory_order_relaxed) == STDOUT_TARGET ? "STDOUT" : "STDERR") << " "
          << "referencecount:" << referenceCount() << " ";
    debugThreshold(debug);
    debug << ")";
    return debug.space();
}

} // namespace LogEngine
