#include "engine/appenders/writerappender.h"
#include "engine/detail/scopedlock.h"

#include "engine/layouts/layout.h"
#include "engine/loggingevent.h"

#include <thread>

namespace LogEngine
{

namespace
{

constexpr int maxKeptLine = 16384;

// What a thread formats before it takes an appender's lock. Appenders may
// nest on one thread (an appender reports an error through a logger whose
// appenders format in turn), so there is one string per depth, and the
// appenders in progress are kept to drop an event that comes back to one
// of them. Deeper nesting than this is rare enough to format under the lock.
constexpr int maxPreformattingDepth = 8;
struct FormattingState {
    QString lines[maxPreformattingDepth];
    const WriterAppender *inProgress[maxPreformattingDepth];
    int depth = 0;
    ~FormattingState();
};
// Set once the thread's state is gone: code that logs from another
// thread-local object's destructor at thread exit formats under the lock.
thread_local bool t_formattingGone = false;
thread_local FormattingState t_formatting;

FormattingState::~FormattingState()
{
    t_formattingGone = true;
}

// The line formatted for the event that the appender is handling on this
// thread, and the generation of the layout that formatted it.
struct Preformatted {
    const WriterAppender *appender;
    const QString *text;
    unsigned generation;
};
thread_local Preformatted t_preformatted { nullptr, nullptr, 0 };

// Which of an appender's formatter counts the thread uses: threads in turn.
std::atomic<unsigned> s_nextFormatterShard { 0 };
thread_local const unsigned t_formatterShard = s_nextFormatterShard.fetch_add(1, std::memory_order_relaxed);

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
    WriterAppender::setLayout(layout);
}

WriterAppender::~WriterAppender()
{
    WriterAppender::close();
}

void WriterAppender::setLayout(Layout *layout)
{
    // One change at a time: a change waits until no thread formats with the
    // layout it replaces, and the next may then replace the new one.
    std::lock_guard<std::mutex> change(m_layoutChange);
    LogObjectPtr<Layout> previous;
    unsigned replaced;
    {
        ScopedLock locker(&objectGuard());
        previous = this->layout();
        AppenderSkeleton::setLayout(layout);
        m_formattingLayout.store(layout);
        replaced = m_layoutGeneration.fetch_add(1);
    }
    // Formatting threads hold no lock; the wait is short (one line).
    for (const FormatterCount &count : m_formatters[replaced & 1]) {
        while (count.value.load() != 0)
            std::this_thread::yield();
    }
}

void WriterAppender::handleEvent(const LoggingEvent &event)
{
    // Only an event that will be written is formatted first.
    if (t_formattingGone || !writer() || !isActive() || isClosed() || hasFilters() || threshold() > event.level()) {
        AppenderSkeleton::handleEvent(event);
        return;
    }
    FormattingState &state = t_formatting;
    for (int i = 0; i < state.depth; ++i) {
        if (state.inProgress[i] == this)
            return; // the thread came back here while it formats or writes
    }
    if (state.depth == maxPreformattingDepth) {
        AppenderSkeleton::handleEvent(event);
        return;
    }
    const int depth = state.depth++;
    state.inProgress[depth] = this;
    QString &line = state.lines[depth];
    line.resize(0);

    // Sequentially consistent: a thread that counts itself in after
    // `setLayout` looked at the count reads the new layout.
    const int shard = t_formatterShard % formatterShards;
    unsigned generation;
    for (;;) {
        generation = m_layoutGeneration.load();
        m_formatters[generation & 1][shard].value.fetch_add(1);
        if (m_layoutGeneration.load() == generation)
            break;
        m_formatters[generation & 1][shard].value.fetch_sub(1);
    }
    Layout *current = m_formattingLayout.load();
    if (current)
        current->appendFormatted(line, event);
    m_formatters[generation & 1][shard].value.fetch_sub(1);

    const Preformatted outer = t_preformatted;
    // Without a layout the line is left to the lock, which reports it.
    t_preformatted = { current ? this : nullptr, &line, generation };
    AppenderSkeleton::handleEvent(event);
    t_preformatted = outer;
    --state.depth;
    if (line.capacity() > maxKeptLine)
        line = QString();
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
    if (writer())
        QtCompat::setStreamCodec(*writer(), codec ? codec : TextCodec::codecForLocale());
}

void WriterAppender::setWriter(QTextStream *writer)
{
    ScopedLock locker(&reportingGuard());
    closeWriter();
    m_writer.store(writer, std::memory_order_relaxed);
    m_written = 0;
    if (m_encoding && writer)
        QtCompat::setStreamCodec(*writer, m_encoding);
    writeHeader();
}

void WriterAppender::activate()
{
    ScopedLock locker(&reportingGuard());
    if (!writer()) {
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
    if (isClosed() && !writer())
        return;
    AppenderSkeleton::close();
    closeWriter();
}

bool WriterAppender::canAppend() const
{
    if (!writer()) {
        reportError(
            "Use of appender '%1' without a writer set", LOGENGINE_APPENDER_ERROR(APPENDER_USE_MISSING_WRITER_ERROR));
        return false;
    }
    return AppenderSkeleton::canAppend();
}

const QString &WriterAppender::formatLine(const LoggingEvent &event)
{
    // Formatted before the lock with the layout still set: used once.
    if (t_preformatted.appender == this && t_preformatted.generation == m_layoutGeneration.load()) {
        t_preformatted.appender = nullptr;
        return *t_preformatted.text;
    }
    m_line.resize(0);
    layout()->appendFormatted(m_line, event);
    return m_line;
}

void WriterAppender::trimLine()
{
    // The room of one huge line is not worth keeping.
    if (m_line.capacity() > maxKeptLine)
        m_line = QString();
}

void WriterAppender::append(const LoggingEvent &event)
{
    write(formatLine(event));
    trimLine();
    if (reportIoError())
        return;
    if (immediateFlush()) {
        writer()->flush();
        reportIoError();
    }
}

// Everything goes to the stream here, and is counted as it goes: the stream
// may hold it in its buffer for a while, and a size limit must see it all.
void WriterAppender::write(QStringView text)
{
    *writer() << text;
    m_written += utf8Size(text);
}

bool WriterAppender::reportIoError() const
{
    return false;
}

void WriterAppender::writeDecoration(const QString &text)
{
    if (text.isEmpty())
        return;
    write(text);
    write(Layout::endOfLine());
    reportIoError();
}

void WriterAppender::writeHeader()
{
    if (Layout *current = layout(); current && writer())
        writeDecoration(current->header());
}

void WriterAppender::writeFooter()
{
    if (Layout *current = layout(); current && writer())
        writeDecoration(current->footer());
}

void WriterAppender::closeWriter()
{
    if (!writer())
        return;
    writeFooter();
    // Text still buffered in the stream belongs to the old destination.
    writer()->flush();
    m_writer.store(nullptr, std::memory_order_relaxed);
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
    debug << "writer:" << static_cast<const void *>(writer()) << ")";
    return debug.space();
}

} // namespace LogEngine
