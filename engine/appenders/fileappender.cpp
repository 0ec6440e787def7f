#include "engine/appenders/fileappender.h"
#include "engine/detail/scopedlock.h"

#include "engine/detail/clock.h"
#include "engine/logger.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace LogEngine
{

namespace
{

// Bytes that make a buffered file's buffer due.
constexpr size_t bufferLimit = 32 * 1024;
// Bytes a buffered file keeps for a later write while writes fail.
constexpr size_t maxKeptOnFailure = 64 * 1024;
constexpr size_t noLine = size_t(-1);

} // namespace

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
    if (!ownsWriter()) {
        WriterAppender::append(event); // a stream set from outside
        return;
    }
    put(formatLine(event), false);
    trimLine();
}

void FileAppender::writeDecoration(const QString &text)
{
    if (!ownsWriter()) {
        WriterAppender::writeDecoration(text);
        return;
    }
    if (!text.isEmpty())
        put(text, true);
}

// Adds `text` (and a line end) to the buffer and hands the buffer to the
// system when it is due. The caller holds the lock and has an open file.
void FileAppender::put(QStringView text, bool withLineEnd)
{
    const size_t lineStart = m_buffer.size();
    encode(text);
    if (withLineEnd)
        m_buffer += "\r\n";
    m_size += qint64(m_buffer.size() - lineStart);
    if (immediateFlush() || !bufferedIo() || m_buffer.size() >= bufferLimit) {
        if (!writeBuffer(lineStart))
            reportIoError();
    }
}

void FileAppender::encode(QStringView text)
{
    const TextCodec *codec = encodingLocked();
    if (!QtCompat::isUtf8(codec)) {
        const QByteArray bytes = QtCompat::encodeLine(*codec, text);
        m_buffer.append(bytes.constData(), size_t(bytes.size()));
        return;
    }
    // Log lines are mostly ASCII: such a line is narrowed in one plain loop
    // the compiler vectorises, through a chunk on the stack (growing the
    // buffer in place would fill it with zeros first); any other goes
    // through the full conversion.
    const char16_t *in = reinterpret_cast<const char16_t *>(text.data());
    const size_t size = size_t(text.size());
    const size_t start = m_buffer.size();
    char chunk[512];
    for (size_t done = 0; done < size;) {
        const size_t count = std::min(size - done, sizeof chunk);
        char16_t any = 0;
        for (size_t i = 0; i < count; ++i) {
            any |= in[done + i];
            chunk[i] = char(in[done + i]);
        }
        if (any >= 0x80) {
            m_buffer.resize(start);
            const QByteArray bytes = text.toUtf8();
            m_buffer.append(bytes.constData(), size_t(bytes.size()));
            return;
        }
        m_buffer.append(chunk, count);
        done += count;
    }
}

