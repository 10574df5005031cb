#include "claimintake.h"
#include "mapped.h"
#include "testregistry.h"
#include "virtualscheduler.h"

using namespace brindle;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

const auto app = ClaimIntake::applicationChannel();

struct FakeHost final : ClaimIntakeHost {
    QString transcript, status;

    bool isRunning() const override { return true; }
    bool isStarting() const override { return false; }
    std::int64_t maxChecksPerSession() const override { return 100; }
    void setTranscript(const QString &text) override { transcript = text; }
    void setStatus(const QString &text) override { status = text; }
    void setError(const QString &) override {}
    void drainQueue() override {}
    void refreshCounts() override {}
};

struct Session {
    test::VirtualScheduler scheduler;
    const QDateTime began = scheduler.now();
    FakeHost host;
    ClaimIntake intake{scheduler, host};
    ClaimBook &book = intake.book();

    const QList<ClaimJob> &jobs() const { return book.queue.jobs; }
    QStringList texts() const { return test::mapped(jobs(), &ClaimJob::text); }
    void say(std::initializer_list<const char *> finals) {
        for (const auto *text : finals)
            intake.handleTranscript(QString::fromUtf8(text), true);
    }
};

} // namespace

class ClaimIntakeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void continuousSpeechIsCutAtFinishedSentences() {
        Session s;
        const auto words = QStringLiteral("The tower is 300 metres tall. It opened in 1889 and was "
                                          "the tallest tower. It stands in central Paris today")
                               .split(u' ');
        for (qsizetype i = 0; i < words.size(); ++i) { // one partial every 0.5 s for 10 s
            if (i > 0)
                s.scheduler.advance(500ms);
            QCOMPARE(s.jobs().size(), i < 8 ? 0 : i < 16 ? 1 : 2); // max-wait at 4 s and 8 s
            s.intake.handleTranscript(words.mid(0, i + 1).join(u' '), false);
        }
        s.scheduler.advance(1s);
        QCOMPARE(s.texts(), (QStringList{QStringLiteral("The tower is 300 metres tall."),
                                         QStringLiteral("It opened in 1889 and was the tallest "
                                                        "tower."),
                                         QStringLiteral("It stands in central Paris today")}));
        const auto heard = [&](const ClaimJob &job) {
            return secondsBetween(s.began, job.heardAt);
        };
        QCOMPARE(test::mapped(s.jobs(), heard), (QList<double>{3.5, 7.5, 10.0}));
        QCOMPARE(s.jobs()[1].origin, (ClaimOrigin{app, 0, 29, 74}));
        QCOMPARE(s.scheduler.pendingCount(), 0u);
    }

    // A pause of 0.85 s ends a claim; a final report ends it at once.
    void pauseAndFinalReportEndAClaim() {
        Session s;
        s.intake.handleTranscript(QStringLiteral("The bridge is long"), false);
        s.scheduler.advance(849ms);
        QVERIFY(s.jobs().isEmpty());
        s.scheduler.advance(1ms);
        QCOMPARE(s.texts(), QStringList{QStringLiteral("The bridge is long")});

        Session f;
        f.intake.handleTranscript(QStringLiteral("The bridge is long"), false);
        f.scheduler.advance(300ms);
        f.intake.handleTranscript(QStringLiteral("The bridge is long."), true);
        QCOMPARE(f.texts(), QStringList{QStringLiteral("The bridge is long.")});
        QCOMPARE(secondsBetween(f.began, f.jobs()[0].heardAt), 0.3);
        QCOMPARE(f.scheduler.pendingCount(), 0u);
        QCOMPARE(f.intake.segments()[app], (TranscriptState{QString(), 0, 1}));
    }

    // A candidate needs 8 characters as a reader counts them, not code units.
    void candidateLength() {
        Session s;
        const auto toned = QStringLiteral("\U0001F44D\U0001F3FD").repeated(7);
        for (const auto &text : {u"Go now."_s, u"Go now!!"_s, toned, u"Cafe\u0301s ok"_s})
            s.intake.handleTranscript(text, true);
        QCOMPARE(s.texts(), (QStringList{u"Go now!!"_s, u"Cafe\u0301s ok"_s}));
    }

    void offsetsAndCutsCountCharacters() {
        Session s;
        const auto first = QStringLiteral("Cafe\u0301 \U0001F1EB\U0001F1F7 is open.");
        const auto thumbs = QStringLiteral("\U0001F44D\U0001F3FD").repeated(6100);
        s.intake.handleTranscript(first, false);
        s.scheduler.advance(1s);
        s.intake.handleTranscript(first + u' ' + thumbs, true);
        QCOMPARE(s.jobs()[0].origin, (ClaimOrigin{app, 0, 0, 15}));
        QCOMPARE(s.jobs()[1].origin, (ClaimOrigin{app, 0, 15, 6116}));
        QCOMPARE(s.jobs()[1].text, thumbs.left(2500 * 4));
        QCOMPARE(s.host.transcript, thumbs.left(6000 * 4));
    }

    void queueKeepsFourYoungJobs() {
        const auto now = QDateTime::currentDateTimeUtc();
        JobQueue queue;
        for (double age : {40.0, 31.0, 29.9, 10.0, 0.0})
            queue.enqueue(
                {QUuid::createUuid(), QString::number(age), now.addMSecs(qint64(-age * 1000))});
        QCOMPARE(queue.dropped, 1); // the fifth job pushed out the oldest
        QCOMPARE(queue.next(now)->text, QStringLiteral("29.9"));
        QCOMPARE(queue.dropped, 2); // the 31-second-old job was skipped
        queue.next(now);
        queue.next(now);
        QCOMPARE(queue.next(now), std::nullopt);
    }

    void rewordingReplacesTheQueuedClaim() {
        Session s;
        s.intake.handleTranscript(QStringLiteral("the bridge opened in 1932."), false);
        s.scheduler.advance(1s);
        s.intake.handleTranscript(QStringLiteral("the bridge opened in 1937."), false);
        s.scheduler.advance(1s);
        QCOMPARE(s.texts(), QStringList{QStringLiteral("the bridge opened in 1937.")});
        QCOMPARE(s.jobs()[0].origin, (ClaimOrigin{app, 0, 0, 26}));
        QCOMPARE(s.host.status, ClaimIntake::revisedStatus());
    }

    void correctionsWithdrawTheLatestClaimOfTheirChannelOnly() {
        Session s;
        s.say({"The bridge is 2 km long.", "The bridge opened in 1932.", "You: I think it is red.",
               "You: Sorry, I mean orange.", "sorry, I mean 1937"});
        QCOMPARE(s.texts(), (QStringList{QStringLiteral("The bridge is 2 km long."),
                                         QStringLiteral("You: Sorry, I mean orange."),
                                         QStringLiteral("sorry, I mean 1937")}));
        QCOMPARE(s.jobs()[2].origin, (ClaimOrigin{app, 2, 0, 18}));
    }

    // What the session store's tests cannot see: segments and timers end, counts outlive a stop.
    void stoppingAndClearingForgetTheSession() {
        Session s;
        s.say({"You: It is raining."});
        s.intake.handleTranscript(QStringLiteral("It is sunny and warm"), false);
        const CancelSource check;
        s.book.active.insert(QUuid::createUuid(), check);
        s.book.queue.dropped = s.book.filtered = 2;
        s.intake.endSession();
        QVERIFY(check.stop_requested() && s.book.active.isEmpty() && s.jobs().isEmpty());
        QVERIFY(s.intake.segments().isEmpty());
        QCOMPARE(s.scheduler.pendingCount(), 0u);
        QCOMPARE(s.book.queue.dropped + s.book.filtered, 4);
        s.intake.clearContext();
        QCOMPARE(s.book.queue.dropped + s.book.filtered, 0);
    }
};

BRINDLE_REGISTER_TEST(ClaimIntakeTest);
#include "claimintaketest.moc"
