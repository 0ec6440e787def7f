#include "closestname.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace ClosestName
{

// Only the cells within `limit` of the diagonal can stay within it, so a
// check against a long list of names costs a few cells per character.
int distance(const QString &s, const QString &t, int limit)
{
    const int m = s.size();
    const int n = t.size();
    if (qAbs(m - n) > limit)
        return limit + 1;
    const int beyond = limit + 1;
    // Three rows of the table: a swap of neighbours looks two rows back.
    std::vector<int> rows(3 * (n + 1), beyond);
    int *previous2 = rows.data();
    int *previous = previous2 + n + 1;
    int *current = previous + n + 1;
    for (int j = 0; j <= std::min(n, limit); ++j)
        previous[j] = j;
    for (int i = 1; i <= m; ++i) {
        // Only the band is computed; its edges must read as out of reach.
        std::fill(current + std::max(0, i - limit - 2), current + std::min(n, i + limit + 2) + 1, beyond);
        if (i <= limit)
            current[0] = i;
        int best = current[0];
        const QChar a = s.at(i - 1).toLower();
        for (int j = std::max(1, i - limit); j <= std::min(n, i + limit); ++j) {
            const QChar b = t.at(j - 1).toLower();
            int d = std::min({ previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (a == b ? 0 : 1) });
            if (i > 1 && j > 1 && a == t.at(j - 2).toLower() && s.at(i - 2).toLower() == b)
                d = std::min(d, previous2[j - 2] + 1);
            current[j] = std::min(d, beyond);
            best = std::min(best, current[j]);
        }
        if (best > limit)
            return beyond;
        // The oldest row is overwritten next; only its band is refilled.
        std::swap(previous2, previous);
        std::swap(previous, current);
    }
    return std::min(previous[n], beyond);
}

QString find(const QString &name, const QStringList &candidates, Match match)
{
    if (name.isEmpty() || candidates.contains(name))
        return QString();
    QString best;
    int bestDistance = std::numeric_limits<int>::max();
    for (const QString &candidate : candidates) {
        const bool prefix = match == NearlyEqualOrPrefix && std::min(name.size(), candidate.size()) >= 3
            && (name.startsWith(candidate, Qt::CaseInsensitive) || candidate.startsWith(name, Qt::CaseInsensitive));
        // A prefix is ranked by its distance too; anything else must be near.
        const int d = distance(name, candidate, prefix ? std::max(name.size(), candidate.size()) : 2);
        const bool close = prefix || (d <= 2 && 2 * d < name.size());
        if (close && d < bestDistance) {
            best = candidate;
            bestDistance = d;
        }
    }
    return best;
}

} // namespace ClosestName
