#ifndef LOGENGINE_FILEAPPENDER_H
#define LOGENGINE_FILEAPPENDER_H

#include "engine/appenders/retryschedule.h"
#include "engine/appenders/writerappender.h"

#include <QFile>

namespace LogEngine
{

class Clock;

/*!
 * A writer appender on a file it opens and owns. `activate` (re)opens the
 * file named by `file`, appending or truncating as `appendFile` says, and
 * creates one missing parent directory level; the text stream on the file
 * is the writer. Changed properties take effect at the next `activate`.
 *
 * A failed write is reported with the file's error text and number as its
 * cause; the stream and the file are then cleared of the failure, so the
 * appender writes again as soon as the fault is gone (a disk that was full,
 * a size limit lifted by truncating the file) and the stream never holds
 * more than its own buffer.
 *
 * An open that fails (the name taken by a directory, no descriptor left,
 * the disk gone) is reported, and events are refused while no file is open;
 * the open is tried again at a later event, after 1 second, then after
 * twice as long each time up to a minute, as read from `clock`. A retried
 * open continues whatever file it finds and completes the activation it
 * failed, so the appender writes again without a new `activate`.
 *
 * Without buffered I/O every event is handed to the file as it is written,
 * even with immediate flush off: the text stream would otherwise keep it in
 * its own buffer, whatever the file's open mode.
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
 *   event and applies the unbuffered mode.
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
    /*! Reports a failed write and clears the failure from the stream and the file. */
    bool reportIoError() const override;

    /*!
     * Opens the file named by `file` with the configured modes, or for
     * appending when `continueFile` is true, and attaches a stream on it as
     * the writer (which writes the layout's header). A missing parent
     * directory is created, one level only. Returns whether the file is
     * open; a failure is reported, leaves no writer and has the open tried
     * again at a later event.
     */
    bool openFile(bool continueFile = false);
    /*!
     * Hands the system what the stream and the file still hold. False when
     * the file keeps bytes the system refused (a full disk): closing it now
     * would drop them and leave a line cut, so a roll-over waits. The
     * refusal was reported with the line that met it.
     */
    bool everythingWritten();
    /*! Writes the footer, then closes and deletes the stream and the file. */
    void closeFile();
    /*!
     * Bytes the open file holds as far as this appender knows: its size
     * when opened plus everything handed to its stream since, text still
     * in the stream's buffer included (see WriterAppender::writtenBytes). A
     * truncation from outside the appender is not seen. 0 without an open
     * file.
     */
    qint64 fileSize() const;
    /*! Removes `file`; a failure is reported with its cause. */
    bool removeFile(QFile &file) const;
    /*! Renames `file` to `newName`; a failure is reported with its cause. */
    bool renameFile(QFile &file, const QString &newName) const;

private:
    bool reopenIfDue();
    void reportFileError(const char *message, LogError::ErrorCode code, const char *symbol, const QList<QVariant> &args,
        const QFileDevice &file) const;

    std::atomic<bool> m_appendFile { false };
    std::atomic<bool> m_bufferedIo { true };
    QString m_fileName;
    QFile *m_file = nullptr;
    QTextStream *m_textStream = nullptr;
    qint64 m_openedSize = 0;
    const Clock *m_clock;
    RetrySchedule m_reopen;
};

} // namespace LogEngine

#endif