// Hands the whole buffer to the system: one write, more only when the
// system takes part of it. On failure the error number is kept for
// `reportIoError`; the bytes not taken are dropped without buffered I/O,
// otherwise kept at the front of the buffer, but not beyond
// `maxKeptOnFailure`: then the bytes from `lineStart` on (the line being
// written, when none of it was taken) are dropped.
bool FileAppender::writeBuffer(size_t lineStart)
{
    const int fd = m_file ? m_file->handle() : -1;
    size_t done = 0;
    int error = 0;
    while (done < m_buffer.size()) {
        const ssize_t written = fd < 0 ? -1 : ::write(fd, m_buffer.data() + done, m_buffer.size() - done);
        if (written > 0) {
            done += size_t(written);
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else {
            error = written < 0 && fd >= 0 ? errno : EIO;
            break;
        }
    }
    if (!error) {
        m_buffer.clear();
        m_refused = 0;
        return true;
    }
    m_writeError = error;
    if (!bufferedIo()) {
        m_size -= qint64(m_buffer.size() - done);
        m_buffer.clear();
        return false;
    }
    m_buffer.erase(0, done);
    if (m_buffer.size() > maxKeptOnFailure && lineStart != noLine && lineStart >= done) {
        const size_t keep = lineStart - done;
        m_size -= qint64(m_buffer.size() - keep);
        m_buffer.resize(keep);
    }
    m_refused = m_buffer.size();
    return false;
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
    if (!m_writeError)
        return false;
    const int error = m_writeError;
    m_writeError = 0;
    reportFileError("Unable to write to file '%1' for appender '%2'",
        LOGENGINE_APPENDER_ERROR(APPENDER_WRITING_FILE_ERROR), { m_fileName, name() }, qt_error_string(error),
        error == ENOSPC ? QFileDevice::ResourceError : QFileDevice::WriteError);
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
        // The whole path: "logs/app/app.log" in a fresh directory is meant
        // to be written. A path that cannot be made fails as an open does.
        if (!QDir().mkpath(directory.path())) {
            reportOpenFailure(LogError(QStringLiteral("Cannot create directory '%1'").arg(directory.path()),
                QFileDevice::OpenError, QString(), QString()));
            return false;
        }
    }
    m_file = new QFile(m_fileName);
    // A file is always opened in append mode (O_APPEND), so that every
    // write lands at its end: another appender or process writing to the
    // same file, or one still finishing before its successor took over, can
    // neither overwrite these lines nor leave a hole of zeros before them.
    // Truncating, when asked, is a step of its own. A device or a pipe has
    // no end to keep to, and Qt refuses to seek to one. The appender buffers
    // itself and writes to the descriptor.
    const QFileInfo info(m_fileName);
    const bool regular = !info.exists() || info.isFile();
    QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered;
    if (regular)
        mode |= QIODevice::Append;
    const bool truncate = regular && !continueFile && !appendFile();
    if (!m_file->open(mode) || (truncate && !m_file->resize(0))) {
        const LogError cause(m_file->errorString(), m_file->error(), QString(), QString());
        delete m_file;
        m_file = nullptr;
        reportOpenFailure(cause);
        return false;
    }
    m_reopen.reset();
    m_buffer.clear();
    m_refused = 0;
    m_buffer.reserve(bufferLimit + 1024);
    m_writeError = 0;
    m_size = m_file->size();
    m_textStream = new QTextStream(m_file);
    setWriter(m_textStream);
    logger()->debug("Opened file '%1' for appender '%2'", m_file->fileName(), name());
    return true;
}

bool FileAppender::everythingWritten()
{
    if (!m_file || m_buffer.empty())
        return true;
    const bool written = writeBuffer(noLine);
    m_writeError = 0; // reported with the line that met it
    return written;
}

void FileAppender::closeFile()
{
    if (m_file)
        logger()->debug("Closing file '%1' for appender '%2'", m_file->fileName(), name());
    setWriter(nullptr);
    // Bytes a reported failure left in the buffer are not reported again
    // when the last try fails; bytes no failure has met yet are.
    const bool unreported = m_buffer.size() > m_refused;
    if (m_file && !m_buffer.empty() && !writeBuffer(noLine) && unreported)
        reportIoError();
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_refused = 0;
    m_size = 0;
    m_writeError = 0;
    delete m_textStream;
    m_textStream = nullptr;
    delete m_file;
    m_file = nullptr;
}

qint64 FileAppender::fileSize() const
{
    return m_file ? m_size : 0;
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

void FileAppender::reportOpenFailure(const LogError &cause)
{
    Logger *log = logger();
    if (log->isErrorEnabled()) {
        LogError error("Unable to open file '%1' for appender '%2'",
            LOGENGINE_APPENDER_ERROR(APPENDER_OPENING_FILE_ERROR), metaObject()->className());
        error << m_fileName << name();
        error.addCausingError(cause);
        log->error(error);
    }
    m_reopen.failed(m_clock->currentMSecsSinceEpoch());
}

void FileAppender::reportFileError(const char *message, LogError::ErrorCode code, const char *symbol,
    const QList<QVariant> &args, const QFileDevice &file) const
{
    reportFileError(message, code, symbol, args, file.errorString(), int(file.error()));
}

void FileAppender::reportFileError(const char *message, LogError::ErrorCode code, const char *symbol,
    const QList<QVariant> &args, const QString &causeText, int causeCode) const
{
    Logger *log = logger();
    if (!log->isErrorEnabled())
        return;
    LogError error(message, code, symbol, metaObject()->className());
    for (const QVariant &arg : args)
        error.addArg(arg);
    error.addCausingError(LogError(causeText, causeCode, QString(), QString()));
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
