#include "historyviewmodel.h"
#include "historypreference.h"
#include "recordinghistoryrecorder.h"
#include "recordingsession.h"
#include "report.h"
#include "scriptedrecognizer.h"
#include "sessionfakes.h"
#include "sessionhistory.h"
#include "systemscheduler.h"
#include "testregistry.h"
#include "virtualscheduler.h"
#include "wavfile.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace brindle;
using namespace brindle::test;

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

// A session with one finding per quote, written through the history as the app does; a
// recording's findings come in the reverse of their order in the recording.
QUuid keep(SessionHistory &history, SessionKind kind, const QString &source, const QDateTime &at,
           const QStringList &quotes) {
    SessionStart start{QUuid::createUuid(), kind, at, source, EvidenceMode::web};
    history.beginSession(start);
    for (const auto &quote : quotes) {
        const auto f = finding(quote, at.addSecs(60));
        if (kind == SessionKind::live)
            history.addFinding(start.key, {f, f.createdAt.addSecs(-1), std::nullopt}, {});
        else
            history.addFinding(start.key, {f, std::nullopt, 84.0 - quotes.indexOf(quote)}, {});
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
        QVERIFY(
            newest[QStringLiteral("countsText")].toString().endsWith(QStringLiteral("2 findings")));

        // A session kept while the view shows appears without asking.
        keep(history, SessionKind::live, QStringLiteral("Zoom"), day.addDays(2), {});
        QVERIFY(listsSoon(view, 3));

        QSignalSpy opened(&view, &HistoryViewModel::selectedChanged);
        view.openSessionWithKey(recording);
        QVERIFY(!opened.isEmpty() || opened.wait()); // a quick read publishes at once
        QCOMPARE(view.selectedFindings().size(), 2);
        const auto first = view.selectedFindings()[0].toMap();
        QCOMPARE(first[QStringLiteral("quote")].toString(), QStringLiteral("C"));
        QCOMPARE(first[QStringLiteral("timeText")].toString(), QStringLiteral("At 01:23"));

        QVERIFY(
            !view.exportReport(QUrl::fromLocalFile(dir.filePath(QStringLiteral("r.txt"))), false));
        QVERIFY(view.exportStatus().contains(QStringLiteral(".html")));

        view.deleteSession(view.selected()[QStringLiteral("id")].toLongLong());
        QCOMPARE(view.selected()[QStringLiteral("id")].toLongLong(), -1);
        QVERIFY(listsSoon(view, 2));
        view.deleteAll();
        QVERIFY(listsSoon(view, 0));
    }

    // A checked recording the app kept is listed by its next run; one checked with the setting
    // off is not kept, yet its report can be saved.
    void keptSessionsOutliveARestart() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("history.sqlite"));
        const QString talk = dir.filePath(QStringLiteral("talk.wav"));
        QFile wav(talk);
        QVERIFY(wav.open(QIODevice::WriteOnly));
        wav.write(wavBytes(utterances(1)));
        wav.close();
        {
            VirtualScheduler scheduler;
            SystemScheduler checkerTime;
            FakeSettings settings;
            FakeChecker checker{checkerTime};
            checker.delay = Duration::zero();
            RecordingSession recording{
                settings, checker, [] {
                    return std::make_unique<ScriptedRecognizer>(std::make_shared<QStringList>(
                        QStringList{QStringLiteral("The bridge opened in 1932.")}));
                }};
            SessionHistory history(file);
            bool keepOn = true;
            RecordingHistoryRecorder recorder(recording, history, scheduler,
                                              [&keepOn] { return keepOn; });

            for (const bool keep : {true, false}) {
                keepOn = keep;
                QVERIFY(recording.start(talk, EvidenceMode::web, {}));
                QTRY_VERIFY(!recording.isRunning());
                QCOMPARE(recording.findings().size(), 1);
                QCOMPARE(recorder.keptSession().has_value(), keep);
            }
            const QString report = dir.filePath(QStringLiteral("talk.md"));
            QVERIFY(saveReport(*recorder.lastRun(), report, {true}).saved);
            QFile written(report);
            QVERIFY(written.open(QIODevice::ReadOnly));
            QVERIFY(written.readAll().contains("Recording · talk.wav"));
        }

        SessionHistory history(file);
        HistoryPreference preference(std::make_unique<QSettings>(
            dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat));
        HistoryViewModel view(history, preference);
        view.setActive(true);
        QVERIFY(listsSoon(view, 1));
        const auto recorded = view.sessions()[0].toMap();
        QCOMPARE(recorded[QStringLiteral("title")].toString(),
                 QStringLiteral("Recording · talk.wav"));

        QSignalSpy opened(&view, &HistoryViewModel::selectedChanged);
        view.open(recorded[QStringLiteral("id")].toLongLong());
        QVERIFY(!opened.isEmpty() || opened.wait()); // a quick read publishes at once
        QCOMPARE(view.selectedFindings().size(), 1);
        const auto finding = view.selectedFindings()[0].toMap();
        QCOMPARE(finding[QStringLiteral("quote")].toString(),
                 QStringLiteral("The bridge opened in 1932."));
        QCOMPARE(finding[QStringLiteral("timeText")].toString(), QStringLiteral("At 00:03"));
        QVERIFY(view.selectedTranscript().contains(QStringLiteral("The bridge opened in 1932.")));
        QVERIFY(view.selected()[QStringLiteral("countsText")].toString().startsWith(
            QStringLiteral("Checked 1")));
    }

    // Answers to reads still under way when the view and the history go are dropped.
    void readsOutliveTheirReaders() {
        QTemporaryDir dir;
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
