/**
 * @file
 * Confirmation of a web answer's cited passages: every cited page is fetched by us and the passage
 * must occur in the page's reduced text, or the answer is replaced by an unresolved one, so no
 * correction is ever shown on a quotation we could not see ourselves.
 */
#pragma once

#include "cancellation.h"
#include "researchresult.h"
#include "scheduler.h"

#include <QCoroTask>
#include <QUrl>

#include <functional>
#include <optional>

namespace brindle {

/// Loads one page that already passed isAllowedURL; nothing when it is not available. Stopping
/// the token must end the load promptly with nothing.
using PageLoader = std::function<QCoro::Task<std::optional<QString>>(QUrl url, CancelToken token)>;

/// The production loader: a PublicPageFetch per page, timed by `scheduler` (which must outlive
/// every load).
PageLoader publicPageLoader(Scheduler &scheduler);

/// The explanation of the unresolved answer that replaces an unconfirmed one.
QString unconfirmedExplanation();

/// `result` itself when it needs no confirmation (unresolved without sources) or when all of its
/// 1 to 3 sources are confirmed concurrently; otherwise an unresolved answer for the same claim
/// without sources. The first source that fails stops the other loads at once. Never throws.
QCoro::Task<ResearchResult> confirmSources(ResearchResult result, PageLoader loader,
                                           CancelToken token = {});

/// Whether the passage, with its whitespace collapsed and in lower case, occurs in the reduced
/// page text. An empty or all-whitespace passage is never confirmed.
bool confirmPassage(const QString &passage, const QString &page);

} // namespace brindle
