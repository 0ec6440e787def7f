#ifndef QORVLOG_FUZZQUIET_H
#define QORVLOG_FUZZQUIET_H

#include "engine/logger.h"
#include "engine/logmanager.h"

// The error records are still built and delivered, but not printed: most
// inputs produce some, and the console would set the pace.
inline void silenceInternalLogging()
{
    LogEngine::LogManager::internalLogger()->removeAllAppenders();
}

#endif
