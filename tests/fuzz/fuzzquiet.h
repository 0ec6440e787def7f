#ifndef QORVLOG_FUZZQUIET_H
#define QORVLOG_FUZZQUIET_H

#include "engine/logger.h"
#include "engine/logmanager.h"

#include <QtGlobal>

// Each target's initialisation, included once per target. The error
// records are still built and delivered, but not printed: most inputs
// produce some, and the console would set the pace. Qt's own warnings about
// odd input ("Argument missing") go the same way.
inline void silenceInternalLogging()
{
    LogEngine::LogManager::internalLogger()->removeAllAppenders();
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    silenceInternalLogging();
    return 0;
}

#endif
