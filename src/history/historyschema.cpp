#include "historyschema.h"

#include "apperror.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace brindle::history {

namespace {

// migrations[n] takes a file from version n to n + 1. Never edit a released step; add one.
const QList<QStringList> migrations = {
    {
        // Times are milliseconds since the epoch (UTC); a finding has either heard_at (live) or
        // position (seconds into a recording). Sources are a JSON array of title, url, passage.
        QStringLiteral("CREATE TABLE sessions ("
                       " id INTEGER PRIMARY KEY,"
                       " key TEXT NOT NULL UNIQUE,"
                       " kind TEXT NOT NULL CHECK (kind IN ('live', 'recording')),"
                       " started_at INTEGER NOT NULL,"
                       " ended_at INTEGER,"
                       " source TEXT NOT NULL,"
                       " evidence_mode TEXT NOT NULL,"
                       " checked INTEGER NOT NULL DEFAULT 0,"
                       " skipped INTEGER NOT NULL DEFAULT 0,"
                       " filtered INTEGER NOT NULL DEFAULT 0)"),
        QStringLiteral("CREATE INDEX sessions_by_start ON sessions (started_at)"),
        QStringLiteral("CREATE TABLE findings ("
                       " id INTEGER PRIMARY KEY,"
                       " session_id INTEGER NOT NULL REFERENCES sessions (id) ON DELETE CASCADE,"
                       " key TEXT NOT NULL,"
                       " quote TEXT NOT NULL,"
                       " verdict TEXT NOT NULL,"
                       " explanation TEXT NOT NULL,"
                       " eyebrow TEXT NOT NULL,"
                       " created_at INTEGER NOT NULL,"
                       " elapsed REAL NOT NULL,"
                       " heard_at INTEGER,"
                       " position REAL,"
                       " sources TEXT NOT NULL)"),
        QStringLiteral("CREATE INDEX findings_by_session ON findings (session_id, id)"),
        // One row per finished utterance, so a growing transcript is never rewritten whole.
        QStringLiteral("CREATE TABLE transcript_lines ("
                       " session_id INTEGER NOT NULL REFERENCES sessions (id) ON DELETE CASCADE,"
                       " line INTEGER NOT NULL,"
                       " text TEXT NOT NULL,"
                       " PRIMARY KEY (session_id, line)) WITHOUT ROWID"),
    },
};

static_assert(currentSchemaVersion == 1, "add the new step to migrations");

void run(QSqlDatabase &db, const QString &statement) {
    QSqlQuery query(db);
    if (!query.exec(statement))
        throw AppError(query.lastError().text());
}

} // namespace

void migrate(QSqlDatabase &db, int fromVersion) {
    for (int version = fromVersion; version < currentSchemaVersion; ++version) {
        if (!db.transaction())
            throw AppError(db.lastError().text());
        try {
            for (const auto &statement : migrations.at(version))
                run(db, statement);
            run(db, QStringLiteral("PRAGMA user_version = %1").arg(version + 1));
        } catch (...) {
            db.rollback();
            throw;
        }
        if (!db.commit())
            throw AppError(db.lastError().text());
    }
}

} // namespace brindle::history
