/**
 * @file
 * Keeps every live session in the history: it watches the session controller and, while a session
 * runs, hands the history each published finding (with the time its claim was heard), each
 * withdrawn one, each finished transcript line and the counts; when the session ends it stores
 * the last open lines and the end time. Findings of the demo and typed claims checked outside a
 * session are not kept. Nothing is recorded while `keep` says no. The controller and the history
 * must outlive it; destroying it ends a session still running. Main thread only.
 */
#pragma once

#include "transcriptlog.h"

#include <QObject>
#include <QUuid>

#include <functional>
#include <optional>

namespace brindle {

class Scheduler;
class SessionHistory;
class SessionStore;
struct Finding;
struct SessionCounts;

class LiveSessionRecorder : public QObject {
    Q_OBJECT

public:
    LiveSessionRecorder(SessionStore &store, SessionHistory &history, Scheduler &scheduler,
                        std::function<bool()> keep, QObject *parent = nullptr);
    ~LiveSessionRecorder() override;

    /// The key of the session being recorded, if one is.
    std::optional<QUuid> currentSession() const { return m_session; }

private:
    void runningChanged();
    void begin();
    void end();
    void record(const Finding &finding);
    void withdraw(const QList<QUuid> &ids);
    void transcribe(const QString &text, bool isFinal);
    SessionCounts counts() const;

    SessionStore &m_store;
    SessionHistory &m_history;
    Scheduler &m_scheduler;
    std::function<bool()> m_keep;
    std::optional<QUuid> m_session;
    TranscriptLog m_transcript;
};

} // namespace brindle
