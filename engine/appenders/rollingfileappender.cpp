#include "engine/appenders/rollingfileappender.h"
#include "engine/scopedlock.h"

#include "engine/clock.h"
#include "engine/configuration/optionconverter.h"
#include "engine/logger.h"

namespace LogEngine
{

namespace
{

QString backupName(const QString &fileName, int index)
{
    return fileName + QLatin1Char('.') + QString::number(index);
}

} // namespace

RollingFileAppender::RollingFileAppender(QObject *parent)
    : FileAppender(parent)
{
}

RollingFileAppender::RollingFileAppender(Layout *layout, const QString &fileName, QObject *parent)
    : FileAppender(layout, fileName, parent)
{
}

RollingFileAppender::~RollingFileAppender()
{
    // Closed here, while the messages still name this class.
    FileAppender::close();
}

int RollingFileAppender::maxBackupIndex() const
{
    ScopedLock locker(&objectGuard());
    return m_maxBackupIndex;
}

void RollingFileAppender::setMaxBackupIndex(int index)
{
    if (index < 0) {
        logger()->warn(
            "Attempt to set maximum backup index for appender '%1' to %2. Using zero instead", name(), index);
        index = 0;
    }
    ScopedLock locker(&objectGuard());
    m_maxBackupIndex = index;
}

qint64 RollingFileAppender::maximumFileSize() const
{
    ScopedLock locker(&objectGuard());
    return m_maximumFileSize;
}

void RollingFileAppender::setMaximumFileSize(qint64 size)
{
    ScopedLock locker(&objectGuard());
    m_maximumFileSize = size;
}

QString RollingFileAppender::maxFileSize() const
{
    return QString::number(maximumFileSize());
}

void RollingFileAppender::setMaxFileSize(const QString &size)
{
    // Converted before the lock: a rejected text is reported on the
    // converter's logger.
    bool ok = false;
    const qint64 bytes = OptionConverter::toFileSize(size, &ok);
    if (ok)
        setMaximumFileSize(bytes);
}

void RollingFileAppender::activate()
{
    ScopedLock locker(&reportingGuard());
    m_retry.reset();
    FileAppender::activate();
}

void RollingFileAppender::append(const LoggingEvent &event)
{
    FileAppender::append(event);
    if (fileSize() <= m_maximumFileSize)
        return;
    if (!m_retry.isDue(clock()->currentMSecsSinceEpoch()))
        return;
    if (!everythingWritten())
        return; // tried again at the next event
    rollOver();
}

void RollingFileAppender::rollOver()
{
    logger()->debug("Rolling over with maxBackupIndex = %1", m_maxBackupIndex);
    const QString fileName = file();
    closeFile();
    if (moveBackups(fileName)) {
        m_retry.reset();
        openFile();
        return;
    }
    // The file could not be moved out of the way: it holds lines that are
    // nowhere else, so it is continued, never begun anew.
    m_retry.failed(clock()->currentMSecsSinceEpoch());
    openFile(true);
}

// True when the file's name is free for a new file; each failure has been
// reported. Backups already moved stay where they are.
bool RollingFileAppender::moveBackups(const QString &fileName)
{
    QFile current(fileName);
    if (m_maxBackupIndex == 0)
        return !current.exists() || removeFile(current);
    QFile oldest(backupName(fileName, m_maxBackupIndex));
    if (oldest.exists() && !removeFile(oldest))
        return false;
    for (int index = m_maxBackupIndex - 1; index >= 1; --index) {
        QFile backup(backupName(fileName, index));
        if (backup.exists() && !renameFile(backup, backupName(fileName, index + 1)))
            return false;
    }
    return renameFile(current, backupName(fileName, 1));
}

QDebug RollingFileAppender::debug(QDebug &debug) const
{
    ScopedLock locker(&objectGuard());
    debug.nospace() << "RollingFileAppender(";
    debugName(debug);
    debug << " "
          << "appendfile:" << appendFile() << " "
          << "bufferedio:" << bufferedIo() << " "
          << "encoding:" << QtCompat::codecName(encoding()) << " "
          << "file:" << file() << " ";
    debugFilter(debug);
    debug << " "
          << "immediateflush:" << immediateFlush() << " ";
    debugFlags(debug, " ");
    debug << " ";
    debugLayout(debug);
    debug << " "
          << "maxbackupindex:" << m_maxBackupIndex << " "
          << "maximumfilesize:" << m_maximumFileSize << " "
          << "referencecount:" << referenceCount() << " ";
    debugThreshold(debug);
    debug << " "
          << "writer:" << static_cast<const void *>(writer()) << ")";
    return debug.space();
}

} // namespace LogEngine
