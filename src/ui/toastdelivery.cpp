#include "toastdelivery.h"

#include "scheduler.h"

#include <algorithm>

namespace brindle {

bool isToastVerdict(Verdict verdict) {
    return verdict == Verdict::contradicted || verdict == Verdict::context;
}

void ToastDelivery::receive(const QList<Finding> &findings, bool suppress, const QDateTime &now) {
    QSet<QUuid> ids;
    for (const auto &finding : findings)
        ids.insert(finding.id);

    if (current && !ids.contains(current->id))
        current.reset();
    pending.removeIf([&](const Finding &finding) { return !ids.contains(finding.id); });

    QList<Finding> arrived;
    for (auto it = findings.crbegin(); it != findings.crend(); ++it) {
        if (!observed.contains(it->id) && isToastVerdict(it->verdict))
            arrived.append(*it);
    }
    observed = ids;

    if (suppress) {
        current.reset();
        pending.clear();
        return;
    }
    pending.append(arrived);
    if (pending.size() > maxPending)
        pending.remove(0, pending.size() - maxPending);
    advance(now);
}

void ToastDelivery::advance(const QDateTime &now) {
    pending.removeIf([&](const Finding &finding) {
        return secondsBetween(finding.createdAt, now) > staleAfterSeconds;
    });
    if (!current && !pending.isEmpty())
        current = pending.takeFirst();
}

} // namespace brindle
