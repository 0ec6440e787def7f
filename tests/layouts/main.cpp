#include "common/childprocess.h"

#include <QCoreApplication>

QObject *newDateTimeTest();
QObject *newPatternFormatterTest();
QObject *newTTCCLayoutTest();
QObject *newJSONLayoutTest();

int main(int argc, char *argv[])
{
    // Local time and names must not depend on the machine the suite runs on.
    qputenv("TZ", "Europe/Berlin");
    qputenv("LC_ALL", "C");
    QCoreApplication app(argc, argv);
    return runTestMain(
        argc, argv, {}, { newDateTimeTest(), newPatternFormatterTest(), newTTCCLayoutTest(), newJSONLayoutTest() });
}
