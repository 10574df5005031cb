#include "livesessionrecorder.h"
#include "historydatabase.h"
#include "sessionfakes.h"
#include "sessionhistory.h"
#include "testregistry.h"

#include <QTemporaryDir>

using namespace brindle;
using namespace brindle::test;
using namespace std::chrono_literals;

class LiveSessionRecorderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aRunningSessionIsKept_data() {
        QTest::addColumn<bool>("keep");
        QTest::newRow("kept") << true;
        QTest::newRow("history turned off") << false;
    }
    void aRunningSessionIsKept() {
        QFETCH(bool, keep);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.sqlite"));
        {
            SessionRig rig;
            SessionHistory history(path);
            LiveSessionRecorder recorder(rig.store, history, rig.scheduler,
                                         [keep] { return keep; });

            // A typed claim outside a session is not part of any session.
            rig.type(QStringLiteral("Typed before the session started."));
            rig.scheduler.advance(2s);

            QVERIFY(rig.startSession());
            rig.capture.onTranscript(QStringLiteral("The bridge opened in 1932."), true);
            rig.capture.onTranscript(QStringLiteral("You: no"), false);
            rig.scheduler.advance(2s);
            QCOMPARE(rig.store.findings().size(), 1);
            rig.store.stop();
            rig.scheduler.runPending();
            QVERIFY(!recorder.currentSession());
        }

        auto db = HistoryDatabase::open(path).database;
        const auto sessions = db->sessions();
        QCOMPARE(sessions.size(), keep ? 1 : 0);
        if (!keep)
            return;
        const auto record = db->session(sessions[0].id);
        QCOMPARE(record->summary.kind, SessionKind::live);
        QCOMPARE(record->summary.source, allSystemAudioSource().name);
        QCOMPARE(record->summary.evidenceMode, EvidenceMode::web);
        QCOMPARE(record->summary.counts, (SessionCounts{1, 0, 0}));
        QVERIFY(record->summary.endedAt);
        QCOMPARE(record->findings.size(), 1);
        const auto &finding = record->findings[0];
        QCOMPARE(finding.finding.quote, QStringLiteral("The bridge opened in 1932."));
        QCOMPARE(finding.heardAt,
                 finding.finding.createdAt.addMSecs(-qint64(finding.finding.elapsed * 1000)));
        QCOMPARE(finding.position, std::nullopt);
        QCOMPARE(record->transcript, QStringLiteral("The bridge opened in 1932.\nYou: no"));
    }
};

BRINDLE_REGISTER_TEST(LiveSessionRecorderTest);

#include "livesessionrecordertest.moc"
