/**
 * @file
 * The small queue of claims waiting to be checked. A plain value owned by the claim bookkeeping:
 * it holds at most four jobs, oldest first, and counts every job it had to discard, either because
 * a newer one pushed it out or because it waited too long to be worth checking.
 */
#pragma once

#include "claimjob.h"

#include <QList>

#include <cstdint>
#include <functional>
#include <optional>

namespace brindle {

struct JobQueue {
    static constexpr qsizetype capacity = 4;
    /// A job is still taken when it was heard less than this many seconds ago.
    static constexpr double maxAgeSeconds = 30.0;

    QList<ClaimJob> jobs;     ///< oldest first, never more than `capacity`
    std::int64_t dropped = 0; ///< discarded because the queue was full or a job was too old

    /// Appends the job, pushing out the oldest one when the queue is full.
    void enqueue(ClaimJob job);

    /// Removes and returns the oldest job heard less than maxAgeSeconds before `now`; older jobs
    /// on the way are discarded and counted.
    std::optional<ClaimJob> next(const QDateTime &now);

    /// Removes every job for which `matches` is true (not counted as dropped).
    void removeIf(const std::function<bool(const ClaimJob &)> &matches);

    friend bool operator==(const JobQueue &, const JobQueue &) = default;
};

} // namespace brindle
