#ifndef LOGENGINE_SYSLOGAPPENDER_H
#define LOGENGINE_SYSLOGAPPENDER_H

#include "engine/appenders/appenderskeleton.h"
#include "engine/appenders/retryschedule.h"

#include <QByteArray>

namespace LogEngine
{

class Clock;

/*!
 * Sends each event as a syslog datagram: to `syslogHost` ("host",
 * "host:port" or "[v6 address]:port"; port 514 when none is given) over
 * UDP, or without a host to the local socket `localSocket` ("/dev/log").
 *
 * A datagram reads "<PRI>", then with `header` the local time and this
 * machine's name ("Dec  7 16:26:22 host "), then with `facilityPrinting`
 * the facility's name and a colon ("user:"), then the layout's text without
 * its line end. PRI is the facility's code times 8 plus the severity:
 * FATAL 0, ERROR 3, WARN 4, INFO 6, DEBUG and TRACE 7. `facility` takes
 * KERN, USER (the default), MAIL, DAEMON, AUTH, SYSLOG, LPR, NEWS, UUCP,
 * CRON, AUTHPRIV, FTP and LOCAL0 to LOCAL7, in any letter case.
 *
 * A text too long for one datagram of `maxPacketLength` bytes (1024, the
 * classic limit) is sent in several, each with the same beginning and a
 * part of the text, cut between characters.
 *
 * Failures are reported like those of the file appenders: a destination
 * that cannot be resolved or opened at `activate`, and one that refuses a
 * datagram (nobody listening at the local socket any more, an ICMP refusal
 * from the host), leaves the appender without a destination; events are
 * refused with an error until it is opened again, which is tried at a later
 * event after 1 second, then after twice as long each time up to a minute,
 * as read from `clock`. Resolving a host name may ask the name service on
 * the logging thread at such a retry. Sending never blocks: a datagram the
 * system cannot take at once is reported and lost.
 *
 * Changed properties take effect at the next `activate`. Thread-safe:
 * everything runs under the appender's lock.
 */
class SyslogAppender : public AppenderSkeleton
{
    Q_OBJECT
    Q_PROPERTY(QString syslogHost READ syslogHost WRITE setSyslogHost)
    Q_PROPERTY(QString facility READ facility WRITE setFacility)
    Q_PROPERTY(bool facilityPrinting READ facilityPrinting WRITE setFacilityPrinting)
    Q_PROPERTY(bool header READ header WRITE setHeader)
    Q_PROPERTY(QString localSocket READ localSocket WRITE setLocalSocket)
    Q_PROPERTY(int maxPacketLength READ maxPacketLength WRITE setMaxPacketLength)

public:
    explicit SyslogAppender(QObject *parent = nullptr);
    ~SyslogAppender() override;

    bool requiresLayout() const override { return true; }

    QString syslogHost() const;
    void setSyslogHost(const QString &host);
    QString facility() const;
    /*! An unknown name is reported and leaves the facility as it was. */
    void setFacility(const QString &facility);
    bool facilityPrinting() const;
    void setFacilityPrinting(bool printing);
    bool header() const;
    void setHeader(bool header);
    QString localSocket() const;
    void setLocalSocket(const QString &path);
    int maxPacketLength() const;
    /*! At least 64 bytes: room for the beginning of every datagram and some text. */
    void setMaxPacketLength(int length);
    /*! The clock that spaces retried opens; null for the system clock. Not owned. */
    void setClock(const Clock *clock);

    void activate() override;
    void close() override;

    QDebug debug(QDebug &debug) const override;

    /*! The syslog severity of `level`. */
    static int severityOf(const Level &level);
    /*! The code of the facility named `name` (any letter case), or -1. */
    static int facilityCode(const QString &name);

protected:
    void append(const LoggingEvent &event) override;
    bool canAppend() const override;

private:
    /*! Opens the destination; a failure is reported and has the open tried again later. */
    bool openSocket();
    void closeSocket();
    bool openIfDue();
    /*! Sends one datagram; false (reported) when the system refused it. */
    bool send(const QByteArray &datagram);
    /*! What the messages name: the host as given, or the local socket. */
    QString destination() const;
    QByteArray headerFor(qint64 milliSeconds);

    QString m_syslogHost;
    QString m_facility;
    bool m_facilityPrinting = false;
    bool m_header = false;
    QString m_localSocket;
    int m_maxPacketLength = 1024;
    const Clock *m_clock;
    RetrySchedule m_reopen;
    int m_socket = -1;
    QByteArray m_hostName;
    // The header of the last second written: converting to local time is
    // the expensive part, and the offset cannot change within a second.
    qint64 m_headerSecond;
    QByteArray m_headerText;
};

} // namespace LogEngine

#endif
