#include "engine/appenders/writerappender.h"
#include "engine/scopedlock.h"

#include "engine/layouts/layout.h"

namespace LogEngine
{

namespace
{

constexpr int maxKeptLine = 16384;

// The bytes `text` takes in UTF-8, the stream's usual encoding, without
// encoding it a second time.
qint64 utf8Size(QStringView text)
{
    qint64 size = text.size();
    for (const QChar c : text) {
        const ushort unit = c.unicode();
        if (unit >= 0x80)
            size += unit >= 0x800 && !c.isSurrogate() ? 2 : 1;
    }
    return size;
}

} // namespace

WriterAppender::WriterAppender(QObject *parent)
    : AppenderSkeleton(false, parent)
{
}

WriterAppender::WriterAppender(Layout *layout, QObject *parent)
    : AppenderSkeleton(false, parent)
{
    setLayout(layout);
}

WriterAppender::~WriterAppender()
{
    WriterAppender::close();
}

TextCodec *WriterAppender::encoding() const
{
    ScopedLock locker(&objectGuard());
    return m_encoding;
}

void WriterAppender::setEncoding(TextCodec *codec)
{
    ScopedLock locker(&objectGuard());
    if (codec == m_encoding)
        return;
    m_encoding = codec;
    if (m_writer)
        QtCompat::setStreamCodec(*m_writer, codec ? codec : TextCodec::codecForLocale());
}

void WriterAppender::setWriter(QTextStream *writer)
{
    ScopedLock locker(&reportingGuard());
    closeWriter();
    m_writer = writer;
    m_written = 0;
    if (m_encoding && m_writer)
        QtCompat::setStreamCodec(*m_writer, m_encoding);
    writeHeader();
}

void WriterAppender::activate()
{
    ScopedLock locker(&reportingGuard());
    if (!m_writer) {
        reportError("Activation of Appender '%1' that requires writer and has no writer set",
            LOGENGINE_APPENDER_ERROR(APPENDER_ACTIVATE_MISSING_WRITER_ERROR));
        return;
    }
    AppenderSkeleton::activate();
}

void WriterAppender::close()
{
    ScopedLock locker(&reportingGuard());
    // Activated again after a close, it holds a writer whose footer is due.
    if (isClosed() && !m_writer)
        return;
    AppenderSkeleton::close();
    closeWriter();
}

bool WriterAppender::canAppend() const
{
    if (!m_writer) {
        reportError(
            "Use of appender '%1' without a writer set", LOGENGINE_APPENDER_ERROR(APPENDER_USE_MISSING_WRITER_ERROR));
        return false;
    }
    return AppenderSkeleton::canAppend();
}

void WriterAppender::append(const LoggingEvent &event)
{
    m_line.resize(0);
    layout()->appendFormatted(m_line, event);
    write(m_line);
    // The room of one huge line is not worth keeping.
    if (m_line.capacity() > maxKeptLine)
        m_line = QString();
    if (reportIoError())
        return;
    if (immediateFlush()) {
        m_writer->flush();
        reportIoError();
    }
}

// Everything goes to the stream here, and is counted as it goes: the stream
// may hold it in its buffer for a while, and a size limit must see it all.
void WriterAppender::write(QStringView text) const
{
    *m_writer << text;
    m_written += utf8Size(text);
}

bool WriterAppender::reportIoError() const
{
    return false;
}

void WriterAppender::writeDecoration(const QString &text) const
{
    if (text.isEmpty())
        return;
    write(text);
    write(Layout::endOfLine());
    reportIoError();
}

void WriterAppender::writeHeader() const
{
    if (Layout *current = layout(); current && m_writer)
        writeDecoration(current->header());
}

void WriterAppender::writeFooter() const
{
    if (Layout *current = layout(); current && m_writer)
        writeDecoration(current->footer());
}

void WriterAppender::closeWriter()
{
    if (!m_writer)
        return;
    writeFooter();
    // Text still buffered in the stream belongs to the old destination.
    m_writer->flush();
    m_writer = nullptr;
}

QDebug WriterAppender::debug(QDebug &debug) const
{
    debug.nospace() << "WriterAppender(";
    debugName(debug);
    debug << " "
          << "encoding:" << QtCompat::codecName(encoding()) << " ";
    debugFilter(debug);
    debug << "immediateFlush:" << immediateFlush();
    debugFlags(debug, "");
    debugLayout(debug);
    debug << "referencecount:" << referenceCount() << " ";
    debugThreshold(debug);
    debug << "writer:" << static_cast<const void *>(m_writer) << ")";
    return debug.space();
}

} // namespace LogEngine
