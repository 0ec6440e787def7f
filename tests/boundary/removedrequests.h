#ifndef QORVLOG_TESTS_REMOVEDREQUESTS_H
#define QORVLOG_TESTS_REMOVEDREQUESTS_H

class QORVLogger;

// One request per level from TRACE to ERROR, each counting its evaluation,
// in a file that removes those below WARN.
void logAtEveryLevel(const QORVLogger &logger, int &evaluated);

#endif
