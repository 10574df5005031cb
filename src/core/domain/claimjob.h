/**
 * @file
 * One queued claim candidate: a plain value identified by its id.
 */
#pragma once

#include "claimorigin.h"

#include <QDateTime>
#include <QUuid>

#include <optional>

namespace brindle {

struct ClaimJob {
    QUuid id;                          ///< fresh per job
    QString text;                      ///< candidate text, at most 2,500 characters
    QDateTime heardAt;                 ///< when the report that produced it arrived
    std::optional<ClaimOrigin> origin; ///< absent for a claim the user typed

    friend bool operator==(const ClaimJob &, const ClaimJob &) = default;
};

} // namespace brindle
