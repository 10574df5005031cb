/**
 * @file
 * Checks a recording: decodes the file, transcribes it faster than it plays, and runs the text
 * through the same claim intake and claim pipeline a live session uses, on the recording's own
 * clock. The clock stands still while a check is under way, so the intake's pauses and the
 * pipeline's budgets, queue and context see the recording as if it played in real time with an
 * instant checker. Every finding keeps the position in the recording where its claim was heard.
 *
 * One recording at a time; the settings and checker must outlive the session. A file that cannot
 * be decoded leaves the previous results alone. Main thread only.
 */
#pragma once

#include "claimcheckerport.h"
#include "claimintake.h"
#include "claimintakehost.h"
#include "claimpipeline.h"
#include "claimpipelinehost.h"
#include "recordingclock.h"
#include "recordingtranscriber.h"
#include "sessionsettingsport.h"

#include <QObject>
#include <QSet>

#include <deque>
#include <memory>

namespace brindle {

class MediaDecoder;

struct RecordingFinding {
    Finding finding;
    double position = 0; ///< seconds into the recording where the claim was heard
};

/// "mm:ss" (minutes past 59 keep counting: "75:03").
QString recordingPositionText(double seconds);

class RecordingSession : public QObject, private ClaimIntakeHost, private ClaimPipelineHost {
    Q_OBJECT

public:
    /// Seconds of recording time the intake is given after the last words, so a pause still
    /// ends the last claim.
    static constexpr double closingSeconds = ClaimIntake::maxWaitSeconds + 1.0;

    static QString liveSessionRunningMessage() {
        return QStringLiteral("Stop listening before checking a recording.");
    }

    RecordingSession(SessionSettingsPort &settings, ClaimCheckerPort &checker,
                     RecordingTranscriber::RecognizerFactory makeRecognizer,
                     QObject *parent = nullptr);
    ~RecordingSession() override;

    /// Tells whether a live session runs or starts; a recording is refused meanwhile.
    std::function<bool()> liveSessionActive;

    /// Starts checking `path`; false (and `error` set) when it cannot start.
    bool start(const QString &path, EvidenceMode mode, ReferenceCorpus documents);
    /// Stops the recording; the findings so far stay.
    void cancel();

    bool isRunning() const override { return m_running; }
    const QString &fileName() const { return m_fileName; }
    EvidenceMode evidenceMode() const override { return m_mode; }
    double position() const { return m_position; }
    double duration() const { return m_duration; }
    qint64 claimsFound() const;
    qint64 checksDone() const;
    /// The intake's book: checks used, claims dropped by the queue and claims set aside.
    const ClaimBook &book() const { return m_intake.book(); }
    const QString &error() const { return m_error; }
    /// The findings, in recording order.
    const QList<RecordingFinding> &findings() const { return m_findings; }
    /// Every final utterance, one "[mm:ss] text" line each.
    const QString &transcript() const { return m_transcript; }

Q_SIGNALS:
    /// The file decodes: a new run begins and the previous results were cleared.
    void started(const QString &fileName, brindle::EvidenceMode mode);
    void findingAdded(const brindle::RecordingFinding &finding);
    void findingsChanged();
    void progressChanged();
    void isRunningChanged();
    void errorChanged();
    /// The run is over; `completed` is false when it was cancelled or failed.
    void finished(bool completed);

private:
    // ClaimIntakeHost / ClaimPipelineHost
    bool isStarting() const override { return false; }
    std::int64_t maxChecksPerSession() const override;
    void setTranscript(const QString &) override {}
    void setStatus(const QString &) override {}
    void setError(const QString &message) override;
    void drainQueue() override { m_pipeline.drainQueue(); }
    void refreshCounts() override;
    ReferenceCorpus referenceCorpus() const override { return m_documents; }

    void begin();
    void receive(const TimedText &text);
    void schedulePump();
    void pump();
    bool checking() const;
    void end(bool completed, const QString &failure = {});
    void collectFindings();
    void setPosition(Duration position);

    SessionSettingsPort &m_settings;
    RecordingTranscriber::RecognizerFactory m_makeRecognizer;
    RecordingClock m_clock;
    ClaimIntake m_intake;
    ClaimPipeline m_pipeline;
    std::unique_ptr<RecordingTranscriber> m_transcriber;
    std::unique_ptr<MediaDecoder> m_decoder;

    bool m_running = false;
    bool m_begun = false;
    bool m_decoded = false;
    bool m_pumpPosted = false;
    QString m_fileName;
    QString m_pendingFileName; ///< the file of a run that has not begun decoding yet
    EvidenceMode m_pendingMode = EvidenceMode::web;
    ReferenceCorpus m_pendingDocuments;
    EvidenceMode m_mode = EvidenceMode::web;
    ReferenceCorpus m_documents;
    Duration m_runStart{0}; ///< clock time at the recording's first sample
    Duration m_lastText{0}; ///< position of the last report
    double m_position = 0;
    double m_duration = 0;
    qint64 m_refusedByLimit = 0;
    std::deque<TimedText> m_texts;
    QString m_error;
    QList<RecordingFinding> m_findings;
    QSet<QUuid> m_seen;
    QString m_transcript;
};

/// Runs an event loop until `session`, already started, ends; true when its recording was checked
/// to the end. For callers without an event loop of their own (the command line, benchmarks).
bool waitForEnd(RecordingSession &session);

} // namespace brindle

Q_DECLARE_METATYPE(brindle::RecordingFinding)
