#include "engine/appenders/syslogappender.h"
#include "engine/detail/scopedlock.h"

#include "engine/detail/clock.h"
#include "engine/layouts/layout.h"
#include "engine/logger.h"
#include "engine/loggingevent.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QSysInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include <netdb.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace LogEngine
{

namespace
{

constexpr qint64 noSecond = std::numeric_limits<qint64>::min();
constexpr int defaultPort = 514;
constexpr int minimumPacketLength = 64;

struct Facility {
    const char *name;
    int code;
};

constexpr Facility facilities[] = { { "KERN", 0 }, { "USER", 1 }, { "MAIL", 2 }, { "DAEMON", 3 }, { "AUTH", 4 },
    { "SYSLOG", 5 }, { "LPR", 6 }, { "NEWS", 7 }, { "UUCP", 8 }, { "CRON", 9 }, { "AUTHPRIV", 10 }, { "FTP", 11 },
    { "LOCAL0", 16 }, { "LOCAL1", 17 }, { "LOCAL2", 18 }, { "LOCAL3", 19 }, { "LOCAL4", 20 }, { "LOCAL5", 21 },
    { "LOCAL6", 22 }, { "LOCAL7", 23 } };

// The system's text for `error`, as the file appenders carry Qt's.
LogError systemCause(int error)
{
    return LogError(QString::fromLocal8Bit(std::strerror(error)), error, QString(), QString());
}

// "host", "host:port", "[v6 address]" or "[v6 address]:port"; a bare
// address with several colons is a v6 address without a port.
bool splitHost(const QString &text, QString *host, int *port, QString *problem)
{
    QString portText;
    if (text.startsWith(QLatin1Char('['))) {
        const int close = text.indexOf(QLatin1Char(']'));
        if (close < 0) {
            *problem = QStringLiteral("Missing ']' in host '%1'").arg(text);
            return false;
        }
        *host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':'))) {
            *problem = QStringLiteral("Unexpected text after ']' in host '%1'").arg(text);
            return false;
        }
        portText = rest.mid(1);
    } else if (text.count(QLatin1Char(':')) == 1) {
        *host = text.section(QLatin1Char(':'), 0, 0);
        portText = text.section(QLatin1Char(':'), 1);
    } else {
        *host = text;
    }
    *port = defaultPort;
    if (portText.isEmpty())
        return true;
    bool ok = false;
    *port = portText.toInt(&ok);
    if (!ok || *port < 1 || *port > 65535) {
        *problem = QStringLiteral("Invalid port '%1'").arg(portText);
        return false;
    }
    return true;
}

// The first of the text's UTF-8 bytes from `start` on that fit into `room`,
// cut before a character's continuation bytes.
int fittingLength(const QByteArray &text, int start, int room)
{
    int length = qMin(room, int(text.size()) - start);
    if (start + length < text.size()) {
        while (length > 0 && (quint8(text.at(start + length)) & 0xC0) == 0x80)
            --length;
        if (length == 0) // no character boundary within the room
            length = qMin(room, int(text.size()) - start);
    }
    return length;
}

} // namespace

SyslogAppender::SyslogAppender(QObject *parent)
    : AppenderSkeleton(false, parent)
    , m_facility(QStringLiteral("USER"))
    , m_localSocket(QStringLiteral("/dev/log"))
    , m_clock(Clock::system())
    , m_headerSecond(noSecond)
{
}

SyslogAppender::~SyslogAppender()
{
    SyslogAppender::close();
}

QString SyslogAppender::syslogHost() const
{
    ScopedLock locker(&objectGuard());
    return m_syslogHost;
}

void SyslogAppender::setSyslogHost(const QString &host)
{
    ScopedLock locker(&objectGuard());
    m_syslogHost = host.trimmed();
}

QString SyslogAppender::facility() const
{
    ScopedLock locker(&objectGuard());
    return m_facility;
}

void SyslogAppender::setFacility(const QString &facility)
{
    const QString name = facility.trimmed().toUpper();
    if (facilityCode(name) < 0) {
        LogError error("Invalid option string '%1' for a syslog facility", LogError::CONFIGURATOR_INVALID_OPTION_ERROR,
            "CONFIGURATOR_INVALID_OPTION_ERROR", metaObject()->className());
        error << facility;
        logger()->error(error);
        return;
    }
    ScopedLock locker(&objectGuard());
    m_facility = name;
}

bool SyslogAppender::facilityPrinting() const
{
    ScopedLock locker(&objectGuard());
    return m_facilityPrinting;
}

void SyslogAppender::setFacilityPrinting(bool printing)
{
    ScopedLock locker(&objectGuard());
    m_facilityPrinting = printing;
}

