#include "aiclient.h"

#include "claimselection.h"
#include "passageselection.h"
#include "providertransport.h"
#include "researchrequest.h"
#include "researchvalidation.h"

namespace brindle {

namespace {

ResearchResult unresolved(const QString &claim, const QString &explanation) {
    return {claim, Verdict::unresolved, explanation, {}};
}

// Awaits one pass of a combined check; a failure stops its sibling at once.
QCoro::Task<ResearchResult> stoppingSiblingOnFailure(QCoro::Task<ResearchResult> pass,
                                                     CancelSource sibling) {
    try {
        co_return co_await std::move(pass);
    } catch (...) {
        sibling.request_stop();
        throw;
    }
}

bool isCancellation(const std::exception_ptr &error) {
    try {
        std::rethrow_exception(error);
    } catch (const CancelledError &) {
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

AIClient::AIClient(ProviderTransport &transport, ProviderEndpoints endpoints, PageLoader pageLoader)
    : m_transport(transport)
    , m_endpoints(std::move(endpoints))
    , m_pageLoader(std::move(pageLoader)) {}

QCoro::Task<std::optional<ResearchResult>>
AIClient::checkClaim(QString claim, QString context, EvidenceMode mode, ReferenceCorpus documents,
                     AIConfiguration configuration, CancelToken token) {
    configuration.validate();
    if (mode == EvidenceMode::documents && documents.isEmpty())
        co_return unresolved(claim, noDocumentsExplanation());
    if (configuration.useSelka) {
        const auto selection =
            co_await selectClaim(m_transport, m_endpoints, configuration, claim, context, token);
        if (!selection.checkable)
            co_return std::nullopt;
    }
    throwIfCancelled(token);

    switch (mode) {
    case EvidenceMode::documents:
        co_return co_await documentsPass(claim, context, std::move(documents),
                                         std::move(configuration), token);
    case EvidenceMode::web:
        co_return co_await webPass(claim, context, std::move(configuration), token);
    case EvidenceMode::combined:
        break;
    }
    co_return co_await combined(claim, context, std::move(documents), std::move(configuration),
                                token);
}

QCoro::Task<ResearchResult> AIClient::documentsPass(QString claim, QString context,
                                                    ReferenceCorpus documents,
                                                    AIConfiguration configuration,
                                                    CancelToken token) {
    if (documents.isEmpty())
        co_return unresolved(claim, noReferencesExplanation());
    const auto passages = selectPassages(claim, documents);
    const auto body = researchBody(claim, context, ResearchPass::documents, passages,
                                   configuration.researchModel, configuration.researchProvider);
    const auto reply = co_await m_transport.postJSON(
        m_endpoints.research(configuration.researchProvider), configuration.researchKey, body,
        rawValue(configuration.researchProvider), token);
    co_return validateResearch(reply, ResearchPass::documents, passages, claim);
}

QCoro::Task<ResearchResult> AIClient::webPass(QString claim, QString context,
                                              AIConfiguration configuration, CancelToken token) {
    const auto body = researchBody(claim, context, ResearchPass::web, {},
                                   configuration.researchModel, configuration.researchProvider);
    const auto reply = co_await m_transport.postJSON(
        m_endpoints.research(configuration.researchProvider), configuration.researchKey, body,
        rawValue(configuration.researchProvider), token);
    auto result = validateResearch(reply, ResearchPass::web, {}, claim);
    co_return co_await confirmSources(std::move(result), m_pageLoader, token);
}

QCoro::Task<ResearchResult> AIClient::combined(QString claim, QString context,
                                               ReferenceCorpus documents,
                                               AIConfiguration configuration, CancelToken token) {
    CancelSource localCancel;
    CancelSource webCancel;
    std::stop_callback forward(token, [&] {
        localCancel.request_stop();
        webCancel.request_stop();
    });
    // The web pass never sees the conversation: only the claim is searched publicly.
    auto localTask = stoppingSiblingOnFailure(
        documentsPass(claim, context, std::move(documents), configuration, localCancel.get_token()),
        webCancel);
    auto webTask = stoppingSiblingOnFailure(
        webPass(claim, QString(), configuration, webCancel.get_token()), localCancel);

    std::optional<ResearchResult> local;
    std::exception_ptr localError;
    try {
        local = co_await std::move(localTask);
    } catch (...) {
        localError = std::current_exception();
        webCancel.request_stop();
    }
    std::optional<ResearchResult> web;
    std::exception_ptr webError;
    try {
        web = co_await std::move(webTask);
    } catch (...) {
        webError = std::current_exception();
    }
    // Report the failure that caused the other pass's cancellation, not the cancellation.
    if (localError && isCancellation(localError) && webError && !isCancellation(webError))
        std::rethrow_exception(webError);
    if (localError)
        std::rethrow_exception(localError);
    if (webError)
        std::rethrow_exception(webError);
    co_return mergeResults(*local, *web);
}

} // namespace brindle
