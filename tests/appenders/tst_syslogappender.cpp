#include "common/capturingappender.h"
#include "engine/appenders/syslogappender.h"
#include "engine/layouts/patternlayout.h"
#include "filetesting.h"
#include "manualclock.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

using namespace LogEngine;

class tst_SyslogAppender : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void datagramsSayPriorityHeaderAndText_data();
    void datagramsSayPriorityHeaderAndText();
    void destinationsThatCannotBeOpened_data();
    void destinationsThatCannotBeOpened();
    void lostDestinationIsReportedAndOpenedAgainOnSchedule();
};

namespace
{

const QString syslogErrors = QStringLiteral("LogEngine::SyslogAppender");

// A datagram socket the test reads: on 127.0.0.1 at a port of the system's
// choice, or at a path. Reading waits for a datagram; the receive timeout
// only keeps a broken appender from hanging the suite.
class Receiver
{
public:
    explicit Receiver(const QString &path = QString())
    {
        if (path.isEmpty()) {
            m_socket = ::socket(AF_INET, SOCK_DGRAM, 0);
            sockaddr_in address {};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            socklen_t length = sizeof address;
            if (::bind(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
                && ::getsockname(m_socket, reinterpret_cast<sockaddr *>(&address), &length) == 0)
                m_port = ntohs(address.sin_port);
        } else {
            m_path = QFile::encodeName(path);
            m_socket = ::socket(AF_UNIX, SOCK_DGRAM, 0);
            sockaddr_un address {};
            address.sun_family = AF_UNIX;
            std::strncpy(address.sun_path, m_path.constData(), sizeof address.sun_path - 1);
            if (::bind(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
                qFatal("cannot bind %s", m_path.constData());
        }
        const timeval limit { 30, 0 };
        ::setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    }
    ~Receiver()
    {
        ::close(m_socket);
        if (!m_path.isEmpty())
            ::unlink(m_path.constData());
    }

    int port() const { return m_port; }
    QByteArray next() const
    {
        char buffer[65536];
        const ssize_t size = ::recv(m_socket, buffer, sizeof buffer, 0);
        return size < 0 ? QByteArray("<nothing>") : QByteArray(buffer, int(size));
    }
    bool isEmpty() const
    {
        char byte;
        return ::recv(m_socket, &byte, 1, MSG_DONTWAIT | MSG_PEEK) < 0;
    }

private:
    int m_socket = -1;
    int m_port = 0;
    QByteArray m_path;
    Q_DISABLE_COPY(Receiver)
};

SyslogAppender *namedAppender()
{
    auto *appender = new SyslogAppender;
    appender->setName(QStringLiteral("S"));
    appender->setLayout(new PatternLayout(QStringLiteral("%m%n")));
    return appender;
}

QString syslogError(const char *text, const char *symbol, int code, const QString &cause = QString())
{
    return FileTesting::errorText("LogEngine::SyslogAppender", text, symbol, code, cause);
}

} // namespace

void tst_SyslogAppender::datagramsSayPriorityHeaderAndText_data()
{
    QTest::addColumn<bool>("overUdp");
    QTest::addColumn<QString>("facility");
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("facilityPrinting");
    QTest::addColumn<bool>("header");
    QTest::addColumn<int>("maxPacketLength");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("datagrams"); // @HEADER@ stands for the time and host
    // Facility times 8 plus the severity, which log4j's levels map to.
    QTest::newRow("user-info-udp") << true << "" << int(Level::INFO_INT) << false << false << 1024 << "Started"
                                   << QStringList { QStringLiteral("<14>Started") };
    QTest::newRow("local7-fatal") << false << "LOCAL7" << int(Level::FATAL_INT) << false << false << 1024 << "m"
                                  << QStringList { QStringLiteral("<184>m") };
    QTest::newRow("local0-error") << false << "local0" << int(Level::ERROR_INT) << false << false << 1024 << "m"
                                  << QStringList { QStringLiteral("<131>m") };
    QTest::newRow("daemon-warn") << false << " Daemon " << int(Level::WARN_INT) << false << false << 1024 << "m"
                                 << QStringList { QStringLiteral("<28>m") };
    QTest::newRow("user-debug") << false << "USER" << int(Level::DEBUG_INT) << false << false << 1024 << "m"
                                << QStringList { QStringLiteral("<15>m") };
    QTest::newRow("kern-trace") << false << "KERN" << int(Level::TRACE_INT) << false << false << 1024 << "m"
                                << QStringList { QStringLiteral("<7>m") };
    // What comes before the text.
    QTest::newRow("facility-printing") << false << "LOCAL1" << int(Level::INFO_INT) << true << false << 1024 << "m"
                                       << QStringList { QStringLiteral("<142>local1:m") };
    QTest::newRow("header") << true << "" << int(Level::INFO_INT) << true << true << 1024 << "m"
                            << QStringList { QStringLiteral("<14>@HEADER@user:m") };
    // Too long for one datagram: cut between characters, each part whole.
    QTest::newRow("split-between-characters")
        << false << "" << int(Level::INFO_INT) << false << false << 64
        << QString(QString(59, QLatin1Char('a')) + QString::fromUtf8("\xC3\xA9") + QString(10, QLatin1Char('b')))
        << QStringList { QStringLiteral("<14>") + QString(59, QLatin1Char('a')),
               QString::fromUtf8("<14>\xC3\xA9") + QString(10, QLatin1Char('b')) };
    QTest::newRow("split-over-udp") << true << "" << int(Level::INFO_INT) << false << false << 64
                                    << QString(130, QLatin1Char('x'))
                                    << QStringList { QStringLiteral("<14>") + QString(60, QLatin1Char('x')),
                                           QStringLiteral("<14>") + QString(60, QLatin1Char('x')),
                                           QStringLiteral("<14>") + QString(10, QLatin1Char('x')) };
}

void tst_SyslogAppender::datagramsSayPriorityHeaderAndText()
{
    QFETCH(bool, overUdp);
    QFETCH(QString, facility);
    QFETCH(int, level);
    QFETCH(bool, facilityPrinting);
    QFETCH(bool, header);
    QFETCH(int, maxPacketLength);
    QFETCH(QString, message);
    QFETCH(QStringList, datagrams);
    QTemporaryDir directory;
    const Receiver receiver(overUdp ? QString() : directory.filePath(QStringLiteral("log")));
    Capture errors(syslogErrors);
    errors.appender()->setThreshold(Level::ERROR_INT);
    LogObjectPtr<SyslogAppender> appender(namedAppender());
    if (overUdp)
        appender->setSyslogHost(QStringLiteral("127.0.0.1:%1").arg(receiver.port()));
    else
        appender->setLocalSocket(directory.filePath(QStringLiteral("log")));
    if (!facility.isEmpty())
        appender->setFacility(facility);
    appender->setFacilityPrinting(facilityPrinting);
    appender->setHeader(header);
    appender->setMaxPacketLength(maxPacketLength);
    appender->activate();
    const LoggingEvent event(nullptr, Level(level), message);
    appender->handleEvent(event);

    const QDateTime local = QDateTime::fromMSecsSinceEpoch(event.timeStamp());
    const QString headerText = QLocale::c().toString(local, QStringLiteral("MMM "))
        + QStringLiteral("%1 ").arg(local.date().day(), 2) + QLocale::c().toString(local, QStringLiteral("HH:mm:ss "))
        + QSysInfo::machineHostName() + QLatin1Char(' ');
    for (const QString &expected : datagrams) {
        const QByteArray datagram = receiver.next();
        QCOMPARE(QString::fromUtf8(datagram), QString(expected).replace(QLatin1String("@HEADER@"), headerText));
        QVERIFY(datagram.size() <= maxPacketLength);
    }
    QVERIFY(receiver.isEmpty());
    QCOMPARE(errors->texts(), QStringList());
}

void tst_SyslogAppender::destinationsThatCannotBeOpened_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("cause");
    QTest::newRow("port-not-a-number") << "127.0.0.1:syslog" << QStringLiteral(": Invalid port 'syslog' (22)");
    QTest::newRow("port-out-of-range") << "127.0.0.1:65536" << QStringLiteral(": Invalid port '65536' (22)");
    QTest::newRow("bracket-not-closed") << "[::1:514" << QStringLiteral(": Missing ']' in host '[::1:514' (22)");
}

// Reported with the cause when activated, and once more for each event refused.
void tst_SyslogAppender::destinationsThatCannotBeOpened()
{
    QFETCH(QString, host);
    QFETCH(QString, cause);
    QTemporaryDir directory;
    const QString socket = directory.filePath(QStringLiteral("log"));
    Capture errors(syslogErrors);
    errors.appender()->setThreshold(Level::ERROR_INT);
    LogObjectPtr<SyslogAppender> appender(namedAppender());
    appender->setSyslogHost(host);
    appender->setLocalSocket(socket);
    appender->activate();
    appender->handleEvent(LoggingEvent(nullptr, Level(Level::INFO_INT), QStringLiteral("m")));
    QCOMPARE(errors->texts(),
        (QStringList { syslogError("Unable to open syslog destination '%1' for appender 'S'",
                           "APPENDER_OPENING_SOCKET_ERROR", 31, cause)
                           .arg(host),
            syslogError("Use of appender 'S' without open syslog destination", "APPENDER_NO_OPEN_SOCKET_ERROR", 32) }));
}

// A syslog daemon that goes away and comes back: each failure reported,
// each retry on the schedule of the file appenders, no event sent twice.
void tst_SyslogAppender::lostDestinationIsReportedAndOpenedAgainOnSchedule()
{
    QTemporaryDir directory;
    const QString socket = directory.filePath(QStringLiteral("log"));
    ManualClock clock;
    clock.set(1000000);
    Capture errors(syslogErrors);
    errors.appender()->setThreshold(Level::ERROR_INT);
    LogObjectPtr<SyslogAppender> appender(namedAppender());
    appender->setLocalSocket(socket);
    appender->setClock(&clock);
    appender->setFacility(QStringLiteral("LOCAL9")); // no such facility: USER stays
    auto send = [&](const char *text) {
        appender->handleEvent(LoggingEvent(nullptr, Level(Level::INFO_INT), QString::fromLatin1(text)));
    };
    const QString opening = syslogError("Unable to open syslog destination '%1' for appender 'S'",
        "APPENDER_OPENING_SOCKET_ERROR", 31, QStringLiteral(": No such file or directory (2)"))
                                .arg(socket);
    const QString unopened
        = syslogError("Use of appender 'S' without open syslog destination", "APPENDER_NO_OPEN_SOCKET_ERROR", 32);
    const QString refused = syslogError("Unable to send to syslog destination '%1' for appender 'S'",
        "APPENDER_WRITING_SOCKET_ERROR", 33, QStringLiteral(": Connection refused (111)"))
                                .arg(socket);

    appender->activate(); // nobody listens yet
    {
        const Receiver daemon(socket);
        send("before the retry is due");
        clock.advance(1000);
        send("first");
        QCOMPARE(daemon.next(), QByteArray("<14>first"));
        QVERIFY(daemon.isEmpty());
    }
    send("daemon gone");
    send("refused until the retry is due");
    clock.advance(1000);
    send("retried, still gone");
    clock.advance(1000); // the next retry waits twice as long
    send("not yet due");
    const Receiver daemon(socket);
    clock.advance(1000);
    send("second");
    QCOMPARE(daemon.next(), QByteArray("<14>second"));
    QVERIFY(daemon.isEmpty());
    QCOMPARE(errors->texts(),
        (QStringList { QStringLiteral("Invalid option string 'LOCAL9' for a syslog facility "
                                      "(LogEngine::SyslogAppender::CONFIGURATOR_INVALID_OPTION_ERROR, 23)"),
            opening, unopened, refused, unopened, opening, unopened, unopened }));
}

QObject *newSyslogAppenderTest()
{
    return new tst_SyslogAppender;
}

#include "tst_syslogappender.moc"
