#include "sessionhistory.h"

#include "apperror.h"
#include "historydatabase.h"

#include <QCoroFuture>
#include <QDir>
#include <QPointer>
#include <QSemaphore>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

#include <type_traits>

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

namespace {

// The awaited future is a parameter, never a temporary of the co_await expression: GCC 12 frees
// the captures of a closure made inside a co_await expression twice.
template<typename T>
QCoro::Task<T> whenRead(QFuture<T> read) {
    co_return co_await read;
}

} // namespace

// Reads run on the history's thread after every write queued before them. The result arrives
// through the event loop; it holds nothing of this object, so it is safe to receive after the
// history is gone (its destructor lets every queued read finish first).
template<typename Read>
auto SessionHistory::queueRead(Read read) {
    using Result = std::invoke_result_t<Read, HistoryDatabase &>;
    return whenRead(QtConcurrent::run(&m_pool, [worker = m_worker, read = std::move(read)] {
        QString ignored;
        HistoryDatabase *db = worker->get(ignored);
        return db ? read(*db) : Result{};
    }));
}

QCoro::Task<QList<SessionSummary>> SessionHistory::sessions() {
    return queueRead([](HistoryDatabase &db) { return db.sessions(); });
}

QCoro::Task<std::optional<SessionRecord>> SessionHistory::session(qint64 id) {
    return queueRead([id](HistoryDatabase &db) { return db.session(id); });
}

QCoro::Task<std::optional<qint64>> SessionHistory::sessionId(QUuid key) {
    return queueRead([key](HistoryDatabase &db) { return db.sessionId(key); });
}

// Not QThreadPool::waitForDone(): that ends the thread, and the connection belongs to it.
void SessionHistory::waitForWrites() {
    QSemaphore done;
    m_pool.start([&done] { done.release(); });
    done.acquire();
}

} // namespace brindle
