/**
 * @file
 * The session history file: one SQLite connection, used only on the thread that opened it.
 * Opening checks the file and brings its schema up to date; a file that cannot be read, that is
 * not ours, or that a newer Brindle wrote is moved aside (never overwritten) and a fresh one is
 * started, with a notice saying where the old one went. Every write is one transaction with
 * synchronous commits, so a crash loses at most the write under way.
 *
 * Writes throw AppError when the database refuses them; reads return what is there.
 */
#pragma once

#include "historyrecords.h"

#include <QSqlDatabase>
#include <QString>

#include <memory>
#include <optional>

namespace brindle {

class HistoryDatabase {
public:
    struct Opened {
        std::unique_ptr<HistoryDatabase> database; ///< absent when no file could be opened
        QString notice;                            ///< what was set aside, or why it failed
    };

    /// Opens (or creates) the history at `path` for reading and writing.
    static Opened open(const QString &path);
    /// Opens an existing history for reading only; changes nothing on disk. Absent with a notice
    /// when the file is damaged or newer, absent without one when there is no history yet.
    static Opened openReadOnly(const QString &path);

    ~HistoryDatabase();
    HistoryDatabase(const HistoryDatabase &) = delete;
    HistoryDatabase &operator=(const HistoryDatabase &) = delete;

    void beginSession(const SessionStart &start);
    /// Adds the finding and stores the session's counts as they are now.
    void addFinding(const QUuid &session, const HistoryFinding &finding,
                    const SessionCounts &counts);
    void removeFindings(const QUuid &session, const QList<QUuid> &findings);
    /// Stores one finished line of the transcript (a later write of the same line replaces it).
    void setTranscriptLine(const QUuid &session, int line, const QString &text);
    void finishSession(const QUuid &session, const QDateTime &endedAt, const SessionCounts &counts);
    void deleteSession(qint64 id);
    void deleteAll();

    /// Newest first.
    QList<SessionSummary> sessions() const;
    std::optional<SessionRecord> session(qint64 id) const;
    std::optional<qint64> sessionId(const QUuid &key) const;

private:
    explicit HistoryDatabase(QSqlDatabase db);
    template<typename Body>
    void write(Body body);

    QSqlDatabase m_db;
};

} // namespace brindle