bool SyslogAppender::header() const
{
    ScopedLock locker(&objectGuard());
    return m_header;
}

void SyslogAppender::setHeader(bool header)
{
    ScopedLock locker(&objectGuard());
    m_header = header;
}

QString SyslogAppender::localSocket() const
{
    ScopedLock locker(&objectGuard());
    return m_localSocket;
}

void SyslogAppender::setLocalSocket(const QString &path)
{
    ScopedLock locker(&objectGuard());
    m_localSocket = path;
}

int SyslogAppender::maxPacketLength() const
{
    ScopedLock locker(&objectGuard());
    return m_maxPacketLength;
}

void SyslogAppender::setMaxPacketLength(int length)
{
    ScopedLock locker(&objectGuard());
    m_maxPacketLength = qMax(length, minimumPacketLength);
}

void SyslogAppender::setClock(const Clock *clock)
{
    ScopedLock locker(&objectGuard());
    m_clock = clock ? clock : Clock::system();
}

int SyslogAppender::severityOf(const Level &level)
{
    if (level >= Level(Level::FATAL_INT))
        return 0;
    if (level >= Level(Level::ERROR_INT))
        return 3;
    if (level >= Level(Level::WARN_INT))
        return 4;
    if (level >= Level(Level::INFO_INT))
        return 6;
    return 7;
}

int SyslogAppender::facilityCode(const QString &name)
{
    for (const Facility &facility : facilities) {
        if (name.compare(QLatin1String(facility.name), Qt::CaseInsensitive) == 0)
            return facility.code;
    }
    return -1;
}

void SyslogAppender::activate()
{
    ScopedLock locker(&reportingGuard());
    m_reopen.reset();
    m_hostName = QSysInfo::machineHostName().toUtf8();
    openSocket();
    AppenderSkeleton::activate();
}

void SyslogAppender::close()
{
    ScopedLock locker(&reportingGuard());
    m_reopen.reset();
    if (isClosed() && m_socket < 0)
        return;
    AppenderSkeleton::close();
    closeSocket();
}

bool SyslogAppender::canAppend() const
{
    // Only `handleEvent` asks, holding the lock: a due retry belongs here,
    // before the event is refused for want of a destination.
    if (m_socket < 0 && !const_cast<SyslogAppender *>(this)->openIfDue()) {
        reportError("Use of appender '%1' without open syslog destination",
            LOGENGINE_APPENDER_ERROR(APPENDER_NO_OPEN_SOCKET_ERROR));
        return false;
    }
    return AppenderSkeleton::canAppend();
}

bool SyslogAppender::openIfDue()
{
    if (!m_reopen.isPending() || !m_reopen.isDue(m_clock->currentMSecsSinceEpoch()))
        return false;
    return openSocket();
}

void SyslogAppender::append(const LoggingEvent &event)
{
    QString text;
    layout()->appendFormatted(text, event);
    // The datagram is the line: its end would show as part of the message.
    int end = int(text.size());
    while (end > 0 && (text.at(end - 1) == QLatin1Char('\n') || text.at(end - 1) == QLatin1Char('\r')))
        --end;
    text.truncate(end);
    const QByteArray body = text.toUtf8();

    QByteArray start = '<' + QByteArray::number(facilityCode(m_facility) * 8 + severityOf(event.level())) + '>';
    if (m_header)
        start += headerFor(event.timeStamp());
    if (m_facilityPrinting)
        start += m_facility.toLower().toLatin1() + ':';
    const int room = qMax(m_maxPacketLength - int(start.size()), minimumPacketLength / 2);
    int position = 0;
    do {
        const int length = fittingLength(body, position, room);
        if (!send(start + body.mid(position, length)))
            return;
        position += length;
    } while (position < body.size());
}

bool SyslogAppender::send(const QByteArray &datagram)
{
    const ssize_t sent = ::send(m_socket, datagram.constData(), size_t(datagram.size()), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent == datagram.size())
        return true;
    const int error = sent < 0 ? errno : EMSGSIZE;
    if (logger()->isErrorEnabled()) {
        LogError record("Unable to send to syslog destination '%1' for appender '%2'",
            LOGENGINE_APPENDER_ERROR(APPENDER_WRITING_SOCKET_ERROR), metaObject()->className());
        record << destination() << name();
        record.addCausingError(systemCause(error));
        logger()->error(record);
    }
    // Nobody at the other end: open again later, which finds a restarted
    // syslog daemon's new socket or a host name's new address. Other
    // failures (a full queue) lose the datagram and keep the destination.
    switch (error) {
    case ECONNREFUSED:
    case ENOTCONN:
    case ENOENT:
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EPIPE:
    case EDESTADDRREQ:
        closeSocket();
        m_reopen.failed(m_clock->currentMSecsSinceEpoch());
        break;
    default:
        break;
    }
    return false;
}

