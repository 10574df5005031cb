/**
 * @file
 * The research model's answer for one claim, as decoded from its JSON output.
 */
#pragma once

#include "evidencesource.h"
#include "verdict.h"

#include <QList>

namespace brindle {

struct ResearchResult {
    QString claim; ///< the claim as the model restates it
    Verdict verdict = Verdict::unresolved;
    QString explanation;
    QList<EvidenceSource> sources; ///< in the model's order

    friend bool operator==(const ResearchResult &, const ResearchResult &) = default;

    QJsonObject toJson() const;
    /// Strict: "claim", "verdict", "explanation" and "sources" must all be present with the right
    /// types, the verdict one of the four raw texts and every source well formed; otherwise
    /// nothing. Members not listed here are ignored.
    static std::optional<ResearchResult> fromJson(const QJsonValue &value);
};

} // namespace brindle
