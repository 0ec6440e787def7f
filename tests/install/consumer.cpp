// The README's example: an application that logs through the process-wide
// manager. Where the lines go is the configuration's business.
#include <qorvlogmanager.h>

int main(int argc, char *argv[])
{
    QORVLogManager *log = QORVLogManager::instance();
    const QString how = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("an application");
    log->info(QStringLiteral("Hello from %1").arg(how), QStringLiteral("consumer"));
    log->debug(QStringLiteral("Not written: the logger is at INFO"), QStringLiteral("consumer"));
    return 0;
}
