/**
 * @file
 * The claim check: optional claim selection, then a documents pass with the best reference
 * excerpts, a web pass with the provider's web-search tool whose citations are confirmed against
 * the live pages, or both at once with their results merged. Keeps no state between checks.
 *
 * The transport and the page loader's scheduler must outlive every check. Main thread only.
 */
#pragma once

#include "claimcheckerport.h"
#include "passageconfirmation.h"
#include "providerendpoints.h"

namespace brindle {

class ProviderTransport;

class AIClient final : public ClaimCheckerPort {
public:
    static QString noDocumentsExplanation() {
        return QStringLiteral("Load a reference document, or choose Public web for public claims.");
    }
    static QString noReferencesExplanation() {
        return QStringLiteral("No local references are connected.");
    }

    AIClient(ProviderTransport &transport, ProviderEndpoints endpoints, PageLoader pageLoader);

    QCoro::Task<std::optional<ResearchResult>>
    checkClaim(QString claim, QString context, EvidenceMode mode, ReferenceCorpus documents,
               AIConfiguration configuration, CancelToken token) override;

private:
    QCoro::Task<ResearchResult> documentsPass(QString claim, QString context,
                                              ReferenceCorpus documents,
                                              AIConfiguration configuration, CancelToken token);
    QCoro::Task<ResearchResult> webPass(QString claim, QString context,
                                        AIConfiguration configuration, CancelToken token);
    QCoro::Task<ResearchResult> combined(QString claim, QString context, ReferenceCorpus documents,
                                         AIConfiguration configuration, CancelToken token);

    ProviderTransport &m_transport;
    ProviderEndpoints m_endpoints;
    PageLoader m_pageLoader;
};

} // namespace brindle