bool SyslogAppender::openSocket()
{
    closeSocket();
    LogError cause;
    if (m_syslogHost.isEmpty()) {
        sockaddr_un address;
        std::memset(&address, 0, sizeof address);
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(m_localSocket);
        if (path.isEmpty() || size_t(path.size()) >= sizeof address.sun_path) {
            cause = LogError(QStringLiteral("Invalid socket path"), ENAMETOOLONG, QString(), QString());
        } else {
            std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
            m_socket = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            if (m_socket < 0 || ::connect(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
                cause = systemCause(errno);
                closeSocket();
            }
        }
    } else {
        QString host;
        int port = 0;
        QString problem;
        if (!splitHost(m_syslogHost, &host, &port, &problem)) {
            cause = LogError(problem, EINVAL, QString(), QString());
        } else {
            addrinfo hints;
            std::memset(&hints, 0, sizeof hints);
            hints.ai_family = AF_UNSPEC;
            hints.ai_socktype = SOCK_DGRAM;
            hints.ai_flags = AI_NUMERICSERV;
            addrinfo *found = nullptr;
            const int resolved
                = ::getaddrinfo(host.toUtf8().constData(), QByteArray::number(port).constData(), &hints, &found);
            if (resolved != 0) {
                cause = LogError(QString::fromLocal8Bit(::gai_strerror(resolved)), resolved, QString(), QString());
            } else {
                // The first address that takes a socket; connected, so that
                // a refusal from the host comes back at a later send.
                for (addrinfo *candidate = found; candidate && m_socket < 0; candidate = candidate->ai_next) {
                    m_socket
                        = ::socket(candidate->ai_family, candidate->ai_socktype | SOCK_CLOEXEC, candidate->ai_protocol);
                    if (m_socket >= 0 && ::connect(m_socket, candidate->ai_addr, candidate->ai_addrlen) != 0) {
                        cause = systemCause(errno);
                        closeSocket();
                    } else if (m_socket < 0) {
                        cause = systemCause(errno);
                    }
                }
                ::freeaddrinfo(found);
            }
        }
    }
    if (m_socket >= 0) {
        m_reopen.reset();
        logger()->debug("Opened syslog destination '%1' for appender '%2'", destination(), name());
        return true;
    }
    if (logger()->isErrorEnabled()) {
        LogError error("Unable to open syslog destination '%1' for appender '%2'",
            LOGENGINE_APPENDER_ERROR(APPENDER_OPENING_SOCKET_ERROR), metaObject()->className());
        error << destination() << name();
        error.addCausingError(cause);
        logger()->error(error);
    }
    m_reopen.failed(m_clock->currentMSecsSinceEpoch());
    return false;
}

void SyslogAppender::closeSocket()
{
    if (m_socket >= 0)
        ::close(m_socket);
    m_socket = -1;
}

QString SyslogAppender::destination() const
{
    return m_syslogHost.isEmpty() ? m_localSocket : m_syslogHost;
}

// "Dec  7 16:26:22 host ": English month names and a day padded with a
// blank, whatever the locale, as syslog daemons read them.
QByteArray SyslogAppender::headerFor(qint64 milliSeconds)
{
    static const char months[12][4]
        = { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };
    const qint64 second = milliSeconds >= 0 ? milliSeconds / 1000 : (milliSeconds - 999) / 1000;
    if (second != m_headerSecond) {
        const QDateTime local = QDateTime::fromSecsSinceEpoch(second);
        m_headerText.clear();
        if (local.isValid()) {
            const QDate date = local.date();
            char text[32];
            std::snprintf(text, sizeof text, "%s %2d %s ", months[date.month() - 1], date.day(),
                local.time().toString(QStringLiteral("HH:mm:ss")).toLatin1().constData());
            m_headerText = text + m_hostName + ' ';
        }
        m_headerSecond = second;
    }
    return m_headerText;
}

QDebug SyslogAppender::debug(QDebug &debug) const
{
    ScopedLock locker(&objectGuard());
    debug.nospace() << "SyslogAppender(";
    debugName(debug);
    debug << " "
          << "facility:" << m_facility << " "
          << "facilityprinting:" << m_facilityPrinting << " ";
    debugFilter(debug);
    debug << " "
          << "header:" << m_header << " ";
    debugFlags(debug, " ");
    debug << " ";
    debugLayout(debug);
    debug << " "
          << "localsocket:" << m_localSocket << " "
          << "referencecount:" << referenceCount() << " "
          << "sysloghost:" << m_syslogHost << " ";
    debugThreshold(debug);
    debug << ")";
    return debug.space();
}

} // namespace LogEngine
