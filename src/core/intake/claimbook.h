/**
 * @file
 * The claim bookkeeping of one session: the queue, the checks in flight, the conversation context,
 * the published findings and the counters. ClaimIntake owns the one instance (and the session
 * controller owns ClaimIntake); the claim pipeline works on it through ClaimIntake::book().
 * Touched on the main thread only.
 */
#pragma once

#include "cancellation.h"
#include "claimorigin.h"
#include "finding.h"
#include "jobqueue.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QUuid>

#include <cstdint>
#include <optional>

namespace brindle {

/// A claim recently sent for checking, kept as conversation context.
struct RecentClaim {
    QDateTime heardAt;
    QString text;
    std::optional<ClaimOrigin> origin;

    friend bool operator==(const RecentClaim &, const RecentClaim &) = default;
};

struct ClaimBook {
    JobQueue queue;                          ///< claims waiting for the pipeline
    QHash<QUuid, CancelSource> active;       ///< job id -> cancellation of its running check
    QHash<QUuid, ClaimOrigin> activeOrigins; ///< origin of each active claim that has one
    QList<RecentClaim> recent;               ///< claims sent for checking, oldest first
    QList<Finding> findings;                 ///< published findings, newest first
    std::int64_t checksUsed = 0;             ///< claims handed to the pipeline this session
    std::int64_t filtered = 0;               ///< claims set aside (over the limit, not checkable)
    QUuid generation = QUuid::createUuid();  ///< renewed whenever all work is cancelled

    /// Origins in `channel` of the claims in flight, queued or shown.
    QSet<ClaimOrigin> knownOrigins(const QString &channel) const;
};

} // namespace brindle
