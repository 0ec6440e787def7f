#include "engine/appenders/fileappender.h"
#include "engine/scopedlock.h"

#include "engine/clock.h"
#include "engine/logger.h"

#include <QDir>
#include <QFileInfo>

namespace LogEngine
{

FileAppender::FileAppender(QObject *parent)
    : WriterAppender(parent)
    , m_clock(Clock::system())
{
}

FileAppender::FileAppender(Layout *layout, const QString &fileName, QObject *parent)
    : WriterAppender(layout, parent)
    , m_fileName(fileName)
    , m_clock(Clock::system())
{
}

FileAppender::~FileAppender()
{
    FileAppender::close();
}

QString FileAppender::file() const
{
    ScopedLock locker(&objectGuard());
    return m_fileName;
}

void FileAppender::setFile(const QString &fileName)
{
    ScopedLock locker(&objectGuard());
    m_fileName = fileName;
}

void FileAppender::setClock(const Clock *clock)
{
    ScopedLock locker(&objectGuard());
    m_clock = clock ? clock : Clock::system();
}

void FileAppender::activate()
{
    ScopedLock locker(&reportingGuard());
    m_reopen.reset();
    if (m_fileName.isEmpty()) {
        reportError("Activation of Appender '%1' that requires file and has no file set",
            LOGENGINE_APPENDER_ERROR(APPENDER_ACTIVATE_MISSING_FILE_ERROR));
        return;
    }
    closeFile();
    openFile();
    WriterAppender::activate();
}

void FileAppender::close()
{
    ScopedLock locker(&reportingGuard());
    // An appender activated again after closing holds a file once more:
    // only one that holds none has nothing left to do.
    m_reopen.reset();
    if (isClosed() && !m_file)
        return;
    WriterAppender::close();
    closeFile();
}

void FileAppender::append(const LoggingEvent &event)
{
    WriterAppender::append(event);
    // The text stream buffers whatever the file's open mode: without
    // buffered I/O the event goes to the file now.
    if (m_textStream && !immediateFlush() && m_file->openMode().testFlag(QIODevice::Unbuffered)) {
        m_textStream->flush();
        reportIoError();
    }
}

bool FileAppender::canAppend() const
{
    // Only `handleEvent` asks, holding the lock: a due retry of a failed
    // open belongs here, before the event is refused for want of a file.
    if ((!m_file || !m_textStream) && !const_cast<FileAppender *>(this)->reopenIfDue()) {
        reportError("Use of appender '%1' without open file", LOGENGINE_APPENDER_ERROR(APPENDER_NO_OPEN_FILE_ERROR));
        return false;
    }
    return WriterAppender::canAppend();
}

bool FileAppender::reportIoError() const
{
    if (!m_file)
        return false;
    // A short write fails the stream but leaves the file without an error.
    const bool streamFailed = m_textStream && m_textStream->status() != QTextStream::Ok;
    if (m_file->error() == QFileDevice::NoError && !streamFailed)
        return false;
    reportFileError("Unable to write to file '%1' for appender '%2'",
        LOGENGINE_APPENDER_ERROR(APPENDER_WRITING_FILE_ERROR), { m_file->fileName(), name() }, *m_file);
    // Left failed, the stream would never write again and would keep every
    // later line in memory. Cleared, it drops the text it could not write;
    // a buffered file keeps what it could not write within its own buffer
    // and writes it first once the fault is gone.
    m_file->unsetError();
    if (m_textStream)
        m_textStream->resetStatus();
    return true;
}

bool FileAppender::reopenIfDue()
{
    if (!m_reopen.isPending() || !m_reopen.isDue(m_clock->currentMSecsSinceEpoch()))
        return false;
    // Whatever now has the name holds lines of its own: continued, never
    // emptied.
    if (!openFile(true))
        return false;
    // An activation that failed for want of a file is completed.
    if (!isActive() && !isClosed())
        WriterAppender::activate();
    return true;
}

bool FileAppender::openFile(bool continueFile)
{
    closeFile();
    const QDir directory = QFileInfo(m_fileName).dir();
    if (!directory.exists()) {
        logger()->trace("Creating missing parent directory for file %1", m_fileName);
        // One level only; a deeper missing path fails the open below, which
        // reports it.
        QDir(QFileInfo(directory.path()).path()).mkdir(directory.dirName());
    }
    m_file = new QFile(m_fileName);
    // A file is always opened in append mode (O_APPEND), so that every
    // write lands at its end: another appender or process writing to the
    // same file, or one still finishing before its successor took over, can
    // neither overwrite these lines nor leave a hole of zeros before them.
    // Truncating, when asked, is a step of its own. A device or a pipe has
    // no end to keep to, and Qt refuses to seek to one.
    const QFileInfo info(m_fileName);
    const bool regular = !info.exists() || info.isFile();
    QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Text;
    if (regular)
        mode |= QIODevice::Append;
    if (!bufferedIo())
        mode |= QIODevice::Unbuffered;
    const bool truncate = regular && !continueFile && !appendFile();
    if (!m_file->open(mode) || (truncate && !m_file->resize(0))) {
        reportFileError("Unable to open file '%1' for appender '%2'",
            LOGENGINE_APPENDER_ERROR(APPENDER_OPENING_FILE_ERROR), { m_fileName, name() }, *m_file);
        delete m_file;
        m_file = nullptr;
        m_reopen.failed(m_clock->currentMSecsSinceEpoch());
        return false;
    }
    m_reopen.reset();
    // Qt places an appending file's position at its end when opening it.
    m_openedSize = m_file->pos();
    m_textStream = new QTextStream(m_file);
    setWriter(m_textStream);
    logger()->debug("Opened file '%1' for appender '%2'", m_file->fileName(), name());
    return true;
}

bool FileAppender::everythingWritten()
{
    if (!m_file)
        return true;
    if (m_textStream)
        m_textStream->flush();
    const bool written = m_file->flush() && m_file->bytesToWrite() == 0;
    m_file->unsetError();
    if (m_textStream)
        m_textStream->resetStatus();
    return written;
}

void FileAppender::closeFile()
{
    if (m_file)
        logger()->debug("Closing file '%1' for appender '%2'", m_file->fileName(), name());
    setWriter(nullptr);
    delete m_textStream;
    m_textStream = nullptr;
    delete m_file;
    m_file = nullptr;
}

qint64 FileAppender::fileSize() const
{
    // The file is written in sequence: what it held when opened, and every
    // byte handed to its stream since, the stream's buffer included.
    return m_file && m_file->isOpen() ? m_openedSize + writtenBytes() : 0;
}

bool FileAppender::removeFile(QFile &file) const
{
    if (file.remove())
        return true;
    reportFileError("Unable to remove file '%1' for appender '%2'",
        LOGENGINE_APPENDER_ERROR(APPENDER_REMOVE_FILE_ERROR), { file.fileName(), name() }, file);
    return false;
}

bool FileAppender::renameFile(QFile &file, const QString &newName) const
{
    logger()->debug("Renaming file '%1' to '%2'", file.fileName(), newName);
    if (file.rename(newName))
        return true;
    reportFileError("Unable to rename file '%1' to '%2' for appender '%3'",
        LOGENGINE_APPENDER_ERROR(APPENDER_RENAMING_FILE_ERROR), { file.fileName(), newName, name() }, file);
    return false;
}

void FileAppender::reportFileError(const char *message, LogError::ErrorCode code, const char *symbol,
    const QList<QVariant> &args, const QFileDevice &file) const
{
    Logger *log = logger();
    if (!log->isErrorEnabled())
        return;
    LogError error(message, code, symbol, metaObject()->className());
    for (const QVariant &arg : args)
        error.addArg(arg);
    error.addCausingError(LogError(file.errorString(), file.error(), QString(), QString()));
    log->error(error);
}

QDebug FileAppender::debug(QDebug &debug) const
{
    ScopedLock locker(&objectGuard());
    debug.nospace() << "FileAppender(";
    debugName(debug);
    debug << " "
          << "appendfile:" << appendFile() << " "
          << "bufferedio:" << bufferedIo() << " "
          << "encoding:" << QtCompat::codecName(encoding()) << " "
          << "file:" << m_fileName << " ";
    debugFilter(debug);
    debug << " "
          << "immediateflush:" << immediateFlush() << " ";
    debugFlags(debug, " ");
    debug << " ";
    debugLayout(debug);
    debug << " "
          << "referencecount:" << referenceCount() << " ";
    debugThreshold(debug);
    debug << " "
          << "writer:" << static_cast<const void *>(writer()) << ")";
    return debug.space();
}

} // namespace LogEngine
