#include "common/childprocess.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return runTestMain(argc, argv, {}, {});
}
