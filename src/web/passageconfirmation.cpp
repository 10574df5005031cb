#include "passageconfirmation.h"

#include "destinationrules.h"
#include "pagetext.h"
#include "publicpagefetch.h"

#include <memory>
#include <vector>

namespace brindle {

namespace {

constexpr qsizetype maxConfirmedSources = 3;

QCoro::Task<std::optional<QString>> fetchPublicPage(QUrl url, Scheduler *scheduler,
                                                    CancelToken token) {
    PublicPageFetch fetch(std::move(url), *scheduler);
    co_return co_await fetch.fetch(std::move(token));
}

QCoro::Task<bool> confirmSource(EvidenceSource source, PageLoader loader, CancelToken token) {
    const QUrl url(source.url, QUrl::StrictMode);
    if (!url.isValid() || !isAllowedURL(url) || token.stop_requested())
        co_return false;
    std::optional<QString> page;
    try {
        page = co_await loader(url, token);
    } catch (...) {
        co_return false; // a failing loader is a page we could not see
    }
    co_return page &&confirmPassage(source.passage, *page);
}

struct Group {
    CancelSource cancel;
    bool allConfirmed = true;
};

QCoro::Task<> confirmInGroup(EvidenceSource source, PageLoader loader,
                             std::shared_ptr<Group> group) {
    const bool confirmed =
        co_await confirmSource(std::move(source), std::move(loader), group->cancel.get_token());
    if (!confirmed && group->allConfirmed) {
        group->allConfirmed = false;
        group->cancel.request_stop(); // the answer is lost anyway; stop the other loads now
    }
}

/// Every source checked in its own task (tasks start at once); waits for all of them, which is
/// immediate for the ones already stopped.
QCoro::Task<bool> confirmAll(QList<EvidenceSource> sources, PageLoader loader, CancelToken token) {
    auto group = std::make_shared<Group>();
    std::stop_callback forwardStop(token, [group] { group->cancel.request_stop(); });
    std::vector<QCoro::Task<>> children;
    children.reserve(static_cast<std::size_t>(sources.size()));
    for (const auto &source : sources)
        children.push_back(confirmInGroup(source, loader, group));
    for (const auto &child : children)
        co_await child;
    co_return group->allConfirmed;
}

} // namespace

PageLoader publicPageLoader(Scheduler &scheduler) {
    return [scheduler = &scheduler](QUrl url, CancelToken token) {
        return fetchPublicPage(std::move(url), scheduler, std::move(token));
    };
}

QString unconfirmedExplanation() {
    return QStringLiteral(
        "Could not confirm the cited passage in the source. No correction was issued.");
}

QCoro::Task<ResearchResult> confirmSources(ResearchResult result, PageLoader loader,
                                           CancelToken token) {
    if (result.verdict == Verdict::unresolved && result.sources.isEmpty())
        co_return result;
    const auto count = result.sources.size();
    if (count >= 1 && count <= maxConfirmedSources && !token.stop_requested()) {
        const bool confirmed = co_await confirmAll(result.sources, std::move(loader), token);
        if (confirmed && !token.stop_requested())
            co_return result;
    }
    co_return ResearchResult{result.claim, Verdict::unresolved, unconfirmedExplanation(), {}};
}

bool confirmPassage(const QString &passage, const QString &page) {
    const QString wanted = normalizedWords(passage);
    if (wanted.isEmpty())
        return false;
    return pageText(page).contains(wanted);
}

} // namespace brindle
