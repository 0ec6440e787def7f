#ifndef QORVLOG_TOOL_CLOSESTNAME_H
#define QORVLOG_TOOL_CLOSESTNAME_H

#include <QString>
#include <QStringList>

/*!
 * Spelling help for the checker: how far apart two names are, and which
 * known name someone most likely meant.
 */
namespace ClosestName
{

/*!
 * Edits (insertions, deletions, substitutions, swaps of neighbours) between
 * `a` and `b`, ignoring case: names that differ only in case are 0 apart.
 * Past `limit` the count stops: `limit` + 1 then stands for anything more,
 * and a long text costs no more than a few steps per character.
 */
int distance(const QString &a, const QString &b, int limit);

enum Match {
    // Up to two edits, fewer than half the name.
    NearlyEqual,
    // As above, or the one is the start of the other (WARNING for WARN).
    NearlyEqualOrPrefix
};

/*!
 * The candidate closest to `name`, or an empty text when none is close
 * enough or `name` itself is one of them. Ties go to the earlier candidate.
 */
QString find(const QString &name, const QStringList &candidates, Match match = NearlyEqual);

} // namespace ClosestName

#endif
