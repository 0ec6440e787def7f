#ifndef LOGENGINE_ROLLINGFILEAPPENDER_H
#define LOGENGINE_ROLLINGFILEAPPENDER_H

#include "engine/appenders/fileappender.h"

namespace LogEngine
{

/*!
 * A file appender that keeps its file near a maximum size. The write that
 * makes the file larger than `maximumFileSize` stays in it; the file then
 * becomes backup 1 (app.log.1), older backups move up by one, the one
 * beyond `maxBackupIndex` is removed, and a new file is begun. With
 * `maxBackupIndex` 0 no backup is kept: the file is emptied and begun again.
 *
 * The size is known from what the appender opened and handed to its
 * stream, without asking the file system per event, so text the stream
 * still buffers counts too and every file ends within one line of the
 * limit; the count is in UTF-8 bytes (see WriterAppender::writtenBytes).
 *
 * A roll-over that cannot remove or rename a file loses nothing: the error
 * is reported, the current file is continued (never truncated) and the
 * roll-over is tried again at a later event over the limit, after 1 second,
 * then after twice as long each time up to a minute, as read from `clock`
 * (`setClock`).
 *
 * Thread-safe: everything runs under the appender's lock.
 */
class RollingFileAppender : public FileAppender
{
    Q_OBJECT
    Q_PROPERTY(int maxBackupIndex READ maxBackupIndex WRITE setMaxBackupIndex)
    Q_PROPERTY(qlonglong maximumFileSize READ maximumFileSize WRITE setMaximumFileSize)
    // Meant to be written; Qt 5 requires a read accessor for a valid property.
    Q_PROPERTY(QString maxFileSize READ maxFileSize WRITE setMaxFileSize)

public:
    explicit RollingFileAppender(QObject *parent = nullptr);
    RollingFileAppender(Layout *layout, const QString &fileName, QObject *parent = nullptr);
    ~RollingFileAppender() override;

    int maxBackupIndex() const;
    /*! A negative index is taken as 0, with a warning. */
    void setMaxBackupIndex(int index);
    qint64 maximumFileSize() const;
    void setMaximumFileSize(qint64 size);
    /*! The maximum size in bytes, as decimal text. */
    QString maxFileSize() const;
    /*! Takes a size such as "10MB"; a text the conversion rejects changes nothing. */
    void setMaxFileSize(const QString &size);

    void activate() override;

    QDebug debug(QDebug &debug) const override;

protected:
    void append(const LoggingEvent &event) override;
    /*! Closes the file, moves it and its backups, and begins a new one. The caller holds the lock. */
    void rollOver();

private:
    bool moveBackups(const QString &fileName);

    int m_maxBackupIndex = 1;
    qint64 m_maximumFileSize = 10 * 1024 * 1024;
    RetrySchedule m_retry;
};

} // namespace LogEngine

#endif
