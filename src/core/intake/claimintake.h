/**
 * @file
 * Decides when transcript text becomes a claim to check. Each report is routed to its channel
 * ("microphone" for the user's own "You: " text, "application" for everything else) and held back
 * until the speaker pauses (debounce), forced through at the last finished sentence after a stretch
 * of continuous speech (max-wait), or taken at once when the recognizer finishes the utterance.
 * Candidates become ClaimJobs under the session's check limit and wait in the ClaimBook's queue.
 * When wording that already produced claims is revised or corrected, the stale claims are withdrawn
 * wherever they are before the new wording is queued.
 *
 * The session controller owns one ClaimIntake for its whole life and implements ClaimIntakeHost;
 * both must outlive nothing here: timers are TimerHandles owned by this object, so destroying it
 * cancels them. Main thread only.
 */
#pragma once

#include "claimbook.h"
#include "claimintakehost.h"
#include "scheduler.h"
#include "transcriptstate.h"

#include <QHash>
#include <QString>

#include <map>

namespace brindle {

class ClaimIntake {
public:
    static constexpr double debounceSeconds = 0.85;
    static constexpr double maxWaitSeconds = 4.0;
    static constexpr qsizetype shortestCandidate = 8;
    static constexpr qsizetype longestJobText = 2500;
    static constexpr qsizetype displayedTranscript = 6000;

    static QString applicationChannel() { return QStringLiteral("application"); }
    static QString microphoneChannel() { return QStringLiteral("microphone"); }
    static QString checkLimitMessage() {
        return QStringLiteral(
            "Session check limit reached. Stop and start a new session to continue.");
    }
    static QString revisedStatus() {
        return QStringLiteral("Transcript revised \u00B7 checking updated wording");
    }

    /// "microphone" for text that begins with exactly "You: ", else "application".
    static QString channelOf(const QString &reportText);

    ClaimIntake(Scheduler &scheduler, ClaimIntakeHost &host);
    ClaimIntake(const ClaimIntake &) = delete;
    ClaimIntake &operator=(const ClaimIntake &) = delete;

    /// One report from the capture layer: the running text of a channel's utterance.
    void handleTranscript(const QString &text, bool isFinal);

    /// The gate between candidates and the queue: the check limit, then enqueue and drain.
    void submit(ClaimJob job);

    /// Withdraws the claims that `update` makes stale in `channel` and widens the update to cover
    /// all of their text. Returns the update to check instead.
    TranscriptUpdate reconcileRevision(TranscriptUpdate update, const QString &channel);

    /// Removes claims with these origins from the checks in flight (cancelling them), the queue,
    /// the findings and the context.
    void withdraw(const QSet<ClaimOrigin> &origins);

    /// Cancels every timer and check, empties the queue's jobs (keeping its dropped count) and
    /// renews the generation.
    void cancelAllWork();
    /// cancelAllWork(), and forgets the segmentation and the context: utterances count from 0.
    void endSession();
    /// endSession(), and forgets the findings and the dropped and filtered counts.
    void clearContext();

    ClaimBook &book() { return m_book; }
    const ClaimBook &book() const { return m_book; }
    const QHash<QString, TranscriptState> &segments() const { return m_segments; }

private:
    struct LatestReport {
        QString text;
        QDateTime arrivedAt;
    };

    void debounceElapsed(QString channel, QString text, QDateTime arrivedAt, QUuid generation);
    void maxWaitElapsed(QString channel, QUuid generation);
    void makeCandidate(TranscriptUpdate update, const QString &channel, const QDateTime &heardAt);

    Scheduler &m_scheduler;
    ClaimIntakeHost &m_host;
    ClaimBook m_book;
    QHash<QString, TranscriptState> m_segments; ///< missing entry = fresh state
    std::map<QString, TimerHandle> m_debounces;
    std::map<QString, TimerHandle> m_maxWaits;
    QHash<QString, LatestReport> m_latest;
};

} // namespace brindle
