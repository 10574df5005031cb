#include "claimpipeline.h"

#include "checkrace.h"
#include "textmeasure.h"

#include <QPointer>

namespace brindle {

ClaimPipeline::ClaimPipeline(Scheduler &scheduler, SessionSettingsPort &settings,
                             ClaimCheckerPort &checker, ClaimBook &book, ClaimPipelineHost &host,
                             QObject *parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_settings(settings)
    , m_checker(checker)
    , m_book(book)
    , m_host(host) {}

void ClaimPipeline::drainQueue() {
    while (m_book.active.size() < maxActiveChecks) {
        const QDateTime now = m_scheduler.now();
        auto job = m_book.queue.next(now);
        if (!job)
            break;
        if (m_book.checksUsed >= m_settings.maxChecksPerSession()) {
            m_book.filtered += m_book.queue.jobs.size() + 1;
            m_book.queue.jobs.clear();
            break;
        }
        ++m_book.checksUsed;
        const QString context = takeContext(now);
        m_book.recent.append({job->heardAt, job->text, job->origin});
        if (job->origin)
            m_book.activeOrigins.insert(job->id, *job->origin);
        CancelSource cancel;
        m_book.active.insert(job->id, cancel);
        runCheck(*job, context, m_host.evidenceMode(), m_host.referenceCorpus(),
                 m_settings.configuration(), m_book.generation, cancel.get_token());
    }
    m_host.refreshCounts();
}

QString ClaimPipeline::takeContext(const QDateTime &now) {
    m_book.recent.removeIf([&](const RecentClaim &claim) {
        return secondsBetween(claim.heardAt, now) > contextWindowSeconds;
    });
    QStringList texts;
    texts.reserve(m_book.recent.size());
    for (const auto &claim : std::as_const(m_book.recent))
        texts.append(claim.text);
    return text::suffix(texts.join(u'\n'), contextLength);
}

QCoro::Task<> ClaimPipeline::runCheck(ClaimJob job, QString context, EvidenceMode mode,
                                      ReferenceCorpus documents, AIConfiguration configuration,
                                      QUuid generation, CancelToken token) {
    QPointer<ClaimPipeline> self(this);
    const double budget = std::max(budgetSeconds - secondsBetween(job.heardAt, m_scheduler.now()),
                                   shortestBudgetSeconds);

    auto race = std::make_shared<CheckRace>();
    CancelSource checkCancel;
    race->budget = m_scheduler.callAfter(seconds(budget), [race] {
        race->fail(std::make_exception_ptr(AppError(timeoutMessage())));
    });
    // A withdrawal or stop settles the race at once; the check itself is told to stop too.
    std::stop_callback onCancel(token, [&, race] {
        checkCancel.request_stop();
        race->failSoon(m_scheduler, std::make_exception_ptr(CancelledError{}));
    });
    CheckRace::settleWith(race,
                          m_checker.checkClaim(job.text, context, mode, std::move(documents),
                                               std::move(configuration), checkCancel.get_token()));

    std::optional<std::optional<ResearchResult>> outcome;
    QString failure;
    try {
        outcome = co_await race->settled();
    } catch (const AppError &error) {
        failure = error.message();
    } catch (const CancelledError &) {
    } catch (const std::exception &error) {
        failure = QString::fromUtf8(error.what());
    }
    checkCancel.request_stop(); // the loser of the race

    if (!self || token.stop_requested() || m_book.generation != generation)
        co_return;
    std::optional<Finding> made;
    if (outcome) {
        if (*outcome) {
            const QDateTime now = m_scheduler.now();
            made = makeFinding(job, **outcome, now, secondsBetween(job.heardAt, now));
            m_book.findings.prepend(*made);
            if (m_book.findings.size() > findingsKept)
                m_book.findings.resize(findingsKept);
        } else {
            ++m_book.filtered;
        }
    } else if (!failure.isEmpty()) {
        m_host.setError(failure);
    }
    finish(job.id, generation);
    if (made && self)
        m_host.findingMade(*made);
}

void ClaimPipeline::finish(const QUuid &jobID, const QUuid &generation) {
    if (m_book.generation != generation)
        return;
    m_book.active.remove(jobID);
    m_book.activeOrigins.remove(jobID);
    drainQueue();
}

} // namespace brindle
