#include "recordinghistoryrecorder.h"

#include "recordingsession.h"
#include "scheduler.h"
#include "sessionhistory.h"

namespace brindle {

RecordingHistoryRecorder::RecordingHistoryRecorder(RecordingSession &recording,
                                                   SessionHistory &history, Scheduler &scheduler,
                                                   std::function<bool()> keep, QObject *parent)
    : QObject(parent)
    , m_recording(recording)
    , m_history(history)
    , m_scheduler(scheduler)
    , m_keep(std::move(keep)) {
    connect(&recording, &RecordingSession::started, this, &RecordingHistoryRecorder::begin);
    connect(&recording, &RecordingSession::findingAdded, this, &RecordingHistoryRecorder::add);
    connect(&recording, &RecordingSession::findingsChanged, this,
            &RecordingHistoryRecorder::findingsChanged);
    connect(&recording, &RecordingSession::finished, this, &RecordingHistoryRecorder::end);
}

RecordingHistoryRecorder::~RecordingHistoryRecorder() {
    end();
}

std::optional<QUuid> RecordingHistoryRecorder::keptSession() const {
    if (!m_run || !m_kept)
        return std::nullopt;
    return m_run->key;
}

void RecordingHistoryRecorder::begin(const QString &fileName, EvidenceMode mode) {
    end();
    SessionStart start;
    start.kind = SessionKind::recording;
    start.startedAt = m_scheduler.now();
    start.source = fileName;
    start.evidenceMode = mode;
    m_run = start;
    m_endedAt.reset();
    m_recorded.clear();
    m_kept = m_keep();
    if (m_kept)
        m_history.beginSession(start);
}

void RecordingHistoryRecorder::add(const RecordingFinding &finding) {
    if (!m_kept || m_endedAt || !m_keep())
        return;
    m_recorded.insert(finding.finding.id);
    m_history.addFinding(m_run->key, {finding.finding, std::nullopt, finding.position}, counts());
}

// A finding the recording no longer lists was withdrawn: its claim was revised.
void RecordingHistoryRecorder::findingsChanged() {
    if (!m_kept || m_endedAt)
        return;
    QSet<QUuid> withdrawn = m_recorded;
    for (const auto &finding : m_recording.findings())
        withdrawn.remove(finding.finding.id);
    if (withdrawn.isEmpty())
        return;
    m_recorded.subtract(withdrawn);
    m_history.removeFindings(m_run->key, withdrawn.values());
}

void RecordingHistoryRecorder::end() {
    if (!m_run || m_endedAt)
        return;
    m_endedAt = m_scheduler.now();
    if (!m_kept)
        return;
    const auto lines = m_recording.transcript().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (int i = 0; i < lines.size(); ++i)
        m_history.setTranscriptLine(m_run->key, i, lines[i]);
    m_history.finishSession(m_run->key, *m_endedAt, counts());
}

std::optional<SessionRecord> RecordingHistoryRecorder::lastRun() const {
    if (!m_run)
        return std::nullopt;
    SessionRecord record;
    SessionSummary &s = record.summary;
    s.key = m_run->key;
    s.kind = SessionKind::recording;
    s.startedAt = m_run->startedAt;
    s.endedAt = m_endedAt;
    s.source = m_run->source;
    s.evidenceMode = m_run->evidenceMode;
    s.counts = counts();
    for (const auto &finding : m_recording.findings())
        record.findings.append({finding.finding, std::nullopt, finding.position});
    s.findingCount = record.findings.size();
    record.transcript = m_recording.transcript();
    return record;
}

SessionCounts RecordingHistoryRecorder::counts() const {
    const auto &book = m_recording.book();
    return {book.checksUsed, book.queue.dropped, book.filtered};
}

} // namespace brindle
