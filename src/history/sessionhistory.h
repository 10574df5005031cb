/**
 * @file
 * The session history as the rest of the app uses it: writes are queued and carried out in order
 * on the history's own thread (one thread that never expires, holding the only connection), so
 * nothing the main thread does waits for the disk; reads come back on the main thread as tasks.
 * The file is opened by the first queued job. Destroying the object finishes every queued write.
 * Main thread only.
 */
#pragma once

#include "historyrecords.h"

#include <QObject>
#include <QThreadPool>
#include <qcorotask.h>

#include <memory>

namespace brindle {

class SessionHistory : public QObject {
    Q_OBJECT

public:
    explicit SessionHistory(QString path, QObject *parent = nullptr);
    ~SessionHistory() override;

    /// history.sqlite in Brindle's folder under the XDG data directory.
    static QString standardPath();

    void beginSession(SessionStart start);
    void addFinding(QUuid session, HistoryFinding finding, SessionCounts counts);
    void removeFindings(QUuid session, QList<QUuid> findings);
    void setTranscriptLine(QUuid session, int line, QString text);
    void finishSession(QUuid session, QDateTime endedAt, SessionCounts counts);
    void deleteSession(qint64 id);
    void deleteAll();

    /// Newest first; empty when the history is unavailable.
    QCoro::Task<QList<SessionSummary>> sessions();
    QCoro::Task<std::optional<SessionRecord>> session(qint64 id);
    /// The number the database gave the session begun with `key`.
    QCoro::Task<std::optional<qint64>> sessionId(QUuid key);

    /// Blocks until every queued job has run (one-shot tools, tests and benchmarks).
    void waitForWrites();

    /// What went wrong with the history file (set aside, unavailable, a refused write); empty
    /// when all is well.
    QString notice() const { return m_notice; }

Q_SIGNALS:
    void noticeChanged();
    /// A session began, ended, was deleted, or gained or lost findings.
    void sessionsChanged();

private:
    struct Worker;
    template<typename Job>
    void queueWrite(Job job, bool changesList = true);
    void publishNotice(const QString &notice);

    QThreadPool m_pool;
    std::shared_ptr<Worker> m_worker;
    QString m_notice;
};

} // namespace brindle
