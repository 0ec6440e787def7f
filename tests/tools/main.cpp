#include "common/childprocess.h"

#include <QCoreApplication>

QObject *newQorvlogToolTest();

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return runTestMain(argc, argv, {}, { newQorvlogToolTest() });
}
