/**
 * @file
 * What the claim pipeline reads from and reports to the session controller that owns it. Called
 * on the main thread, synchronously, from inside ClaimPipeline.
 */
#pragma once

#include "evidencemode.h"
#include "finding.h"
#include "referencecorpus.h"

#include <QList>

namespace brindle {

class ClaimPipelineHost {
public:
    virtual ~ClaimPipelineHost() = default;

    virtual EvidenceMode evidenceMode() const = 0;
    /// The loaded references, indexed for passage selection.
    virtual ReferenceCorpus referenceCorpus() const = 0;
    virtual void setError(const QString &message) = 0;
    /// Republishes the pending and skipped counts and the findings.
    virtual void refreshCounts() = 0;
    /// A finding was made and published (called after the findings list shows it).
    virtual void findingMade(const Finding &) {}
};

} // namespace brindle
