#include "passageconfirmation.h"
#include "testregistry.h"
#include "virtualscheduler.h"

using namespace brindle;
using namespace std::chrono_literals;

namespace {

/// Pages that take virtual time to arrive, and a record of which loads ran and were stopped.
struct FakeWeb {
    test::VirtualScheduler scheduler;
    QHash<QString, QPair<Duration, std::optional<QString>>> pages; // by URL
    QStringList loaded;
    QStringList stopped;

    QCoro::Task<std::optional<QString>> load(QUrl url, CancelToken token) {
        const QString key = url.toString();
        loaded << key;
        const auto page = pages.value(key, {0s, std::nullopt});
        if (!co_await scheduler.sleep(page.first, token)) {
            stopped << key;
            co_return std::nullopt;
        }
        co_return page.second;
    }

    PageLoader loader() {
        return [this](QUrl url, CancelToken token) { return load(std::move(url), token); };
    }
};

struct Outcome {
    bool done = false;
    ResearchResult result;
};

QCoro::Task<> runConfirm(ResearchResult result, PageLoader loader, CancelToken token,
                         Outcome *outcome) {
    outcome->result = co_await confirmSources(std::move(result), std::move(loader), token);
    outcome->done = true;
}

EvidenceSource source(int n, const char *passage = "the passage") {
    return {QStringLiteral("Title %1").arg(n), QStringLiteral("https://site%1.example/").arg(n),
            QString::fromUtf8(passage)};
}

ResearchResult answer(Verdict verdict, QList<EvidenceSource> sources) {
    return {QStringLiteral("The claim."), verdict, QStringLiteral("Because."), std::move(sources)};
}

ResearchResult unconfirmed() {
    return {QStringLiteral("The claim."),
            Verdict::unresolved,
            QStringLiteral(
                "Could not confirm the cited passage in the source. No correction was issued."),
            {}};
}

const QString goodPage = QStringLiteral("<p>Here is <em>the passage</em> in full.</p>");

} // namespace

class PassageConfirmationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void answersWithoutWork_data() {
        QTest::addColumn<ResearchResult>("input");
        QTest::addColumn<ResearchResult>("expected");
        const auto unresolved = answer(Verdict::unresolved, {});
        const auto citing = [](const char *url) {
            return answer(Verdict::supported, {{QStringLiteral("t"), QString::fromUtf8(url),
                                                QStringLiteral("the passage")}});
        };
        QTest::newRow("unresolved without sources") << unresolved << unresolved;
        QTest::newRow("resolved without sources")
            << answer(Verdict::supported, {}) << unconfirmed();
        QTest::newRow("four sources")
            << answer(Verdict::contradicted, {source(1), source(2), source(3), source(4)})
            << unconfirmed();
        QTest::newRow("http") << citing("http://a.example/") << unconfirmed();
        QTest::newRow("unparsable") << citing("https://a b/") << unconfirmed();
        QTest::newRow("numeric host") << citing("https://10.0.0.1/") << unconfirmed();
    }

    void answersWithoutWork() {
        QFETCH(ResearchResult, input);
        QFETCH(ResearchResult, expected);
        FakeWeb web;
        Outcome outcome;
        runConfirm(input, web.loader(), {}, &outcome);
        web.scheduler.runPending();
        QVERIFY(outcome.done);
        QCOMPARE(outcome.result, expected);
        QCOMPARE(web.loaded, QStringList()); // refused before any load
    }

    void allConfirmedConcurrently() {
        FakeWeb web;
        for (int n = 1; n <= 3; ++n)
            web.pages[source(n).url] = {Duration(n * 1s), goodPage};
        const auto input = answer(Verdict::contradicted, {source(1), source(2), source(3)});
        Outcome outcome;
        runConfirm(input, web.loader(), {}, &outcome);
        QCOMPARE(web.loaded.size(), 3); // all three started before any finished
        web.scheduler.advance(2999ms);
        QVERIFY(!outcome.done);
        web.scheduler.advance(1ms);
        QVERIFY(outcome.done);
        QCOMPARE(outcome.result, input);
    }

    void firstFailureStopsTheOthers_data() {
        QTest::addColumn<std::optional<QString>>("secondPage");
        QTest::newRow("passage missing") << std::optional(QStringLiteral("<p>other text</p>"));
        QTest::newRow("page unavailable") << std::optional<QString>();
    }

    void firstFailureStopsTheOthers() {
        QFETCH(std::optional<QString>, secondPage);
        FakeWeb web;
        web.pages[source(1).url] = {5s, goodPage};
        web.pages[source(2).url] = {1s, secondPage};
        web.pages[source(3).url] = {5s, goodPage};
        Outcome outcome;
        runConfirm(answer(Verdict::contradicted, {source(1), source(2), source(3)}), web.loader(),
                   {}, &outcome);
        web.scheduler.advance(1s);
        QVERIFY(outcome.done);
        QCOMPARE(outcome.result, unconfirmed());
        web.stopped.sort();
        QCOMPARE(web.stopped, (QStringList{source(1).url, source(3).url}));
        QCOMPARE(web.scheduler.monotonic(), Duration(1s));
    }

    void cancelledCallerGetsUnresolved() {
        FakeWeb web;
        web.pages[source(1).url] = {5s, goodPage};
        CancelSource cancel;
        Outcome outcome;
        runConfirm(answer(Verdict::supported, {source(1)}), web.loader(), cancel.get_token(),
                   &outcome);
        web.scheduler.advance(1s);
        cancel.request_stop();
        web.scheduler.runPending();
        QVERIFY(outcome.done);
        QCOMPARE(outcome.result, unconfirmed());
        QCOMPARE(web.stopped, QStringList{source(1).url});

        Outcome already;
        runConfirm(answer(Verdict::supported, {source(1)}), web.loader(), cancel.get_token(),
                   &already);
        QVERIFY(already.done);
        QCOMPARE(already.result, unconfirmed());
    }
};

BRINDLE_REGISTER_TEST(PassageConfirmationTest);
#include "passageconfirmationtest.moc"
