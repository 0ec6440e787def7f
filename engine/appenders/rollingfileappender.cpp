#include "engine/appenders/rollingfileappender.h"
#include "engine/detail/scopedlock.h"

#include "engine/configuration/optionconverter.h"
#include "engine/detail/clock.h"
#include "engine/logger.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <functional>

namespace LogEngine
{

namespace
{

QString backupName(const QString &fileName, int index)
{
    return fileName + QLatin1Char('.') + QString::number(index);
}

// The indices of the backups of `fileName` there are, from 1 to `highest`,
// highest first. Listed once rather than asked for one by one: the highest
// index may be large, and a roll-over runs while every logging thread waits.
QList<int> existingBackups(const QString &fileName, int highest)
{
    const QFileInfo info(fileName);
    const QString prefix = info.fileName() + QLatin1Char('.');
    // Whatever has such a name counts, as it would for QFile::exists.
    const QStringList names
        = info.dir().entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    QList<int> indices;
    for (const QString &name : names) {
        if (!name.startsWith(prefix))
            continue;
        const QString digits = name.mid(prefix.size());
        bool ok = false;
        const int index = digits.toInt(&ok);
        // Only the names this appender gives: no sign, no leading zero.
        if (ok && index >= 1 && index <= highest && digits == QString::number(index))
            indices.append(index);
    }
    std::sort(indices.begin(), indices.end(), std::greater<int>());
    return indices;
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
// reported. Backups already moved stay where they are. Missing numbers are
// skipped: a gap moves up unchanged.
bool RollingFileAppender::moveBackups(const QString &fileName)
{
    QFile current(fileName);
    if (m_maxBackupIndex == 0)
        return !current.exists() || removeFile(current);
    const QList<int> backups = existingBackups(fileName, m_maxBackupIndex);
    for (const int index : backups) {
        QFile backup(backupName(fileName, index));
        if (index == m_maxBackupIndex ? !removeFile(backup) : !renameFile(backup, backupName(fileName, index + 1)))
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
