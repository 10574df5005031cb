/**
 * @file
 * A checked claim as shown to the user. Made once by makeFinding(); its eyebrow is picked then
 * and never changes.
 */
#pragma once

#include "claimorigin.h"
#include "evidencesource.h"
#include "verdict.h"

#include <QDateTime>
#include <QList>
#include <QUuid>

#include <optional>

namespace brindle {

struct ClaimJob;
struct ResearchResult;

struct Finding {
    QUuid id;
    QString quote; ///< the claim as heard, not the model's restatement
    Verdict verdict = Verdict::unresolved;
    QString explanation;
    QList<EvidenceSource> sources;
    QDateTime createdAt;
    double elapsed = 0; ///< seconds from heardAt to createdAt
    bool isDemo = false;
    std::optional<ClaimOrigin> origin;
    QString eyebrow; ///< short playful title above a correction

    friend bool operator==(const Finding &, const Finding &) = default;
};

/// A finding for `job` from an accepted result, with a fresh id and a new random eyebrow.
Finding makeFinding(const ClaimJob &job, const ResearchResult &result, const QDateTime &createdAt,
                    double elapsed, bool isDemo = false);

/// A random eyebrow: one of two emoji, one of "errmm..."/"umm...", one of
/// "brindle..."/"brindelly...", joined by spaces. Uses the system's secure random source.
QString randomEyebrow();

} // namespace brindle
