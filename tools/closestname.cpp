#include "closestname.h"

#include <QVector>

#include <algorithm>
#include <limits>

namespace ClosestName
{

int distance(const QString &a, const QString &b)
{
    const QString s = a.toLower();
    const QString t = b.toLower();
    const int m = s.size();
    const int n = t.size();
    // Three rows of the table suffice: a swap looks two rows back.
    QVector<int> previous2(n + 1), previous(n + 1), current(n + 1);
    for (int j = 0; j <= n; ++j)
        previous[j] = j;
    for (int i = 1; i <= m; ++i) {
        current[0] = i;
        for (int j = 1; j <= n; ++j) {
            const int cost = s.at(i - 1) == t.at(j - 1) ? 0 : 1;
            current[j] = std::min({ previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost });
            if (i > 1 && j > 1 && s.at(i - 1) == t.at(j - 2) && s.at(i - 2) == t.at(j - 1))
                current[j] = std::min(current[j], previous2[j - 2] + 1);
        }
        std::swap(previous2, previous);
        std::swap(previous, current);
    }
    return previous[n];
}

QString find(const QString &name, const QStringList &candidates, Match match)
{
    if (name.isEmpty() || candidates.contains(name))
        return QString();
    QString best;
    int bestDistance = std::numeric_limits<int>::max();
    for (const QString &candidate : candidates) {
        const int d = distance(name, candidate);
        bool close = d <= 2 && 2 * d < name.size();
        if (!close && match == NearlyEqualOrPrefix && std::min(name.size(), candidate.size()) >= 3)
            close = name.startsWith(candidate, Qt::CaseInsensitive) || candidate.startsWith(name, Qt::CaseInsensitive);
        if (close && d < bestDistance) {
            best = candidate;
            bestDistance = d;
        }
    }
    return best;
}

} // namespace ClosestName
