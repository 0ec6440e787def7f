#ifndef LOGENGINE_WRITERAPPENDER_H
#define LOGENGINE_WRITERAPPENDER_H

#include "engine/appenders/appenderskeleton.h"

#include "engine/detail/qtcompat.h"

#include <QTextStream>

#include <atomic>
#include <mutex>

namespace LogEngine
{

/*!
 * Writes each event's layout text to a QTextStream it does not own. The
 * layout's header is written when a stream is attached and its footer when
 * the stream is let go. All stream work runs under the appender's lock.
 *
 * Formatting comes first, outside the lock, into a string of the calling
 * thread, when the event looks likely to be written (active, not closed,
 * above the threshold, no filters); the lock is then held for the checks,
 * the threshold, the filters and the write of the finished text, so other
 * threads format meanwhile. What a caller sees is unchanged:
 * - lines are written whole, in the order the appender takes them under
 *   its lock, which is also the order of the checks and their records;
 * - each line is in the layout set when it is written: a line formatted
 *   before `setLayout` changed the layout is formatted again under the
 *   lock, and `setLayout` keeps the old layout alive until no thread
 *   formats with it any more;
 * - an event that the same thread logs into this appender while it formats
 *   (a layout that logs) is dropped, as the skeleton drops one that comes
 *   back while it writes.
 */
class WriterAppender : public AppenderSkeleton
{
    Q_OBJECT
    Q_PROPERTY(LOGENGINE_TEXT_CODEC *encoding READ encoding WRITE setEncoding)
    Q_PROPERTY(QTextStream *writer READ writer WRITE setWriter)
    Q_PROPERTY(bool immediateFlush READ immediateFlush WRITE setImmediateFlush)

public:
    explicit WriterAppender(QObject *parent = nullptr);
    explicit WriterAppender(Layout *layout, QObject *parent = nullptr);
    ~WriterAppender() override;

    bool requiresLayout() const override { return true; }
    void setLayout(Layout *layout) override;
    void activate() override;
    void close() override;
    void handleEvent(const LoggingEvent &event) override;

    TextCodec *encoding() const;
    void setEncoding(TextCodec *codec);
    QTextStream *writer() const { return m_writer.load(std::memory_order_relaxed); }
    void setWriter(QTextStream *writer);
    bool immediateFlush() const { return m_immediateFlush.load(std::memory_order_relaxed); }
    void setImmediateFlush(bool flush) { m_immediateFlush.store(flush, std::memory_order_relaxed); }

    QDebug debug(QDebug &debug) const override;

protected:
    /*! True when an input/output error occurred and was reported; the stream is not checked here. */
    virtual bool reportIoError() const;

    void append(const LoggingEvent &event) override;
    bool canAppend() const override;

    /*!
     * Bytes handed to the current writer since it was set, the text its
     * stream may still buffer included, counted as UTF-8 (exact for UTF-8,
     * and for ASCII text in any ASCII-based encoding). The caller holds the
     * lock.
     */
    qint64 writtenBytes() const { return m_written; }

    // The caller holds the lock.
    void writeHeader();
    void writeFooter();
    void closeWriter();
    /*! Writes a header or footer text with its line end. The caller holds the lock. */
    virtual void writeDecoration(const QString &text);
    /*! The event's text as the layout gives it, in a string kept from line to line. The caller holds the lock. */
    const QString &formatLine(const LoggingEvent &event);
    /*! Lets go of the room of a huge line once it is written. */
    void trimLine();
    /*! The encoding without taking the lock: the caller holds it. */
    TextCodec *encodingLocked() const { return m_encoding; }

private:
    void write(QStringView text);

    TextCodec *m_encoding = nullptr;
    // Changed under the lock; read without it by `writer` and before formatting.
    std::atomic<QTextStream *> m_writer { nullptr };
    std::atomic<bool> m_immediateFlush { true };
    qint64 m_written = 0;
    // A line formatted under the lock (the layout changed meanwhile, or
    // the event was not formatted first) is formatted here; the string
    // keeps its room from one line to the next.
    QString m_line;
    // The layout for formatting without the lock, and a count of the
    // threads formatting with it per parity of the generation they read:
    // `setLayout` waits for the old generation's counts to drain before it
    // lets the old layout go. The generation counts layout changes. Each
    // count is spread over cache lines of their own, one per group of
    // threads, so that threads formatting at once do not contend for one.
    static constexpr int formatterShards = 8;
    struct alignas(64) FormatterCount {
        std::atomic<int> value { 0 };
    };
    std::atomic<Layout *> m_formattingLayout { nullptr };
    std::atomic<unsigned> m_layoutGeneration { 0 };
    FormatterCount m_formatters[2][formatterShards];
    std::mutex m_layoutChange;
};

} // namespace LogEngine

Q_DECLARE_METATYPE(LOGENGINE_TEXT_CODEC *)
Q_DECLARE_METATYPE(QTextStream *)

#endif
