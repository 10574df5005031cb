#include "livesessionrecorder.h"

#include "scheduler.h"
#include "sessionhistory.h"
#include "sessionstore.h"

#include <cmath>

namespace brindle {

LiveSessionRecorder::LiveSessionRecorder(SessionStore &store, SessionHistory &history,
                                         Scheduler &scheduler, std::function<bool()> keep,
                                         QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_history(history)
    , m_scheduler(scheduler)
    , m_keep(std::move(keep)) {
    connect(&store, &SessionStore::isRunningChanged, this, &LiveSessionRecorder::runningChanged);
    connect(&store, &SessionStore::findingPublished, this, &LiveSessionRecorder::record);
    connect(&store, &SessionStore::findingsWithdrawn, this, &LiveSessionRecorder::withdraw);
    connect(&store, &SessionStore::transcriptReported, this, &LiveSessionRecorder::transcribe);
    runningChanged();
}

LiveSessionRecorder::~LiveSessionRecorder() {
    end();
}

void LiveSessionRecorder::runningChanged() {
    if (m_store.isRunning())
        begin();
    else
        end();
}

void LiveSessionRecorder::begin() {
    if (m_session || !m_keep())
        return;
    QString source;
    for (const auto &candidate : m_store.sources()) {
        if (m_store.selectedSourceID() && candidate.id == *m_store.selectedSourceID())
            source = candidate.name;
    }
    SessionStart start;
    start.kind = SessionKind::live;
    start.startedAt = m_scheduler.now();
    start.source = source;
    start.evidenceMode = m_store.evidenceMode();
    m_session = start.key;
    m_transcript = {};
    m_history.beginSession(start);
}

void LiveSessionRecorder::end() {
    const auto session = std::exchange(m_session, std::nullopt);
    if (!session)
        return;
    for (const auto &line : m_transcript.openLines()) {
        if (!line.text.isEmpty())
            m_history.setTranscriptLine(*session, line.number, line.text);
    }
    m_history.finishSession(*session, m_scheduler.now(), counts());
}

void LiveSessionRecorder::record(const Finding &finding) {
    if (!m_session || finding.isDemo || !m_keep())
        return;
    const auto heardAt = finding.createdAt.addMSecs(-std::llround(finding.elapsed * 1000));
    m_history.addFinding(*m_session, {finding, heardAt, std::nullopt}, counts());
}

void LiveSessionRecorder::withdraw(const QList<QUuid> &ids) {
    if (m_session)
        m_history.removeFindings(*m_session, ids);
}

void LiveSessionRecorder::transcribe(const QString &text, bool isFinal) {
    if (!m_session)
        return;
    if (const auto line = m_transcript.report(text, isFinal); line && m_keep())
        m_history.setTranscriptLine(*m_session, line->number, line->text);
}

SessionCounts LiveSessionRecorder::counts() const {
    return {m_store.checksUsed(), m_store.droppedCount(), m_store.filteredCount()};
}

} // namespace brindle
