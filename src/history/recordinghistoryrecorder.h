/**
 * @file
 * Keeps every checked recording in the history: a run that decodes begins a session (the file
 * name, the evidence mode), each finding is added with its position in the recording as it
 * comes, a withdrawn one is removed, and when the run ends its transcript and counts are stored.
 * A cancelled or failed run keeps what it found so far. Nothing is recorded while `keep` says no
 * when the run begins. It also holds the last run as a record, kept or not, so its report can be
 * exported. The recording session and the history must outlive it. Main thread only.
 */
#pragma once

#include "historyrecords.h"

#include <QObject>
#include <QSet>

#include <functional>
#include <optional>

namespace brindle {

class RecordingSession;
class Scheduler;
class SessionHistory;
struct RecordingFinding;

class RecordingHistoryRecorder : public QObject {
    Q_OBJECT

public:
    RecordingHistoryRecorder(RecordingSession &recording, SessionHistory &history,
                             Scheduler &scheduler, std::function<bool()> keep,
                             QObject *parent = nullptr);
    ~RecordingHistoryRecorder() override;

    /// The last run that began (running, ended or cancelled) as a record; absent before one.
    std::optional<SessionRecord> lastRun() const;
    /// The key the last run was kept under in the history; absent when it was not kept.
    std::optional<QUuid> keptSession() const;

private:
    void begin(const QString &fileName, EvidenceMode mode);
    void add(const RecordingFinding &finding);
    void findingsChanged();
    void end();
    SessionCounts counts() const;

    RecordingSession &m_recording;
    SessionHistory &m_history;
    Scheduler &m_scheduler;
    std::function<bool()> m_keep;
    std::optional<SessionStart> m_run;  ///< the last run, once it began
    std::optional<QDateTime> m_endedAt; ///< absent while it runs
    bool m_kept = false;
    QSet<QUuid> m_recorded; ///< findings of the kept run the history holds
};

} // namespace brindle
