#include "passageconfirmation.h"
#include "taskoutcome.h"
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

    /// Starts confirming `result` against these pages; `outcome` fills in when it ends.
    void confirm(ResearchResult result, test::TaskOutcome<ResearchResult> &outcome,
                 CancelToken token = {}) {
        PageLoader loader = [this](QUrl url, CancelToken t) { return load(std::move(url), t); };
        test::collect(confirmSources(std::move(result), std::move(loader), std::move(token)),
                      outcome);
    }
};

EvidenceSource source(int n) {
    return {QStringLiteral("Title %1").arg(n), QStringLiteral("https://site%1.example/").arg(n),
            QStringLiteral("the passage")};
}

ResearchResult answer(Verdict verdict, QList<EvidenceSource> sources) {
    return {QStringLiteral("The claim."), verdict, QStringLiteral("Because."), std::move(sources)};
}

const ResearchResult unconfirmed{
    QStringLiteral("The claim."),
    Verdict::unresolved,
    QStringLiteral("Could not confirm the cited passage in the source. No correction was issued."),
    {}};

const QString goodPage = QStringLiteral("<p>Here is <em>the passage</em> in full.</p>");

} // namespace

class PassageConfirmationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void answersWithoutWork_data() {
        QTest::addColumn<ResearchResult>("input");
        QTest::addColumn<ResearchResult>("expected");
        const auto unresolved = answer(Verdict::unresolved, {});
        QTest::newRow("unresolved without sources") << unresolved << unresolved;
        QTest::newRow("resolved without sources") << answer(Verdict::supported, {}) << unconfirmed;
        QTest::newRow("four sources")
            << answer(Verdict::contradicted, {source(1), source(2), source(3), source(4)})
            << unconfirmed;
        auto http = source(1);
        http.url = QStringLiteral("http://a.example/");
        QTest::newRow("http") << answer(Verdict::supported, {http}) << unconfirmed;
    }

    void answersWithoutWork() {
        QFETCH(ResearchResult, input);
        QFETCH(ResearchResult, expected);
        FakeWeb web;
        test::TaskOutcome<ResearchResult> outcome;
        web.confirm(input, outcome);
        web.scheduler.runPending();
        QCOMPARE(outcome.value, expected);
        QCOMPARE(web.loaded, QStringList()); // refused before any load
    }

    // The pages load at once; the first failure ends the check and stops the other loads.
    void pagesLoadTogether_data() {
        QTest::addColumn<std::optional<QString>>("secondPage");
        QTest::newRow("all confirmed") << std::optional(goodPage);
        QTest::newRow("passage missing") << std::optional(QStringLiteral("<p>other text</p>"));
        QTest::newRow("page unavailable") << std::optional<QString>();
    }

    void pagesLoadTogether() {
        QFETCH(std::optional<QString>, secondPage);
        FakeWeb web;
        web.pages[source(1).url] = {3s, goodPage};
        web.pages[source(2).url] = {1s, secondPage};
        web.pages[source(3).url] = {3s, goodPage};
        const auto input = answer(Verdict::contradicted, {source(1), source(2), source(3)});
        test::TaskOutcome<ResearchResult> outcome;
        web.confirm(input, outcome);
        QCOMPARE(web.loaded.size(), 3);
        web.scheduler.advance(2999ms);
        if (secondPage == goodPage) {
            QVERIFY(!outcome.done);
            web.scheduler.advance(1ms);
            QCOMPARE(outcome.value, input);
        } else {
            QCOMPARE(outcome.value, unconfirmed);
            web.stopped.sort();
            QCOMPARE(web.stopped, (QStringList{source(1).url, source(3).url}));
        }
    }

    void cancelledCallerGetsUnresolved() {
        FakeWeb web;
        web.pages[source(1).url] = {5s, goodPage};
        CancelSource cancel;
        test::TaskOutcome<ResearchResult> outcome;
        web.confirm(answer(Verdict::supported, {source(1)}), outcome, cancel.get_token());
        web.scheduler.advance(1s);
        cancel.request_stop();
        web.scheduler.runPending();
        QCOMPARE(outcome.value, unconfirmed);
        QCOMPARE(web.stopped, QStringList{source(1).url});

        test::TaskOutcome<ResearchResult> already; // a caller cancelled before it starts
        web.confirm(answer(Verdict::supported, {source(1)}), already, cancel.get_token());
        QCOMPARE(already.value, unconfirmed);
    }
};

BRINDLE_REGISTER_TEST(PassageConfirmationTest);
#include "passageconfirmationtest.moc"
