// How long the history view takes to show its list with 1,000 kept sessions holding 30,000
// findings: from asking for the list to the published list, the first time (the file opened and
// checked as at launch) and again. Prints medians in milliseconds. Also what saving a finding
// costs the main thread (handing it to the history's thread) against the write itself.
#include "historydatabase.h"
#include "historypreference.h"
#include "historyviewmodel.h"
#include "sessionhistory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace brindle;

namespace {

constexpr int sessionCount = 1000;
constexpr int findingsPerSession = 30;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Fills the history in one transaction (the app writes a finding at a time; that is not timed).
void fill(const QString &path) {
    HistoryDatabase::open(path); // creates the schema
    {
        auto db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        db.open();
        db.transaction();
        QSqlQuery session(db);
        session.prepare(QStringLiteral(
            "INSERT INTO sessions (key, kind, started_at, ended_at, source, evidence_mode, "
            "checked, skipped, filtered) VALUES (?, 'live', ?, ?, 'Firefox', 'Public web', 40, 2, "
            "5)"));
        QSqlQuery finding(db);
        finding.prepare(QStringLiteral(
            "INSERT INTO findings (session_id, key, quote, verdict, explanation, eyebrow, "
            "created_at, elapsed, heard_at, sources) VALUES (?, ?, ?, 'contradicted', ?, 'umm...', "
            "?, 2.5, ?, ?)"));
        const QString sources =
            QStringLiteral(
                "[{\"title\":\"Bridge "
                "history\",\"url\":\"https://h.example/bridge\",\"passage\":\"%1\"},"
                "{\"title\":\"City "
                "archive\",\"url\":\"https://archive.example/p/1937\",\"passage\":\"%1\"}]")
                .arg(QString(300, u'p'));
        const qint64 start = 1'700'000'000'000;
        for (int s = 0; s < sessionCount; ++s) {
            const qint64 at = start + qint64(s) * 3'600'000;
            session.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
            session.addBindValue(at);
            session.addBindValue(at + 1'800'000);
            session.exec();
            const qint64 id = session.lastInsertId().toLongLong();
            for (int f = 0; f < findingsPerSession; ++f) {
                finding.addBindValue(id);
                finding.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
                finding.addBindValue(QStringLiteral("The bridge opened in 1932, claim %1.").arg(f));
                finding.addBindValue(
                    QStringLiteral("Records show it opened in 1937, five years later."));
                finding.addBindValue(at + f * 60'000);
                finding.addBindValue(at + f * 60'000 - 2500);
                finding.addBindValue(sources);
                finding.exec();
            }
        }
        db.commit();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

// Milliseconds from asking for the list to the view model publishing it.
double timeReload(HistoryViewModel &view) {
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    bool published = false;
    QObject::connect(&view, &HistoryViewModel::sessionsChanged, &loop, [&] {
        published = true;
        loop.quit();
    });
    view.reload();
    // A read that ended before it was awaited publishes at once, before the loop would run.
    if (!published)
        loop.exec();
    const double ms = clock.nsecsElapsed() / 1e6;
    if (view.sessions().size() != sessionCount)
        std::fprintf(stderr, "listed %lld sessions\n", qint64(view.sessions().size()));
    return ms;
}

// Microseconds the main thread spends handing each of `count` findings to the history, and
// milliseconds per finding until all are on disk.
std::pair<double, double> timeSaving(SessionHistory &history, int count) {
    SessionStart start;
    start.startedAt = QDateTime::currentDateTimeUtc();
    start.source = QStringLiteral("Firefox");
    history.beginSession(start);
    history.waitForWrites();
    std::vector<double> handing;
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < count; ++i) {
        Finding f;
        f.id = QUuid::createUuid();
        f.quote = QStringLiteral("The bridge opened in 1932, claim %1.").arg(i);
        f.verdict = Verdict::contradicted;
        f.explanation = QStringLiteral("Records show it opened in 1937, five years later.");
        f.sources = {{QStringLiteral("Bridge history"), QStringLiteral("https://h.example/bridge"),
                      QString(300, u'p')}};
        f.createdAt = QDateTime::currentDateTimeUtc();
        QElapsedTimer clock;
        clock.start();
        history.addFinding(start.key, {f, f.createdAt, std::nullopt}, {i + 1, 0, 0});
        handing.push_back(clock.nsecsElapsed() / 1e3);
    }
    history.waitForWrites();
    return {median(handing), total.nsecsElapsed() / 1e6 / count};
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    fill(path);

    std::vector<double> first;
    std::vector<double> again;
    const int runs = std::clamp(argc > 1 ? QByteArray(argv[1]).toInt() : 11, 1, 100);
    for (int run = 0; run < runs; ++run) {
        HistoryPreference preference(std::make_unique<QSettings>(
            dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat));
        QElapsedTimer clock;
        clock.start();
        SessionHistory history(path);
        HistoryViewModel view(history, preference);
        const double opened = clock.nsecsElapsed() / 1e6;
        first.push_back(opened + timeReload(view));
        again.push_back(timeReload(view));
    }
    SessionHistory history(path);
    const auto [handing, writing] = timeSaving(history, 200);
    std::printf("saving a finding: %.1f us on the main thread (median), %.2f ms each on the "
                "history's thread\n",
                handing, writing);
    std::printf("history list, %d sessions / %d findings: first open %.1f ms, again %.1f ms "
                "(medians of %d)\n",
                sessionCount, sessionCount * findingsPerSession, median(first), median(again),
                runs);
    return 0;
}
