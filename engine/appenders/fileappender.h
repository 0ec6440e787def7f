#ifndef LOGENGINE_FILEAPPENDER_H
#define LOGENGINE_FILEAPPENDER_H

#include "engine/appenders/retryschedule.h"
#include "engine/appenders/writerappender.h"

#include <QFile>

#include <string>

namespace LogEngine
{

class Clock;

/*!
 * A writer appender on a file it opens and owns. `activate` (re)opens the
 * file named by `file`, appending or truncating as `appendFile` says, and
 * creates every missing directory of its path. Changed properties take
 * effect at the next `activate`.
 *
 * The appender encodes each line itself (UTF-8 unless `encoding` names
 * another codec) into a byte buffer it owns, and hands the buffer to the
 * system with one `write`: after every line with immediate flush on or
 * without buffered I/O, otherwise once the buffer holds 32 KiB. A text
 * stream on the file stands for it as the writer, but nothing goes
 * through it.
 *
 * A failed write is reported with the system's error text as its cause.
 * With buffered I/O, the bytes the system did not take stay at the front
 * of the buffer and go first once the fault is gone (a disk that was full,
 * a size limit lifted by truncating the file), so no line is left cut;
 * while the fault lasts the buffer keeps at most 64 KiB and the lines that
 * do not fit are lost (each was reported). Without buffered I/O the bytes
 * refused are dropped at once.
 *
 * An open that fails (the name taken by a directory, no descriptor left,
 * the disk gone) is reported, and events are refused while no file is open;
 * the open is tried again at a later event, after 1 second, then after
 * twice as long each time up to a minute, as read from `clock`. A retried
 * open continues whatever file it finds and completes the activation it
 * failed, so the appender writes again without a new `activate`.
 *
 * Thread-safe: everything runs under the appender's lock.
 *
 * Hooks for file appenders that roll their file over. All of them expect
 * the caller to hold the lock (`append` runs under it); the class logger
 * is resolved by `activate`, so they may report while the lock is held.
 * - `openFile` opens the current file name; `openFile(true)` continues an
 *   existing file whatever `appendFile` says (to go on with the current
 *   file after a roll-over that could not rename it).
 * - `closeFile` writes the footer and closes the file and its stream.
 * - `fileSize` is the size of the open file without a system call.
 * - `removeFile` and `renameFile` report their failures with the cause.
 * - A subclass's `append` calls this class's `append`, which writes the
 *   event into the buffer and hands it to the system when due.
 */
class FileAppender : public WriterAppender
{
    Q_OBJECT
    Q_PROPERTY(bool appendFile READ appendFile WRITE setAppendFile)
    // The log4j name of the same setting: configuration files say
    // "Append=true" to keep earlier output across restarts.
    Q_PROPERTY(bool append READ appendFile WRITE setAppendFile)
    Q_PROPERTY(bool bufferedIo READ bufferedIo WRITE setBufferedIo)
    Q_PROPERTY(QString file READ file WRITE setFile)

public:
    explicit FileAppender(QObject *parent = nullptr);
    FileAppender(Layout *layout, const QString &fileName, QObject *parent = nullptr);
    ~FileAppender() override;

    bool appendFile() const { return m_appendFile.load(std::memory_order_relaxed); }
    void setAppendFile(bool append) { m_appendFile.store(append, std::memory_order_relaxed); }
    bool bufferedIo() const { return m_bufferedIo.load(std::memory_order_relaxed); }
    void setBufferedIo(bool buffered) { m_bufferedIo.store(buffered, std::memory_order_relaxed); }
    QString file() const;
    void setFile(const QString &fileName);

    /*! The clock that spaces retried opens (and the subclasses' roll-overs); null for the system clock. Not owned. */
    void setClock(const Clock *clock);

    void activate() override;
    void close() override;

    QDebug debug(QDebug &debug) const override;

protected:
    /*! The clock set with `setClock`. The caller holds the lock. */
    const Clock *clock() const { return m_clock; }

    void append(const LoggingEvent &event) override;
    bool canAppend() const override;
    /*! Reports the last failed write, once. */
    bool reportIoError() const override;
    void writeDecoration(const QString &text) override;

    /*!
     * Opens the file named by `file` with the configured modes, or for
     * appending when `continueFile` is true, and attaches a stream on it as
     * the writer (which writes the layout's header). Missing
     * directories of the path are created. Returns whether the file is
     * open; a failure is reported, leaves no writer and has the open tried
     * again at a later event.
     */
    bool openFile(bool continueFile = false);
    /*!
     * Hands the system what the buffer still holds. False when it keeps
     * bytes the system refused (a full disk): closing the file now would
     * drop them and leave a line cut, so a roll-over waits. The refusal
     * was reported with the line that met it.
     */
    bool everythingWritten();
    /*! Writes the footer, then closes and deletes the stream and the file. */
    void closeFile();
    /*!
     * Bytes the open file holds as far as this appender knows: its size
     * when opened plus every byte put into the buffer since, written yet or
     * not, less what a failure dropped. A truncation from outside the
     * appender is not seen. 0 without an open file.
     */
    qint64 fileSize() const;
    /*! Removes `file`; a failure is reported with its cause. */
    bool removeFile(QFile &file) const;
    /*! Renames `file` to `newName`; a failure is reported with its cause. */
    bool renameFile(QFile &file, const QString &newName) const;

private:
    bool ownsWriter() const { return m_textStream && writer() == m_textStream; }
    void put(QStringView text, bool withLineEnd);
    void encode(QStringView text);
    bool writeBuffer(size_t lineStart);
    bool reopenIfDue();
    /*! Reports that the file could not be opened, for `cause`, and has the open tried again later. */
    void reportOpenFailure(const LogError &cause);
    void reportFileError(const char *message, LogError::ErrorCode code, const char *symbol, const QList<QVariant> &args,
        const QFileDevice &file) const;
    void reportFileError(const char *message, LogError::ErrorCode code, const char *symbol, const QList<QVariant> &args,
        const QString &causeText, int causeCode) const;

    std::atomic<bool> m_appendFile { false };
    std::atomic<bool> m_bufferedIo { true };
    QString m_fileName;
    QFile *m_file = nullptr;
    QTextStream *m_textStream = nullptr;
    // Encoded bytes not yet handed to the system, and what the file holds
    // with them (see fileSize).
    std::string m_buffer;
    // How many of those bytes a failed write, already reported, met.
    size_t m_refused = 0;
    qint64 m_size = 0;
    // The system's error number of the last failed write, until reported.
    mutable int m_writeError = 0;
    const Clock *m_clock;
    RetrySchedule m_reopen;
};

} // namespace LogEngine

#endif
