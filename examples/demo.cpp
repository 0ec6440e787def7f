// A tour of the engine: loggers in a tree, levels inherited along it, and two
// console appenders, one for everything from INFO on standard output and one
// for warnings and above on standard error.
#include "engine/appenders/consoleappender.h"
#include "engine/layouts/simplelayout.h"
#include "engine/logger.h"
#include "engine/logmanager.h"

#include <QCoreApplication>

using namespace LogEngine;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);

    Logger *root = LogManager::logger(QString());
    root->setLevel(Level::INFO_INT);

    auto *layout = new SimpleLayout;
    auto *out = new ConsoleAppender(layout, ConsoleAppender::STDOUT_TARGET);
    out->setName(QStringLiteral("stdout"));
    out->activate();
    root->addAppender(out);

    auto *err = new ConsoleAppender(layout, ConsoleAppender::STDERR_TARGET);
    err->setName(QStringLiteral("stderr"));
    err->setThreshold(Level::WARN_INT);
    err->activate();
    root->addAppender(err);

    Logger *network = LogManager::logger(QStringLiteral("demo::network"));
    Logger *storage = LogManager::logger(QStringLiteral("demo::storage"));
    storage->setLevel(Level::DEBUG_INT);

    root->info("Started");
    network->debug("Dropped: demo::network inherits INFO from the root");
    network->info("Connected to %1 on port %2", "example.org", 443);
    storage->debug("Passed: demo::storage is at DEBUG");
    storage->warn("Disk %1% full", 91);
    network->error("Connection lost");
    root->info("Finished");
    return 0;
}
