/**
 * @file
 * The one operation through which the session core has a claim checked. The AI client implements
 * it; tests use fakes. Called on the main thread; the returned task resumes there.
 */
#pragma once

#include "aiconfiguration.h"
#include "cancellation.h"
#include "evidencemode.h"
#include "referencecorpus.h"
#include "researchresult.h"

#include <QCoroTask>
#include <QList>

#include <optional>

namespace brindle {

class ClaimCheckerPort {
public:
    virtual ~ClaimCheckerPort() = default;

    /// An accepted result, or nothing when claim selection judged the text not worth checking.
    /// Throws AppError (user-facing message) or CancelledError once `token` is stopped.
    virtual QCoro::Task<std::optional<ResearchResult>>
    checkClaim(QString claim, QString context, EvidenceMode mode, ReferenceCorpus documents,
               AIConfiguration configuration, CancelToken token) = 0;
};

} // namespace brindle
