#include "historydatabase.h"

#include "apperror.h"
#include "historyschema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace brindle {

namespace {

const QString driver = QStringLiteral("QSQLITE");

enum class FileState { fine, damaged, newer };

QSqlDatabase connectTo(const QString &path, bool readOnly) {
    auto db = QSqlDatabase::addDatabase(driver, QStringLiteral("brindle-history-") +
                                                    QUuid::createUuid().toString(QUuid::Id128));
    db.setDatabaseName(path);
    db.setConnectOptions(readOnly
                             ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000")
                             : QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    return db;
}

void disconnect(QSqlDatabase &db) {
    const QString name = db.connectionName();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

std::optional<QVariant> scalar(QSqlDatabase &db, const QString &statement) {
    QSqlQuery query(db);
    if (!query.exec(statement) || !query.next())
        return std::nullopt;
    return query.value(0);
}

// A file is ours and readable when SQLite can check it, it passes the check, and it is either at
// a version we know or empty.
FileState inspect(QSqlDatabase &db) {
    if (!db.open())
        return FileState::damaged;
    const auto version = scalar(db, QStringLiteral("PRAGMA user_version"));
    const auto check = scalar(db, QStringLiteral("PRAGMA quick_check"));
    if (!version || !check || check->toString() != QLatin1String("ok"))
        return FileState::damaged;
    if (version->toInt() > history::currentSchemaVersion)
        return FileState::newer;
    if (version->toInt() == 0) {
        const auto tables = scalar(db, QStringLiteral("SELECT count(*) FROM sqlite_master"));
        if (!tables || tables->toInt() != 0)
            return FileState::damaged;
    }
    return FileState::fine;
}

FileState inspectFile(const QString &path, bool readOnly) {
    auto db = connectTo(path, readOnly);
    const FileState state = inspect(db);
    disconnect(db);
    return state;
}

// history.sqlite -> history.damaged-20261206-231500.sqlite (or .newer-...), never over a file
// that is already there. SQLite's journal files go along with it.
QString setAside(const QString &path, FileState state) {
    const QFileInfo info(path);
    const QString label =
        state == FileState::newer ? QStringLiteral("newer") : QStringLiteral("damaged");
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside;
    for (int n = 1;; ++n) {
        aside = info.dir().filePath(QStringLiteral("%1.%2-%3%4.%5")
                                        .arg(info.completeBaseName(), label, stamp,
                                             n == 1 ? QString() : QStringLiteral("-%1").arg(n),
                                             info.suffix()));
        if (!QFile::exists(aside) && !QFile::exists(aside + QStringLiteral("-wal")))
            break;
    }
    if (!QFile::rename(path, aside))
        return {};
    for (const auto &journal : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFile::exists(path + journal))
            QFile::rename(path + journal, aside + journal);
    }
    return aside;
}

QString setAsideNotice(FileState state, const QString &aside) {
    const QString name = QFileInfo(aside).fileName();
    if (state == FileState::newer)
        return QStringLiteral("The session history was written by a newer version of Brindle. It "
                              "was set aside as %1 and a new history was started.")
            .arg(name);
    return QStringLiteral("The session history could not be read. It was set aside as %1 and a "
                          "new history was started.")
        .arg(name);
}

QString unavailableNotice(const QString &reason) {
    return QStringLiteral("The session history could not be opened (%1). Sessions are not being "
                          "saved.")
        .arg(reason);
}

void exec(QSqlQuery &query) {
    if (!query.exec())
        throw AppError(query.lastError().text());
}

qint64 millis(const QDateTime &time) {
    return time.toMSecsSinceEpoch();
}

QDateTime fromMillis(const QVariant &value) {
    return QDateTime::fromMSecsSinceEpoch(value.toLongLong(), Qt::UTC);
}

QString sourcesJson(const QList<EvidenceSource> &sources) {
    QJsonArray array;
    for (const auto &source : sources)
        array.append(source.toJson());
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

QList<EvidenceSource> sourcesFromJson(const QString &json) {
    QList<EvidenceSource> sources;
    for (const auto &value : QJsonDocument::fromJson(json.toUtf8()).array()) {
        if (auto source = EvidenceSource::fromJson(value))
            sources.append(*source);
    }
    return sources;
}

const QString summaryColumns = QStringLiteral(
    "s.id, s.key, s.kind, s.started_at, s.ended_at, s.source, s.evidence_mode, s.checked, "
    "s.skipped, s.filtered, (SELECT count(*) FROM findings f WHERE f.session_id = s.id)");

SessionSummary summaryFrom(const QSqlQuery &q) {
    SessionSummary s;
    s.id = q.value(0).toLongLong();
    s.key = QUuid::fromString(q.value(1).toString());
    s.kind = sessionKindFromName(q.value(2).toString()).value_or(SessionKind::live);
    s.startedAt = fromMillis(q.value(3));
    if (!q.value(4).isNull())
        s.endedAt = fromMillis(q.value(4));
    s.source = q.value(5).toString();
    s.evidenceMode = evidenceModeFromLabel(q.value(6).toString()).value_or(EvidenceMode::web);
    s.counts = {q.value(7).toLongLong(), q.value(8).toLongLong(), q.value(9).toLongLong()};
    s.findingCount = q.value(10).toLongLong();
    return s;
}

const QString sessionIdOf = QStringLiteral("(SELECT id FROM sessions WHERE key = :session)");

} // namespace

HistoryDatabase::Opened HistoryDatabase::open(const QString &path) {
    if (!QSqlDatabase::isDriverAvailable(driver))
        return {nullptr, unavailableNotice(QStringLiteral("Qt's SQLite driver is not installed"))};
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return {nullptr, unavailableNotice(QStringLiteral("cannot create its folder"))};

    QString notice;
    if (QFile::exists(path)) {
        if (const FileState state = inspectFile(path, false); state != FileState::fine) {
            const QString aside = setAside(path, state);
            if (aside.isEmpty())
                return {nullptr, unavailableNotice(QStringLiteral("it is damaged and could not "
                                                                  "be moved aside"))};
            notice = setAsideNotice(state, aside);
        }
    }

    auto db = connectTo(path, false);
    try {
        if (!db.open())
            throw AppError(db.lastError().text());
        for (const auto &pragma : {QStringLiteral("PRAGMA journal_mode = WAL"),
                                   QStringLiteral("PRAGMA synchronous = FULL"),
                                   QStringLiteral("PRAGMA foreign_keys = ON")}) {
            if (!scalar(db, pragma) && db.lastError().isValid())
                throw AppError(db.lastError().text());
        }
        history::migrate(db, scalar(db, QStringLiteral("PRAGMA user_version"))->toInt());
    } catch (const AppError &error) {
        disconnect(db);
        return {nullptr, unavailableNotice(error.message())};
    }
    return {std::unique_ptr<HistoryDatabase>(new HistoryDatabase(db)), notice};
}

HistoryDatabase::Opened HistoryDatabase::openReadOnly(const QString &path) {
    if (!QSqlDatabase::isDriverAvailable(driver))
        return {nullptr, unavailableNotice(QStringLiteral("Qt's SQLite driver is not installed"))};
    if (!QFile::exists(path))
        return {};
    auto db = connectTo(path, true);
    switch (inspect(db)) {
    case FileState::fine:
        break;
    case FileState::newer:
        disconnect(db);
        return {nullptr, QStringLiteral("The session history was written by a newer version of "
                                        "Brindle.")};
    case FileState::damaged:
        disconnect(db);
        return {nullptr, QStringLiteral("The session history could not be read.")};
    }
    // An empty file (never migrated) reads as an empty history.
    if (scalar(db, QStringLiteral("PRAGMA user_version"))->toInt() == 0) {
        disconnect(db);
        return {};
    }
    return {std::unique_ptr<HistoryDatabase>(new HistoryDatabase(db)), {}};
}

HistoryDatabase::HistoryDatabase(QSqlDatabase db)
    : m_db(std::move(db)) {}

HistoryDatabase::~HistoryDatabase() {
    disconnect(m_db);
}

template<typename Body>
void HistoryDatabase::write(Body body) {
    if (!m_db.transaction())
        throw AppError(m_db.lastError().text());
    try {
        body();
    } catch (...) {
        m_db.rollback();
        throw;
    }
    if (!m_db.commit()) {
        const QString reason = m_db.lastError().text();
        m_db.rollback();
        throw AppError(reason);
    }
}

void HistoryDatabase::beginSession(const SessionStart &start) {
    write([&] {
        QSqlQuery q(m_db);
        q.prepare(QStringLiteral("INSERT INTO sessions (key, kind, started_at, source, "
                                 "evidence_mode) VALUES (:key, :kind, :started, :source, :mode)"));
        q.bindValue(QStringLiteral(":key"), start.key.toString(QUuid::WithoutBraces));
        q.bindValue(QStringLiteral(":kind"), sessionKindName(start.kind));
        q.bindValue(QStringLiteral(":started"), millis(start.startedAt));
        q.bindValue(QStringLiteral(":source"), start.source);
        q.bindValue(QStringLiteral(":mode"), evidenceModeLabel(start.evidenceMode));
        exec(q);
    });
}

static void storeCounts(QSqlDatabase &db, const QUuid &session, const SessionCounts &counts,
                        const std::optional<QDateTime> &endedAt) {
    QSqlQuery q(db);
    q.prepare(QStringLiteral("UPDATE sessions SET checked = :checked, skipped = :skipped, "
                             "filtered = :filtered%1 WHERE key = :session")
                  .arg(endedAt ? QStringLiteral(", ended_at = :ended") : QString()));
    q.bindValue(QStringLiteral(":checked"), counts.checked);
    q.bindValue(QStringLiteral(":skipped"), counts.skipped);
    q.bindValue(QStringLiteral(":filtered"), counts.filtered);
    if (endedAt)
        q.bindValue(QStringLiteral(":ended"), millis(*endedAt));
    q.bindValue(QStringLiteral(":session"), session.toString(QUuid::WithoutBraces));
    exec(q);
}

void HistoryDatabase::addFinding(const QUuid &session, const HistoryFinding &entry,
                                 const SessionCounts &counts) {
    const Finding &f = entry.finding;
    write([&] {
        QSqlQuery q(m_db);
        // Nothing is added to a session that was deleted meanwhile.
        q.prepare(QStringLiteral("INSERT INTO findings (session_id, key, quote, verdict, "
                                 "explanation, eyebrow, created_at, elapsed, heard_at, position, "
                                 "sources) SELECT id, :key, :quote, :verdict, :explanation, "
                                 ":eyebrow, :created, :elapsed, :heard, :position, :sources "
                                 "FROM sessions WHERE key = :session"));
        q.bindValue(QStringLiteral(":session"), session.toString(QUuid::WithoutBraces));
        q.bindValue(QStringLiteral(":key"), f.id.toString(QUuid::WithoutBraces));
        q.bindValue(QStringLiteral(":quote"), f.quote);
        q.bindValue(QStringLiteral(":verdict"), verdictRawValue(f.verdict));
        q.bindValue(QStringLiteral(":explanation"), f.explanation);
        q.bindValue(QStringLiteral(":eyebrow"), f.eyebrow);
        q.bindValue(QStringLiteral(":created"), millis(f.createdAt));
        q.bindValue(QStringLiteral(":elapsed"), f.elapsed);
        q.bindValue(QStringLiteral(":heard"),
                    entry.heardAt ? QVariant(millis(*entry.heardAt)) : QVariant());
        q.bindValue(QStringLiteral(":position"),
                    entry.position ? QVariant(*entry.position) : QVariant());
        q.bindValue(QStringLiteral(":sources"), sourcesJson(f.sources));
        exec(q);
        storeCounts(m_db, session, counts, std::nullopt);
    });
}

void HistoryDatabase::removeFindings(const QUuid &session, const QList<QUuid> &findings) {
    write([&] {
        for (const auto &finding : findings) {
            QSqlQuery q(m_db);
            q.prepare(QStringLiteral("DELETE FROM findings WHERE session_id = %1 AND key = :key")
                          .arg(sessionIdOf));
            q.bindValue(QStringLiteral(":session"), session.toString(QUuid::WithoutBraces));
            q.bindValue(QStringLiteral(":key"), finding.toString(QUuid::WithoutBraces));
            exec(q);
        }
    });
}

void HistoryDatabase::setTranscriptLine(const QUuid &session, int line, const QString &text) {
    write([&] {
        QSqlQuery q(m_db);
        q.prepare(QStringLiteral("INSERT OR REPLACE INTO transcript_lines (session_id, line, text) "
                                 "SELECT id, :line, :text FROM sessions WHERE key = :session"));
        q.bindValue(QStringLiteral(":session"), session.toString(QUuid::WithoutBraces));
        q.bindValue(QStringLiteral(":line"), line);
        q.bindValue(QStringLiteral(":text"), text);
        exec(q);
    });
}

void HistoryDatabase::finishSession(const QUuid &session, const QDateTime &endedAt,
                                    const SessionCounts &counts) {
    write([&] { storeCounts(m_db, session, counts, endedAt); });
}

void HistoryDatabase::deleteSession(qint64 id) {
    write([&] {
        QSqlQuery q(m_db);
        q.prepare(QStringLiteral("DELETE FROM sessions WHERE id = :id"));
        q.bindValue(QStringLiteral(":id"), id);
        exec(q);
    });
}

void HistoryDatabase::deleteAll() {
    write([&] {
        QSqlQuery q(m_db);
        q.prepare(QStringLiteral("DELETE FROM sessions"));
        exec(q);
    });
    // Deleted text must not linger in free pages or the journal.
    QSqlQuery(m_db).exec(QStringLiteral("VACUUM"));
    QSqlQuery(m_db).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
}

QList<SessionSummary> HistoryDatabase::sessions() const {
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    QList<SessionSummary> list;
    if (!q.exec(QStringLiteral("SELECT %1 FROM sessions s ORDER BY s.started_at DESC, s.id DESC")
                    .arg(summaryColumns)))
        return list;
    while (q.next())
        list.append(summaryFrom(q));
    return list;
}

std::optional<qint64> HistoryDatabase::sessionId(const QUuid &key) const {
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("SELECT id FROM sessions WHERE key = :key"));
    q.bindValue(QStringLiteral(":key"), key.toString(QUuid::WithoutBraces));
    if (!q.exec() || !q.next())
        return std::nullopt;
    return q.value(0).toLongLong();
}

std::optional<SessionRecord> HistoryDatabase::session(qint64 id) const {
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM sessions s WHERE s.id = :id").arg(summaryColumns));
    q.bindValue(QStringLiteral(":id"), id);
    if (!q.exec() || !q.next())
        return std::nullopt;
    SessionRecord record{summaryFrom(q), {}, {}};

    q.prepare(QStringLiteral("SELECT key, quote, verdict, explanation, eyebrow, created_at, "
                             "elapsed, heard_at, position, sources FROM findings "
                             "WHERE session_id = :id ORDER BY id"));
    q.bindValue(QStringLiteral(":id"), id);
    if (q.exec()) {
        while (q.next()) {
            HistoryFinding entry;
            Finding &f = entry.finding;
            f.id = QUuid::fromString(q.value(0).toString());
            f.quote = q.value(1).toString();
            f.verdict = verdictFromRawValue(q.value(2).toString()).value_or(Verdict::unresolved);
            f.explanation = q.value(3).toString();
            f.eyebrow = q.value(4).toString();
            f.createdAt = fromMillis(q.value(5));
            f.elapsed = q.value(6).toDouble();
            if (!q.value(7).isNull())
                entry.heardAt = fromMillis(q.value(7));
            if (!q.value(8).isNull())
                entry.position = q.value(8).toDouble();
            f.sources = sourcesFromJson(q.value(9).toString());
            record.findings.append(entry);
        }
    }

    q.prepare(QStringLiteral("SELECT text FROM transcript_lines WHERE session_id = :id "
                             "ORDER BY line"));
    q.bindValue(QStringLiteral(":id"), id);
    QStringList lines;
    if (q.exec()) {
        while (q.next())
            lines.append(q.value(0).toString());
    }
    record.transcript = lines.join(QLatin1Char('\n'));
    return record;
}

} // namespace brindle
