#include "claimbook.h"

namespace brindle {

QSet<ClaimOrigin> ClaimBook::knownOrigins(const QString &channel) const {
    QSet<ClaimOrigin> origins;
    const auto add = [&](const std::optional<ClaimOrigin> &origin) {
        if (origin && origin->channel == channel)
            origins.insert(*origin);
    };
    for (const auto &origin : activeOrigins)
        add(origin);
    for (const auto &job : queue.jobs)
        add(job.origin);
    for (const auto &finding : findings)
        add(finding.origin);
    return origins;
}

} // namespace brindle
