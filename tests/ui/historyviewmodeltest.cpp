#include "historyviewmodel.h"
#include "filetree.h"
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

using namespace brindle;
using namespace brindle::test;

namespace {

// A session with one finding per quote, written through the history as the app does; a
// recording's findings come in the reverse of their order in the recording.
QUuid keep(SessionHistory &history, SessionKind kind, const QString &source, const QDateTime &at,
           const QStringList &quotes) {
    SessionStart start{QUuid::createUuid(), kind, at, source, EvidenceMode::web};
    history.beginSession(start);
    for (const auto &quote : quotes) {
        const Finding f{.id = QUuid::createUuid(),
                        .quote = quote,
                        .verdict = Verdict::contradicted,
                        .createdAt = at.addSecs(60),
                        .elapsed = 1.5};
        if (kind == SessionKind::live)
            history.addFinding(start.key, {f, f.createdAt.addSecs(-1), std::nullopt}, {});
        else
            history.addFinding(start.key, {f, std::nullopt, 84.0 - quotes.indexOf(quote)}, {});
    }
    history.finishSession(start.key, at.addSecs(600), {quotes.size(), 0, 0});
    return start.key;
}

// One field of a row the view publishes, as text.
QString text(const QVariant &row, const char *name) {
    return row.toMap().value(QString::fromLatin1(name)).toString();
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

// The History view over the history kept in `files`, as the app builds it.
struct Viewer {
    SessionHistory history;
    HistoryPreference preference;
    HistoryViewModel view{history, preference};

    explicit Viewer(const FileTree &files)
        : history(files.path(QStringLiteral("history.sqlite")))
        , preference(std::make_unique<QSettings>(files.path(QStringLiteral("settings.ini")),
                                                 QSettings::IniFormat)) {}
};

} // namespace

class HistoryViewModelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listsOpensExportsAndDeletes() {
        FileTree files;
        Viewer viewer(files);
        auto &[history, preference, view] = viewer;
        const QDateTime day =
            QDateTime::fromString(QStringLiteral("2026-12-01T10:00:00Z"), Qt::ISODate);
        keep(history, SessionKind::live, QStringLiteral("Firefox"), day, {QStringLiteral("A")});
        const QUuid recording = keep(history, SessionKind::recording, QStringLiteral("debate.mp3"),
                                     day.addDays(1), {QStringLiteral("B"), QStringLiteral("C")});
        history.waitForWrites();

        view.setActive(true);
        QVERIFY(listsSoon(view, 2));
        QCOMPARE(text(view.sessions()[0], "title"), QStringLiteral("Recording · debate.mp3"));
        QVERIFY(text(view.sessions()[0], "countsText").endsWith(QStringLiteral("2 findings")));

        // A session kept while the view shows appears without asking.
        keep(history, SessionKind::live, QStringLiteral("Zoom"), day.addDays(2), {});
        QVERIFY(listsSoon(view, 3));

        QSignalSpy opened(&view, &HistoryViewModel::selectedChanged);
        view.openSessionWithKey(recording);
        QVERIFY(!opened.isEmpty() || opened.wait()); // a quick read publishes at once
        QCOMPARE(view.selectedFindings().size(), 2);
        QCOMPARE(text(view.selectedFindings()[0], "quote"), QStringLiteral("C"));
        QCOMPARE(text(view.selectedFindings()[0], "timeText"), QStringLiteral("At 01:23"));

        QVERIFY(!view.exportReport(files.url(QStringLiteral("r.txt")), false));
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
        FileTree files;
        const QString talk =
            files.file(QStringLiteral("talk.wav"), wavBytes(utterances(1))).toLocalFile();
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
            SessionHistory history(files.path(QStringLiteral("history.sqlite")));
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
            const QString report = files.path(QStringLiteral("talk.md"));
            QVERIFY(saveReport(*recorder.lastRun(), report, {true}).saved);
            QFile written(report);
            QVERIFY(written.open(QIODevice::ReadOnly));
            QVERIFY(written.readAll().contains("Recording · talk.wav"));
        }

        Viewer viewer(files);
        auto &view = viewer.view;
        view.setActive(true);
        QVERIFY(listsSoon(view, 1));
        const auto recorded = view.sessions()[0].toMap();
        QCOMPARE(text(recorded, "title"), QStringLiteral("Recording · talk.wav"));

        QSignalSpy opened(&view, &HistoryViewModel::selectedChanged);
        view.open(recorded[QStringLiteral("id")].toLongLong());
        QVERIFY(!opened.isEmpty() || opened.wait()); // a quick read publishes at once
        QCOMPARE(view.selectedFindings().size(), 1);
        const auto finding = view.selectedFindings()[0];
        QCOMPARE(text(finding, "quote"), QStringLiteral("The bridge opened in 1932."));
        QCOMPARE(text(finding, "timeText"), QStringLiteral("At 00:03"));
        QVERIFY(view.selectedTranscript().contains(QStringLiteral("The bridge opened in 1932.")));
        QVERIFY(text(view.selected(), "countsText").startsWith(QStringLiteral("Checked 1")));
    }

    // Answers to reads still under way when the view and the history go are dropped.
    void readsOutliveTheirReaders() {
        FileTree files;
        {
            Viewer viewer(files); // the view goes first, then the history
            keep(viewer.history, SessionKind::live, QStringLiteral("Zoom"),
                 QDateTime::currentDateTimeUtc(), {QStringLiteral("A")});
            viewer.view.setActive(true);
            viewer.view.open(1);
        }
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
};

BRINDLE_REGISTER_TEST(HistoryViewModelTest);

#include "historyviewmodeltest.moc"
