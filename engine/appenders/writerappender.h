#ifndef LOGENGINE_WRITERAPPENDER_H
#define LOGENGINE_WRITERAPPENDER_H

#include "engine/appenders/appenderskeleton.h"

#include "engine/detail/qtcompat.h"

#include <QTextStream>

namespace LogEngine
{

/*!
 * Writes each event's layout text to a QTextStream it does not own. The
 * layout's header is written when a stream is attached and its footer when
 * the stream is let go. All stream work runs under the appender's lock.
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
    void activate() override;
    void close() override;

    TextCodec *encoding() const;
    void setEncoding(TextCodec *codec);
    QTextStream *writer() const { return m_writer; }
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
    void writeHeader() const;
    void writeFooter() const;
    void closeWriter();

private:
    void writeDecoration(const QString &text) const;
    void write(QStringView text) const;

    TextCodec *m_encoding = nullptr;
    QTextStream *m_writer = nullptr;
    std::atomic<bool> m_immediateFlush { true };
    mutable qint64 m_written = 0;
    // Each line is formatted here and written from here, under the lock;
    // the string keeps its room from one line to the next.
    QString m_line;
};

} // namespace LogEngine

Q_DECLARE_METATYPE(LOGENGINE_TEXT_CODEC *)
Q_DECLARE_METATYPE(QTextStream *)

#endif
