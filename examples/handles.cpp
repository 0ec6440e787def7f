// The other way into qorvlog: QORVLogger handles and the QORVLOG_* macros.
// The handles' loggers are not named in logengine.properties, so they take
// the root logger's level and write to its appenders (the console and
// logs/demo.log), unlike loggers first reached through QORVLogManager.
// Run it beside the demo's configuration:
//     cd build-demo/examples && ./qorvlog_handles_demo
#include <qorvlogger.h>

#include <QCoreApplication>
#include <QStringList>

namespace
{

// One handle per logger, made once: making one looks the name up.
const QORVLogger &network()
{
    static const QORVLogger log("handles::network");
    return log;
}

QString describe(const QStringList &hosts)
{
    return hosts.join(QStringLiteral(", "));
}

class Downloader
{
public:
    void fetch(const QString &host, int attempts)
    {
        for (int attempt = 1; attempt <= attempts; ++attempt)
            QORVLOG_DEBUG(m_log, "Attempt %1 of %2 on %3", attempt, attempts, host);
        QORVLOG_INFO(m_log, "Fetched %1 kB from %2 in %3 s", 512, host, 0.25);
    }

private:
    // A child of handles::network: it logs like its parent.
    const QORVLogger m_log { "handles::network::downloader" };
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList hosts { QStringLiteral("example.org"), QStringLiteral("example.net") };
    QORVLOG_INFO(network(), "Hosts: %1", describe(hosts));
    // The root logger is at INFO: describe() is not called for this one.
    QORVLOG_DEBUG(network(), "Hosts again: %1", describe(hosts));
    Downloader downloader;
    for (const QString &host : hosts)
        downloader.fetch(host, 2);
    if (network().isWarnEnabled())
        QORVLOG_WARN(network(), "Done, %1 hosts", hosts.size());
    return 0;
}
