#include "sessionstore.h"
#include "mapped.h"
#include "sessionfakes.h"
#include "testregistry.h"

using namespace brindle;
using namespace brindle::test;
using namespace std::chrono_literals;

namespace {

struct Rig : SessionRig {
    QString error() const { return store.error().value_or(QString()); }

    QStringList checkedClaims() const { return mapped(checker.calls, &FakeChecker::Call::claim); }
};

QString claim(int n) {
    return QStringLiteral("Claim number %1 is here.").arg(n);
}

} // namespace

class SessionStoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void budgetCountsFromWhenTheClaimWasHeard_data() {
        QTest::addColumn<int>("waitedMs");
        QTest::addColumn<int>("budgetMs");
        QTest::newRow("waited 25 s, 5 s left") << 25000 << 5000;
        QTest::newRow("waited 29.995 s, floor of 0.01 s") << 29995 << 10;
    }

    void budgetCountsFromWhenTheClaimWasHeard() {
        QFETCH(int, waitedMs);
        QFETCH(int, budgetMs);
        Rig rig;
        rig.checker.delay = std::chrono::milliseconds(waitedMs);
        for (int n = 1; n <= 3; ++n)
            rig.type(claim(n));
        rig.scheduler.advance(std::chrono::milliseconds(waitedMs));
        // Two checks run at a time: the third was dispatched just now.
        QCOMPARE(rig.checkedClaims().size(), 3);
        rig.scheduler.advance(std::chrono::milliseconds(budgetMs - 1));
        QVERIFY(!rig.store.error());
        rig.scheduler.advance(1ms);
        QCOMPARE(rig.error(), QStringLiteral("Research timed out. No correction was issued."));
        QCOMPARE(rig.checker.cancelled, 1);
        QCOMPARE(rig.store.findings().size(), 2);
        QCOMPARE(rig.store.pendingCount(), 0);
    }

    void checkLimitSetsQueuedClaimsAside() {
        Rig rig;
        rig.settings.maxChecks = 3;
        rig.checker.delay = 5s;
        for (int n = 1; n <= 5; ++n)
            rig.type(claim(n));
        QCOMPARE(rig.store.pendingCount(), 5);
        rig.scheduler.advance(10s);
        // 1 and 2 ran, 3 took the last check, 4 and 5 were set aside without a message.
        QCOMPARE(rig.checkedClaims(), (QStringList{claim(1), claim(2), claim(3)}));
        QCOMPARE(rig.store.skippedCount(), 2);
        QVERIFY(!rig.store.error());

        rig.type(claim(6));
        QCOMPARE(rig.error(),
                 QStringLiteral(
                     "Session check limit reached. Stop and start a new session to continue."));
        QCOMPARE(rig.store.skippedCount(), 3);
        QCOMPARE(rig.checkedClaims().size(), 3);

        QVERIFY(rig.startSession()); // each session counts its checks again
        rig.type(claim(7));
        QCOMPARE(rig.checkedClaims().size(), 4);
    }

    void findingsKeepTheNewestThirty() {
        Rig rig;
        rig.settings.maxChecks = 200;
        for (int n = 1; n <= 31; ++n) {
            rig.type(claim(n));
            rig.scheduler.advance(1s);
        }
        const auto quotes = mapped(rig.store.findings(), &Finding::quote);
        QCOMPARE(quotes.size(), 30);
        QCOMPARE(quotes.first(), claim(31));
        QCOMPARE(quotes.last(), claim(2));
    }

    // The context is the claims dispatched in the last 60 s, oldest first, cut to its last 6,000
    // characters; the claim itself is not part of it.
    void contextIsTheLastMinuteOfClaimsCutTo6000Characters() {
        Rig rig;
        rig.type(claim(1));
        rig.scheduler.advance(60s);
        rig.type(claim(2)); // claim 1 is exactly 60 s old
        rig.scheduler.advance(1ms);
        rig.type(claim(3)); // now 60.001 s
        rig.scheduler.advance(100s);
        QStringList longClaims;
        for (const char letter : {'a', 'b', 'c', 'd'}) {
            longClaims.append(QString(2500, QLatin1Char(letter)));
            rig.type(longClaims.last());
        }
        rig.scheduler.advance(1s);
        const auto contexts = mapped(rig.checker.calls, &FakeChecker::Call::context);
        const auto abc = longClaims.mid(0, 3).join(u'\n');
        QCOMPARE(contexts, (QStringList{QString(), claim(1), claim(2), QString(), longClaims[0],
                                        longClaims.mid(0, 2).join(u'\n'), abc.right(6000)}));
    }

    void outcomesBecomeFindingsCountsOrErrors() {
        Rig rig;
        rig.checker.answers = {std::monostate{},
                               QStringLiteral("OpenAI request failed (HTTP 500).")};
        rig.type(claim(1));
        rig.type(claim(2));
        rig.scheduler.advance(1s);
        QCOMPARE(rig.store.findings().size(), 0);
        QCOMPARE(rig.store.skippedCount(), 1);
        QCOMPARE(rig.error(), QStringLiteral("OpenAI request failed (HTTP 500)."));
    }

    // Stopping keeps the findings and cancels the checks in flight, whose late results and
    // failures are discarded; clearing removes the findings.
    void findingsSurviveStopAndClearRemovesThem() {
        Rig rig;
        QVERIFY(rig.startSession());
        rig.type(claim(1));
        rig.scheduler.advance(1s);
        rig.checker.answers = {ResearchResult{}, QStringLiteral("late failure")};
        rig.capture.onTranscript(QStringLiteral("The bridge opened in 1932"), true);
        rig.type(claim(2));
        rig.store.stop();
        rig.scheduler.advance(5s);
        QCOMPARE(rig.store.findings().size(), 1);
        QVERIFY(!rig.store.error());
        QCOMPARE(rig.store.status(), QStringLiteral("Stopped"));
        QCOMPARE(rig.checker.cancelled, 2);
        rig.store.clearContext();
        QCOMPARE(rig.store.findings().size(), 0);
        QCOMPARE(rig.store.status(), QStringLiteral("Ready"));

        QVERIFY(rig.startSession());
        rig.capture.onTranscript(QStringLiteral("Something long enough"), false);
        rig.type(claim(2));
        rig.scheduler.advance(500ms);
        rig.store.clearContext();
        QCOMPARE(rig.store.transcript(), QString());
        QCOMPARE(rig.store.status(), QStringLiteral("Listening \u00B7 context cleared"));
        QVERIFY(rig.capture.resets >= 2);
    }

    void startGuards() {
        Rig rig;
        rig.settings.config.researchKey = QStringLiteral("  ");
        rig.store.start();
        QCOMPARE(rig.error(), QStringLiteral("Add your OpenAI API key in Settings."));
        rig.settings.config.researchKey = QStringLiteral("key");

        rig.store.setEvidenceMode(EvidenceMode::documents);
        rig.store.start();
        QCOMPARE(rig.error(), QStringLiteral("Load reference documents, or select Public web for "
                                             "public claims."));
        QCOMPARE(rig.store.status(), QStringLiteral("Ready"));
        rig.store.setEvidenceMode(EvidenceMode::web);

        rig.store.setSelectedSourceID(AudioSourceID::application(4242));
        rig.store.start();
        QCOMPARE(rig.error(),
                 QStringLiteral("Choose All system audio, or refresh sources and select "
                                "an app."));

        rig.store.setSelectedSourceID(AudioSourceID::allSystemAudio());
        rig.store.setLoadingReferences(true);
        rig.store.start();
        QCOMPARE(rig.capture.starts, 0);
        rig.store.setLoadingReferences(false);

        rig.capture.startDelay = 2s;
        rig.store.start();
        rig.store.start();
        QCOMPARE(rig.capture.starts, 1);
        QVERIFY(rig.store.isStarting());
        QCOMPARE(rig.store.status(), QStringLiteral("Starting local transcription\u2026"));
        QVERIFY(!rig.store.error());
        rig.scheduler.advance(2s);
        QVERIFY(rig.store.isRunning());
        QVERIFY(!rig.store.isStarting());
    }

    void failedStartAndCaptureErrors() {
        Rig rig;
        rig.capture.startFailure = QStringLiteral("The sound server refused audio capture.");
        QVERIFY(!rig.startSession());
        QCOMPARE(rig.store.status(), QStringLiteral("Capture unavailable"));
        QCOMPARE(rig.store.error(), rig.capture.startFailure);

        rig.capture.startFailure.reset();
        QVERIFY(rig.startSession());
        rig.capture.onError(QStringLiteral("Capture stopped: Entity killed"));
        rig.scheduler.runPending();
        QVERIFY(!rig.store.isRunning());
        QCOMPARE(rig.error(), QStringLiteral("Capture stopped: Entity killed"));
        QCOMPARE(rig.store.status(), QStringLiteral("Capture stopped \u00B7 error"));
        QCOMPARE(rig.capture.stops, 1);

        rig.capture.onTranscript(QStringLiteral("late words of text"), true);
        QCOMPARE(rig.checker.calls.size(), 0); // reports after the session ended are ignored

        // A session started while the failed one is still stopping keeps its own status.
        QVERIFY(rig.startSession());
        rig.capture.stopDelay = 1s;
        rig.capture.onError(QStringLiteral("Capture stopped: Entity killed"));
        QVERIFY(rig.startSession());
        rig.capture.onStatus(QStringLiteral("Listening to All system audio"));
        rig.scheduler.advance(1s);
        QVERIFY(rig.store.isRunning());
        QCOMPARE(rig.store.status(), QStringLiteral("Listening to All system audio"));
    }

    // A typed claim clears the demo finding first, so it never mixes with real ones.
    void demo() {
        Rig rig;
        rig.store.runDemo();
        rig.scheduler.advance(1s);
        QVERIFY(rig.store.findings().first().isDemo);
        rig.type(claim(1));
        QVERIFY(!rig.store.isDemo());
        QCOMPARE(rig.store.findings().size(), 0);
        QCOMPARE(rig.checkedClaims(), QStringList{claim(1)});
    }
};

BRINDLE_REGISTER_TEST(SessionStoreTest);
#include "sessionstoretest.moc"
