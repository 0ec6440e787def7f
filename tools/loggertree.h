#ifndef QORVLOG_TOOL_LOGGERTREE_H
#define QORVLOG_TOOL_LOGGERTREE_H

#include <QString>

namespace LogEngine
{
class LoggerRepository;
}

/*!
 * The text `qorvlog show` prints: the repository's threshold when one is
 * set, every logger in tree order (each child two blanks deeper than its
 * parent, siblings by name) with its level, effective level, additivity and
 * appenders, then every appender those loggers hold ("appender NAME: ...")
 * with its class, threshold, layout, conversion pattern and file.
 */
class LoggerTree
{
public:
    static QString describe(const LogEngine::LoggerRepository *repository);

private:
    LoggerTree() = delete;
};

#endif
