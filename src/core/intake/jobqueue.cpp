#include "jobqueue.h"

#include "scheduler.h"

namespace brindle {

void JobQueue::enqueue(ClaimJob job) {
    while (jobs.size() >= capacity) {
        jobs.removeFirst();
        ++dropped;
    }
    jobs.append(std::move(job));
}

std::optional<ClaimJob> JobQueue::next(const QDateTime &now) {
    while (!jobs.isEmpty()) {
        ClaimJob job = jobs.takeFirst();
        if (secondsBetween(job.heardAt, now) < maxAgeSeconds)
            return job;
        ++dropped;
    }
    return std::nullopt;
}

void JobQueue::removeIf(const std::function<bool(const ClaimJob &)> &matches) {
    jobs.removeIf(matches);
}

} // namespace brindle
