#include "historyviewmodel.h"
#include "historypreference.h"
#include "sessionhistory.h"
#include "testregistry.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace brindle;

namespace {

Finding finding(const QString &quote, const QDateTime &createdAt) {
    Finding f;
    f.id = QUuid::createUuid();
    f.quote = quote;
    f.verdict = Verdict::contradicted;
    f.createdAt = createdAt;
    f.elapsed = 1.5;
    return f;
}

// A session with one finding per quote, written through the history as the app does.
QUuid keep(SessionHistory &history, SessionKind kind, const QString &source, const QDateTime &at,
           const QStringList &quotes) {
    SessionStart start{QUuid::createUuid(), kind, at, source, EvidenceMode::web};
    history.beginSession(start);
    for (const auto &quote : quotes) {
        const auto f = finding(quote, at.addSecs(60));
        if (kind == SessionKind::live)
            history.addFinding(start.key, {f, f.createdAt.addSecs(-1), std::nullopt}, {});
        else
            history.addFinding(start.key, {f, std::nullopt, 83.0}, {});
    }
    history.finishSession(start.key, at.addSecs(600), {quotes.size(), 0, 0});
    return start.key;
}

// Waits, without polling, until the published list has `count` rows.
bool listsSoon(HistoryViewModel &view, qsizetype count) {
    QSignalSpy listed(&view, &HistoryViewModel::sessionsChanged);
    while (view.sessions().size() != count) {
        if (!listed.wait(5000))
            return false;
    }
    return true;
}

} // namespace

class HistoryViewModelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listsOpensExportsAndDeletes() {
        QTemporaryDir dir;
        SessionHistory history(dir.filePath(QStringLiteral("history.sqlite")));
        HistoryPreference preference(std::make_unique<QSettings>(
            dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat));
        HistoryViewModel view(history, preference);
        const QDateTime day =
            QDateTime::fromString(QStringLiteral("2026-12-01T10:00:00Z"), Qt::ISODate);
        keep(history, SessionKind::live, QStringLiteral("Firefox"), day, {QStringLiteral("A")});
        const QUuid recording = keep(history, SessionKind::recording, QStringLiteral("debate.mp3"),
                                     day.addDays(1), {QStringLiteral("B"), QStringLiteral("C")});
        history.waitForWrites();

        view.setActive(true);
        QVERIFY(listsSoon(view, 2));
        const auto newest = view.sessions()[0].toMap();
        QCOMPARE(newest[QStringLiteral("title")].toString(),
                 QStringLiteral("Recording · debate.mp3"));
        QVERIFY2(
            newest[QStringLiteral("countsText")].toString().endsWith(QStringLiteral("2 findings")),
            qPrintable(newest[QStringLiteral("countsText")].toString() + view.notice()));

        // A session kept while the view shows appears without asking.
        keep(history, SessionKind::live, QStringLiteral("Zoom"), day.addDays(2), {});
        QVERIFY(listsSoon(view, 3));

        QSignalSpy opened(&view, &HistoryViewModel::selectedChanged);
        view.openSessionWithKey(recording);
        QVERIFY(opened.wait());
        QCOMPARE(view.selectedFindings().size(), 2);
        const auto first = view.selectedFindings()[0].toMap();
        QCOMPARE(first[QStringLiteral("quote")].toString(), QStringLiteral("B"));
        QCOMPARE(first[QStringLiteral("timeText")].toString(), QStringLiteral("At 01:23"));

        const QString html = dir.filePath(QStringLiteral("report.html"));
        QVERIFY(view.exportReport(QUrl::fromLocalFile(html), false));
        QFile written(html);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().startsWith("<!DOCTYPE html>"));
        QVERIFY(
            !view.exportReport(QUrl::fromLocalFile(dir.filePath(QStringLiteral("r.txt"))), false));
        QVERIFY(view.exportStatus().contains(QStringLiteral(".html")));

        view.deleteSession(view.selected()[QStringLiteral("id")].toLongLong());
        QCOMPARE(view.selected()[QStringLiteral("id")].toLongLong(), -1);
        QVERIFY(listsSoon(view, 2));
        view.deleteAll();
        QVERIFY(listsSoon(view, 0));
    }

    // Answers to reads still under way when the view and the history go are dropped.
    void readsOutliveTheirReaders() {
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        {
            SessionHistory history(dir.filePath(QStringLiteral("history.sqlite")));
            HistoryPreference preference(std::make_unique<QSettings>(
                dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat));
            auto view = std::make_unique<HistoryViewModel>(history, preference);
            keep(history, SessionKind::live, QStringLiteral("Zoom"),
                 QDateTime::currentDateTimeUtc(), {QStringLiteral("A")});
            view->setActive(true);
            view->open(1);
            view.reset();
        }
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
};

BRINDLE_REGISTER_TEST(HistoryViewModelTest);

#include "historyviewmodeltest.moc"
