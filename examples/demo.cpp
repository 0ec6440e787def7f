// An application's view of qorvlog: the public headers, libqorvlog.so, and
// QORVLogManager::instance(), from the main thread and three workers, at
// several levels on several loggers.
//
// What goes where is configured by logengine.properties, which the library
// reads from the working directory while it loads, before main() runs. The
// build copies that file beside this program, so run it in its own folder:
//     cd build-demo/examples && ./qorvlog_demo
// or point LOGENGINE_CONFIGURATION at the file from anywhere else. Besides
// the configured console and logs/demo.log, the demo attaches a file of its
// own to the network logger through the interface.
#include <qorvlogmanager.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <cstdio>
#include <memory>
#include <vector>

namespace
{

QString configurationFile()
{
    const QString named = qEnvironmentVariable("LOGENGINE_CONFIGURATION").trimmed();
    return named.isEmpty() ? QStringLiteral("logengine.properties") : named;
}

void network(QORVLogManager *log)
{
    const QString logger = QStringLiteral("demo::network");
    log->info(QStringLiteral("Connecting to example.org:443"), logger);
    for (int attempt = 1; attempt <= 3; ++attempt)
        log->debug(QStringLiteral("Handshake attempt %1").arg(attempt), logger);
    log->warn(QStringLiteral("Certificate expires in 12 days"), logger);
    log->info(QStringLiteral("Connected"), logger);
}

void storage(QORVLogManager *log)
{
    const QString logger = QStringLiteral("demo::storage");
    log->info(QStringLiteral("Dropped: demo::storage logs from WARN on"), logger);
    log->warn(QStringLiteral("Disk 91% full"), logger);
    log->error(QStringLiteral("Cannot write cache file: no space left on device"), logger);
}

void jobs(QORVLogManager *log)
{
    const QString logger = QStringLiteral("demo::jobs");
    for (int job = 1; job <= 3; ++job) {
        log->trace(QStringLiteral("Job %1 picked up").arg(job), logger);
        log->stat(QStringLiteral("Job %1 took %2 ms").arg(job).arg(job * 40), logger);
    }
    log->status(QStringLiteral("3 jobs done"), logger);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QThread::currentThread()->setObjectName(QStringLiteral("main"));
    QORVLogManager *log = QORVLogManager::instance();

    const QString configuration = configurationFile();
    const QDir logs(QDir::current().absoluteFilePath(QStringLiteral("logs")));
    if (QFileInfo::exists(configuration)) {
        std::printf("Configuration file: %s\nLog files go to %s\n\n",
            qPrintable(QFileInfo(configuration).absoluteFilePath()), qPrintable(logs.path()));
    } else {
        std::fprintf(stderr,
            "No %s in %s: nothing is configured, so only the file the demo adds itself is written.\n"
            "Run the demo in the folder it was built in, or set LOGENGINE_CONFIGURATION.\n\n",
            qPrintable(configuration), qPrintable(QDir::currentPath()));
    }
    std::fflush(stdout);

    const QString networkFile = logs.filePath(QStringLiteral("network.log"));
    log->addFile(networkFile, QStringLiteral("demo::network"));
    log->info(QStringLiteral("%1 started, logging through %2").arg(app.applicationName(), log->name()),
        QStringLiteral("demo"));

    std::vector<std::unique_ptr<QThread>> workers;
    workers.emplace_back(QThread::create(network, log));
    workers.back()->setObjectName(QStringLiteral("network"));
    workers.emplace_back(QThread::create(storage, log));
    workers.back()->setObjectName(QStringLiteral("storage"));
    workers.emplace_back(QThread::create(jobs, log));
    workers.back()->setObjectName(QStringLiteral("jobs"));
    for (const auto &worker : workers)
        worker->start();
    for (const auto &worker : workers)
        worker->wait();

    // The enabled tests answer from the manager's own levels, which setLevel
    // changes together with the engine logger's level.
    const QString demo = QStringLiteral("demo");
    log->debug(QStringLiteral("Dropped: demo is at INFO"), demo);
    log->setLevel(QORVLogLevel::DebugLevel, demo);
    if (log->isDebugEnabled(demo))
        log->debug(QStringLiteral("demo is at DEBUG now"), demo);
    log->info(QStringLiteral("All workers finished"), demo);
    log->removeFile(networkFile, QStringLiteral("demo::network"));

    std::printf("\nLog files in %s:\n", qPrintable(logs.path()));
    const QFileInfoList files = logs.entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo &file : files)
        std::printf("    %-12s %6lld bytes\n", qPrintable(file.fileName()), file.size());
    return 0;
}
