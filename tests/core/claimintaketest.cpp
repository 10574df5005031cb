#include "claimintake.h"
#include "testregistry.h"
#include "virtualscheduler.h"

using namespace brindle;
using namespace std::chrono_literals;

namespace {

const auto app = ClaimIntake::applicationChannel();
const auto mic = ClaimIntake::microphoneChannel();

struct FakeHost final : ClaimIntakeHost {
    bool running = true;
    bool starting = false;
    std::int64_t maxChecks = 100;
    QString transcript;
    QString status = QStringLiteral("Ready");
    QStringList errors;
    int drains = 0;
    int refreshes = 0;

    bool isRunning() const override { return running; }
    bool isStarting() const override { return starting; }
    std::int64_t maxChecksPerSession() const override { return maxChecks; }
    void setTranscript(const QString &text) override { transcript = text; }
    void setStatus(const QString &text) override { status = text; }
    void setError(const QString &message) override { errors << message; }
    void drainQueue() override { ++drains; }
    void refreshCounts() override { ++refreshes; }
};

struct Session {
    test::VirtualScheduler scheduler;
    FakeHost host;
    ClaimIntake intake{scheduler, host};

    const QList<ClaimJob> &jobs() const { return intake.book().queue.jobs; }
    QStringList texts() const {
        QStringList out;
        for (const auto &job : jobs())
            out << job.text;
        return out;
    }
    double secondsSinceStart(const QDateTime &at) const {
        return secondsBetween(test::VirtualScheduler().now(), at);
    }
    ClaimJob job(const QString &text, ClaimOrigin origin) const {
        return {QUuid::createUuid(), text, scheduler.now(), origin};
    }
};

ClaimOrigin origin(const QString &channel, qint64 utterance, qint64 start, qint64 end) {
    return {channel, utterance, start, end};
}

} // namespace

class ClaimIntakeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void continuousSpeechIsCutAtFinishedSentences() {
        Session s;
        const auto words = QStringLiteral("The tower is 300 metres tall. It opened in 1889 and was "
                                          "the tallest tower. It stands in central Paris today")
                               .split(u' ');
        QCOMPARE(words.size(), 21);
        for (qsizetype i = 0; i < words.size(); ++i) {
            if (i > 0)
                s.scheduler.advance(500ms);
            if (i == 8) // the max-wait fired at 4 s, before this partial
                QCOMPARE(s.texts(), QStringList{QStringLiteral("The tower is 300 metres tall.")});
            else if (i < 8)
                QVERIFY(s.jobs().isEmpty());
            s.intake.handleTranscript(words.mid(0, i + 1).join(u' '), false);
        }
        QCOMPARE(s.texts(), (QStringList{QStringLiteral("The tower is 300 metres tall."),
                                         QStringLiteral("It opened in 1889 and was the tallest "
                                                        "tower.")}));
        s.scheduler.advance(1s);
        QCOMPARE(s.jobs().size(), 3);
        QCOMPARE(s.jobs()[2].text, QStringLiteral("It stands in central Paris today"));
        QList<double> heard;
        for (const auto &job : s.jobs())
            heard << s.secondsSinceStart(job.heardAt);
        QCOMPARE(heard, (QList<double>{3.5, 7.5, 10.0}));
        QCOMPARE(s.jobs()[1].origin, origin(app, 0, 29, 74));
        QCOMPARE(s.scheduler.pendingCount(), 0u);
    }

    void finalReportIsTakenAtOnce() {
        Session s;
        s.intake.handleTranscript(QStringLiteral("The bridge is long"), false);
        s.scheduler.advance(300ms);
        s.intake.handleTranscript(QStringLiteral("The bridge is long."), true);
        QCOMPARE(s.texts(), QStringList{QStringLiteral("The bridge is long.")});
        QCOMPARE(s.secondsSinceStart(s.jobs()[0].heardAt), 0.3);
        QCOMPARE(s.scheduler.pendingCount(), 0u);
        QCOMPARE(s.intake.segments()[app], (TranscriptState{QString(), 0, 1}));
    }

    void candidateLength_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("queued");
        QTest::newRow("7") << QStringLiteral("Go now.") << false;
        QTest::newRow("8") << QStringLiteral("Go now!!") << true;
        QTest::newRow("7 toned thumbs")
            << QString(7, u' ').replace(u' ', QStringLiteral("\U0001F44D\U0001F3FD")) << false;
        QTest::newRow("8 with marks") << QStringLiteral("Cafe\u0301s ok") << true;
    }

    void candidateLength() {
        QFETCH(QString, text);
        Session s;
        s.intake.handleTranscript(text, true);
        QTEST(!s.jobs().isEmpty(), "queued");
    }

    void offsetsAndCutsCountCharacters() {
        Session s;
        const auto thumb = QStringLiteral("\U0001F44D\U0001F3FD");
        const auto first = QStringLiteral("Cafe\u0301 \U0001F1EB\U0001F1F7 is open.");
        s.intake.handleTranscript(first, false);
        s.scheduler.advance(1s);
        QString thumbs;
        for (int i = 0; i < 6100; ++i)
            thumbs += thumb;
        s.intake.handleTranscript(first + u' ' + thumbs, true);
        QCOMPARE(s.jobs().size(), 2);
        QCOMPARE(s.jobs()[0].origin, origin(app, 0, 0, 15));
        QCOMPARE(s.jobs()[1].origin, origin(app, 0, 15, 6116));
        QCOMPARE(s.jobs()[1].text, thumbs.left(2500 * thumb.size()));
        QCOMPARE(s.host.transcript.size(), 6000 * thumb.size());
    }

    void queueKeepsFourYoungJobs() {
        Session s;
        JobQueue queue;
        const auto at = [&](double age) {
            return s.job(QString::number(age), {}).heardAt.addMSecs(qint64(-age * 1000));
        };
        for (double age : {40.0, 31.0, 29.9, 10.0, 0.0})
            queue.enqueue({QUuid::createUuid(), QString::number(age), at(age), {}});
        QCOMPARE(queue.jobs.size(), 4);
        QCOMPARE(queue.dropped, 1);
        QCOMPARE(queue.next(s.scheduler.now())->text, QStringLiteral("29.9"));
        QCOMPARE(queue.dropped, 2);
        queue.next(s.scheduler.now());
        queue.next(s.scheduler.now());
        QCOMPARE(queue.next(s.scheduler.now()), std::nullopt);
        QCOMPARE(queue.dropped, 2);
    }

    void checkLimitSetsEveryCandidateAside() {
        Session s;
        s.host.maxChecks = 2;
        s.intake.book().checksUsed = 2;
        s.intake.handleTranscript(QStringLiteral("The moon is made of rock."), true);
        s.intake.submit(s.job(QStringLiteral("typed claim"), {}));
        QCOMPARE(s.host.errors, QStringList(2, ClaimIntake::checkLimitMessage()));
        QCOMPARE(s.intake.book().filtered, 2);
        QVERIFY(s.jobs().isEmpty());
        QCOMPARE(s.host.drains, 0);
        QCOMPARE(s.host.refreshes, 2);
    }

    void rewordingReplacesTheQueuedClaim_data() {
        QTest::addColumn<bool>("running");
        QTest::newRow("running") << true;
        QTest::newRow("starting") << false;
    }

    void rewordingReplacesTheQueuedClaim() {
        QFETCH(bool, running);
        Session s;
        s.host.running = running;
        s.host.starting = !running;
        s.intake.handleTranscript(QStringLiteral("the bridge opened in 1932."), false);
        s.scheduler.advance(1s);
        s.intake.handleTranscript(QStringLiteral("the bridge opened in 1937."), false);
        s.scheduler.advance(1s);
        QCOMPARE(s.texts(), QStringList{QStringLiteral("the bridge opened in 1937.")});
        QCOMPARE(s.jobs()[0].origin, origin(app, 0, 0, 26));
        QCOMPARE(s.host.status, running ? ClaimIntake::revisedStatus() : QStringLiteral("Ready"));
    }

    void correctionsWithdrawTheLatestClaimOfTheirChannelOnly() {
        Session s;
        for (const auto *text :
             {"The bridge is 2 km long.", "The bridge opened in 1932.", "You: I think it is red."})
            s.intake.handleTranscript(QString::fromUtf8(text), true);
        s.intake.handleTranscript(QStringLiteral("You: Sorry, I mean orange."), true);
        s.intake.handleTranscript(QStringLiteral("sorry, I mean 1937"), true);
        QCOMPARE(s.texts(), (QStringList{QStringLiteral("The bridge is 2 km long."),
                                         QStringLiteral("You: Sorry, I mean orange."),
                                         QStringLiteral("sorry, I mean 1937")}));
        QCOMPARE(s.jobs()[2].origin, origin(app, 2, 0, 18));
    }

    void revisionsPullTheBoundBackAcrossOverlappingClaims() {
        Session s;
        for (auto o : {origin(app, 0, 0, 12), origin(app, 0, 10, 30), origin(app, 0, 40, 50),
                       origin(app, 1, 0, 20)})
            s.intake.submit(s.job(QStringLiteral("claim"), o));
        s.intake.book().findings.append(Finding{});
        s.intake.book().findings[0].origin = origin(mic, 0, 0, 40);
        const auto full = QStringLiteral("The tower is tall and the river is wide and deep");
        const auto result =
            s.intake.reconcileRevision({QStringLiteral("deep"), true, false, 25, full, 0}, app);
        QCOMPARE(result.start, 0);
        QCOMPARE(result.text, full);
        QCOMPARE(s.jobs().size(), 1);
        QCOMPARE(s.jobs()[0].origin, origin(app, 1, 0, 20));
        QCOMPARE(s.intake.book().findings.size(), 1);
    }

    void withdrawReachesEveryPlace() {
        Session s;
        const auto stale = origin(app, 0, 0, 10);
        const auto kept = origin(app, 1, 0, 10);
        auto &book = s.intake.book();
        const CancelSource staleCheck, keptCheck;
        const auto staleId = QUuid::createUuid(), keptId = QUuid::createUuid();
        book.active = {{staleId, staleCheck}, {keptId, keptCheck}};
        book.activeOrigins = {{staleId, stale}, {keptId, kept}};
        for (auto o : {stale, kept}) {
            book.queue.enqueue(s.job(QStringLiteral("q"), o));
            book.recent.append({s.scheduler.now(), QStringLiteral("r"), o});
            book.findings.append(Finding{});
            book.findings.last().origin = o;
        }
        s.intake.withdraw({stale});
        QVERIFY(staleCheck.stop_requested() && !keptCheck.stop_requested());
        QCOMPARE(book.active.keys(), QList<QUuid>{keptId});
        QCOMPARE(book.activeOrigins.values(), QList<ClaimOrigin>{kept});
        QVERIFY(book.knownOrigins(app) == QSet<ClaimOrigin>{kept});
        QCOMPARE(book.recent.size(), 1);
        QCOMPARE(book.recent[0].origin, kept);
        QCOMPARE(s.host.drains, 1);
        QCOMPARE(s.host.refreshes, 1);
    }

    void stoppingAndClearingForgetTheSession() {
        Session s;
        s.intake.handleTranscript(QStringLiteral("You: It is raining."), true);
        s.intake.handleTranscript(QStringLiteral("It is sunny and warm"), false);
        auto &book = s.intake.book();
        const CancelSource check;
        book.active.insert(QUuid::createUuid(), check);
        book.findings.append(Finding{});
        book.queue.dropped = 3;
        book.filtered = 2;
        const auto generation = book.generation;

        s.intake.endSession();
        QVERIFY(check.stop_requested() && book.active.isEmpty());
        QVERIFY(book.queue.jobs.isEmpty() && s.intake.segments().isEmpty());
        QVERIFY(book.generation != generation);
        QCOMPARE(s.scheduler.pendingCount(), 0u);
        QCOMPARE(book.findings.size(), 1);
        QCOMPARE(book.queue.dropped + book.filtered, 5);

        s.intake.clearContext();
        QVERIFY(book.findings.isEmpty());
        QCOMPARE(book.queue.dropped + book.filtered, 0);

        s.host.running = false;
        s.host.transcript.clear();
        s.intake.handleTranscript(QStringLiteral("Ignored while idle."), true);
        QVERIFY(s.jobs().isEmpty() && s.host.transcript.isEmpty());
    }
};

BRINDLE_REGISTER_TEST(ClaimIntakeTest);
#include "claimintaketest.moc"
