#include "sessionhistory.h"

#include "apperror.h"
#include "historydatabase.h"

#include <QCoroFuture>
#include <QDir>
#include <QPointer>
#include <QSemaphore>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

namespace brindle {

// Lives on the pool's one thread: only jobs touch it.
struct SessionHistory::Worker {
    QString path;
    bool opened = false;
    std::unique_ptr<HistoryDatabase> database;

    /// The database, opened on first use; `notice` gets what opening had to say.
    HistoryDatabase *get(QString &notice) {
        if (!opened) {
            opened = true;
            auto result = HistoryDatabase::open(path);
            database = std::move(result.database);
            notice = result.notice;
        }
        return database.get();
    }
};

SessionHistory::SessionHistory(QString path, QObject *parent)
    : QObject(parent)
    , m_worker(std::make_shared<Worker>(Worker{std::move(path), false, nullptr})) {
    // One thread that never exits: a SQLite connection belongs to the thread that opened it.
    m_pool.setMaxThreadCount(1);
    m_pool.setExpiryTimeout(-1);
    m_pool.setObjectName(QStringLiteral("Brindle history"));
    QPointer<SessionHistory> self(this);
    m_pool.start([this, self, worker = m_worker] {
        QString notice;
        worker->get(notice);
        if (!notice.isEmpty())
            QMetaObject::invokeMethod(this, [self, notice] {
                if (self)
                    self->publishNotice(notice);
            });
    });
}

SessionHistory::~SessionHistory() {
    m_pool.start([worker = m_worker] { worker->database.reset(); });
    m_pool.waitForDone();
}

QString SessionHistory::standardPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Brindle/history.sqlite"));
}

void SessionHistory::publishNotice(const QString &notice) {
    if (notice == m_notice)
        return;
    m_notice = notice;
    Q_EMIT noticeChanged();
}

template<typename Job>
void SessionHistory::queueWrite(Job job, bool changesList) {
    QPointer<SessionHistory> self(this);
    m_pool.start([this, self, changesList, worker = m_worker, job = std::move(job)] {
        QString notice;
        HistoryDatabase *db = worker->get(notice);
        if (!db)
            return;
        try {
            job(*db);
        } catch (const AppError &error) {
            notice =
                QStringLiteral("Could not save to the session history: %1").arg(error.message());
        }
        QMetaObject::invokeMethod(this, [self, notice, changesList] {
            if (!self)
                return;
            if (!notice.isEmpty())
                self->publishNotice(notice);
            if (changesList)
                Q_EMIT self->sessionsChanged();
        });
    });
}

void SessionHistory::beginSession(SessionStart start) {
    queueWrite([start](HistoryDatabase &db) { db.beginSession(start); });
}

void SessionHistory::addFinding(QUuid session, HistoryFinding finding, SessionCounts counts) {
    queueWrite([=](HistoryDatabase &db) { db.addFinding(session, finding, counts); });
}

void SessionHistory::removeFindings(QUuid session, QList<QUuid> findings) {
    queueWrite([=](HistoryDatabase &db) { db.removeFindings(session, findings); });
}

void SessionHistory::setTranscriptLine(QUuid session, int line, QString text) {
    queueWrite([=](HistoryDatabase &db) { db.setTranscriptLine(session, line, text); }, false);
}

void SessionHistory::finishSession(QUuid session, QDateTime endedAt, SessionCounts counts) {
    queueWrite([=](HistoryDatabase &db) { db.finishSession(session, endedAt, counts); });
}

void SessionHistory::deleteSession(qint64 id) {
    queueWrite([=](HistoryDatabase &db) { db.deleteSession(id); });
}

void SessionHistory::deleteAll() {
    queueWrite([](HistoryDatabase &db) { db.deleteAll(); });
}

QCoro::Task<QList<SessionSummary>> SessionHistory::sessions() {
    co_return co_await QtConcurrent::run(&m_pool, [worker = m_worker] {
        QString ignored;
        HistoryDatabase *db = worker->get(ignored);
        return db ? db->sessions() : QList<SessionSummary>();
    });
}

QCoro::Task<std::optional<SessionRecord>> SessionHistory::session(qint64 id) {
    co_return co_await QtConcurrent::run(&m_pool, [worker = m_worker, id] {
        QString ignored;
        HistoryDatabase *db = worker->get(ignored);
        return db ? db->session(id) : std::nullopt;
    });
}

QCoro::Task<std::optional<qint64>> SessionHistory::sessionId(QUuid key) {
    co_return co_await QtConcurrent::run(&m_pool, [worker = m_worker, key] {
        QString ignored;
        HistoryDatabase *db = worker->get(ignored);
        return db ? db->sessionId(key) : std::nullopt;
    });
}

// Not QThreadPool::waitForDone(): that ends the thread, and the connection belongs to it.
void SessionHistory::waitForWrites() {
    QSemaphore done;
    m_pool.start([&done] { done.release(); });
    done.acquire();
}

} // namespace brindle
