#include "claimintake.h"

#include "textmeasure.h"

#include <algorithm>
#include <tuple>

namespace brindle {

QString ClaimIntake::channelOf(const QString &reportText) {
    return reportText.startsWith(QLatin1String("You: ")) ? microphoneChannel()
                                                         : applicationChannel();
}

ClaimIntake::ClaimIntake(Scheduler &scheduler, ClaimIntakeHost &host)
    : m_scheduler(scheduler)
    , m_host(host) {}

void ClaimIntake::handleTranscript(const QString &text, bool isFinal) {
    if (!m_host.isRunning() && !m_host.isStarting())
        return;
    m_host.setTranscript(text::suffix(text, displayedTranscript));

    const QString channel = channelOf(text);
    const QDateTime now = m_scheduler.now();
    m_debounces.erase(channel);
    m_latest.insert(channel, {text, now});

    if (isFinal) {
        m_maxWaits.erase(channel);
        makeCandidate(m_segments[channel].update(text, true), channel, now);
        return;
    }

    const QUuid generation = m_book.generation;
    // An existing max-wait keeps running, so the ceiling counts from the first unprocessed partial.
    if (!m_maxWaits.contains(channel)) {
        m_maxWaits.emplace(channel, m_scheduler.callAfter(seconds(maxWaitSeconds), [=, this] {
            maxWaitElapsed(channel, generation);
        }));
    }
    m_debounces[channel] = m_scheduler.callAfter(
        seconds(debounceSeconds), [=, this] { debounceElapsed(channel, text, now, generation); });
}

void ClaimIntake::debounceElapsed(QString channel, QString text, QDateTime arrivedAt,
                                  QUuid generation) {
    if (generation != m_book.generation)
        return;
    m_debounces.erase(channel);
    m_maxWaits.erase(channel);
    makeCandidate(m_segments[channel].update(text, false), channel, arrivedAt);
}

void ClaimIntake::maxWaitElapsed(QString channel, QUuid generation) {
    if (generation != m_book.generation)
        return;
    m_maxWaits.erase(channel);
    const auto latest = m_latest.constFind(channel);
    if (latest == m_latest.cend())
        return;
    const QString finished = completedPrefix(latest->text);
    const QDateTime arrivedAt = latest->arrivedAt;
    // Nothing new is finished when what was already processed reaches at least as far.
    const auto processed = text::length(m_segments.value(channel).committed);
    if (processed >= text::length(text::trimmed(finished)))
        return;
    makeCandidate(m_segments[channel].update(finished, false), channel, arrivedAt);
}

void ClaimIntake::makeCandidate(TranscriptUpdate update, const QString &channel,
                                const QDateTime &heardAt) {
    if (update.revised)
        update = reconcileRevision(std::move(update), channel);
    if (text::length(update.text) < shortestCandidate)
        return;
    submit(
        ClaimJob{QUuid::createUuid(), text::prefix(update.text, longestJobText), heardAt,
                 ClaimOrigin{channel, update.utterance, update.start, text::length(update.full)}});
}

void ClaimIntake::submit(ClaimJob job) {
    if (m_book.checksUsed >= m_host.maxChecksPerSession()) {
        m_host.setError(checkLimitMessage());
        ++m_book.filtered;
        m_host.refreshCounts();
        return;
    }
    m_book.queue.enqueue(std::move(job));
    m_host.drainQueue();
}

TranscriptUpdate ClaimIntake::reconcileRevision(TranscriptUpdate update, const QString &channel) {
    const QSet<ClaimOrigin> known = m_book.knownOrigins(channel);
    QSet<ClaimOrigin> affected;
    std::int64_t lower = update.start;

    // A claim reached by the lowered bound can pull the bound further back.
    for (;;) {
        QList<ClaimOrigin> reached;
        for (const auto &origin : known) {
            if (origin.utterance == update.utterance && origin.end > lower &&
                !affected.contains(origin))
                reached.append(origin);
        }
        if (reached.isEmpty())
            break;
        for (const auto &origin : reached) {
            affected.insert(origin);
            lower = std::min(lower, origin.start);
        }
    }

    // "Sorry, I mean ..." refers to the most recent claim even when the ranges do not meet.
    if (update.correction && !known.isEmpty()) {
        const auto latest = std::max_element(known.cbegin(), known.cend(), [](auto &a, auto &b) {
            return std::tuple(a.utterance, a.start, a.end) <
                   std::tuple(b.utterance, b.start, b.end);
        });
        affected.insert(*latest);
    }

    if (lower < update.start) {
        update.start = lower;
        update.text = text::trimmed(text::dropFirst(update.full, lower));
    }
    withdraw(affected);
    return update;
}

void ClaimIntake::withdraw(const QSet<ClaimOrigin> &origins) {
    if (origins.isEmpty())
        return;
    const auto stale = [&](const std::optional<ClaimOrigin> &origin) {
        return origin && origins.contains(*origin);
    };

    // Forget the checks first and cancel afterwards: a cancelled check may finish synchronously.
    QList<CancelSource> cancelled;
    for (auto it = m_book.activeOrigins.begin(); it != m_book.activeOrigins.end();) {
        if (!origins.contains(it.value())) {
            ++it;
            continue;
        }
        if (const auto source = m_book.active.constFind(it.key()); source != m_book.active.cend()) {
            cancelled.append(*source);
            m_book.active.erase(source);
        }
        it = m_book.activeOrigins.erase(it);
    }
    m_book.queue.removeIf([&](const ClaimJob &job) { return stale(job.origin); });
    QList<QUuid> withdrawn;
    m_book.findings.removeIf([&](const Finding &finding) {
        if (!stale(finding.origin))
            return false;
        withdrawn.append(finding.id);
        return true;
    });
    m_book.recent.removeIf([&](const RecentClaim &claim) { return stale(claim.origin); });
    for (auto &source : cancelled)
        source.request_stop();

    if (m_host.isRunning())
        m_host.setStatus(revisedStatus());
    m_host.refreshCounts();
    if (!withdrawn.isEmpty())
        m_host.reportWithdrawnFindings(withdrawn);
    m_host.drainQueue();
}

void ClaimIntake::cancelAllWork() {
    m_book.generation = QUuid::createUuid();
    const auto active = std::exchange(m_book.active, {});
    m_book.activeOrigins.clear();
    m_debounces.clear();
    m_maxWaits.clear();
    m_latest.clear();
    m_book.queue.jobs.clear();
    for (auto source : active)
        source.request_stop();
}

void ClaimIntake::endSession() {
    cancelAllWork();
    m_segments.clear();
    m_book.recent.clear();
}

void ClaimIntake::clearContext() {
    endSession();
    m_book.findings.clear();
    m_book.queue = JobQueue{};
    m_book.filtered = 0;
}

} // namespace brindle
