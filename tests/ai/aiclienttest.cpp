#include "aiclient.h"
#include "fakeproviderserver.h"
#include "providertransport.h"
#include "researchreply.h"
#include "sessionfakes.h"
#include "taskoutcome.h"
#include "testregistry.h"
#include "virtualscheduler.h"

using namespace brindle;
using namespace brindle::test;

namespace {

const QString claim = QStringLiteral("The bridge opened in 1932.");
const QString pageURL = QStringLiteral("https://history.example/bridge");

QByteArray research(const QString &verdict, const QString &url, const QString &quote,
                    bool retrieved = true) {
    return researchReply(claim, verdict, url, quote, retrieved ? pageURL : QString());
}

QJsonObject researchInputOf(const RecordedRequest &request) {
    const auto input = QJsonDocument::fromJson(request.body)[QStringLiteral("input")].toString();
    return QJsonDocument::fromJson(input.toUtf8()).object();
}

struct Rig {
    VirtualScheduler scheduler;
    FakeProviderServer server;
    ProviderTransport transport{scheduler};
    QHash<QString, QString> pages;
    AIClient client{transport,
                    {server.url(QStringLiteral("/v1/responses")),
                     server.url(QStringLiteral("/api/v1/responses")),
                     server.url(QStringLiteral("/api/alpha/decisions")),
                     server.url(QStringLiteral("/v1/kestrun"))},
                    [this](QUrl url, CancelToken) -> QCoro::Task<std::optional<QString>> {
                        const auto page = pages.constFind(url.toString());
                        co_return page == pages.cend() ? std::nullopt : std::optional(*page);
                    }};
    AIConfiguration config = FakeSettings().config;

    TaskOutcome<std::optional<ResearchResult>> run(EvidenceMode mode, ReferenceCorpus docs) {
        TaskOutcome<std::optional<ResearchResult>> outcome;
        collect(client.checkClaim(claim, QStringLiteral("earlier words"), mode, std::move(docs),
                                  config, {}),
                outcome);
        (void)QTest::qWaitFor([&] { return outcome.done; }, 5000); // a test sees `done` unset
        return outcome;
    }
};

ReferenceCorpus oneDocument(const QString &text) {
    return ReferenceCorpus({ReferenceDocument{
        QUuid::fromString(QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e")),
        QStringLiteral("notes/bridge.md"), text,
        QUrl::fromLocalFile(QStringLiteral("/n/bridge.md"))}});
}

} // namespace

class AIClientTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // One check through selection (when on), research and confirmation (web) or the document
    // citation (documents). The outcome is "verdict first-source-URL", or "verdict explanation"
    // without sources, or "not checkable".
    void singlePassChecks_data() {
        QTest::addColumn<QString>("mode"); // web, documents, or documents without any loaded
        QTest::addColumn<double>("noul");  // the selection's answer; negative: Selka off
        QTest::addColumn<bool>("openRouter");
        QTest::addColumn<QString>("page"); // the cited web page as fetched
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QByteArrayList>("paths");
        const auto confirms = QStringLiteral("<p>The bridge opened to traffic in 1937.</p>");
        const auto web = QStringLiteral("web"), documents = QStringLiteral("documents");
        QTest::newRow("web, selected and confirmed")
            << web << 0.45 << false << confirms << "contradicted " + pageURL
            << QByteArrayList{"/v1/kestrun", "/v1/responses"};
        QTest::newRow("selection below the threshold")
            << web << 0.4499 << false << confirms << QStringLiteral("not checkable")
            << QByteArrayList{"/v1/kestrun"};
        QTest::newRow("OpenRouter, passage not on the page")
            << web << -1.0 << true << QStringLiteral("<p>Nothing here.</p>")
            << "unresolved " + unconfirmedExplanation() << QByteArrayList{"/api/v1/responses"};
        QTest::newRow("documents pass cites the file")
            << documents << -1.0 << false << QString()
            << QStringLiteral("contradicted file:///n/bridge.md")
            << QByteArrayList{"/v1/responses"};
        QTest::newRow("no documents asks nobody")
            << QStringLiteral("none") << 0.9 << false << QString()
            << "unresolved " + AIClient::noDocumentsExplanation() << QByteArrayList{};
    }
    void singlePassChecks() {
        QFETCH(QString, mode);
        QFETCH(double, noul);
        QFETCH(bool, openRouter);
        QFETCH(QString, page);
        const bool onWeb = mode == QLatin1String("web");
        Rig rig;
        rig.config.useSelka = noul >= 0;
        if (openRouter)
            rig.config.researchProvider = ResearchProvider::openRouter;
        rig.pages[pageURL] = page;
        const auto citation =
            onWeb ? pageURL : QStringLiteral("doc:0F8FAD5B-D9CB-469F-A165-70867728950E");
        rig.server.setReply({200, research(QStringLiteral("contradicted"), citation,
                                           QStringLiteral("opened to traffic in 1937"), onWeb)});
        rig.server.setReply("/v1/kestrun", {200, "{\"answers\":{\"checkable\":{\"noul\":" +
                                                     QByteArray::number(noul) + "}}}"});
        const auto result =
            rig.run(onWeb ? EvidenceMode::web : EvidenceMode::documents,
                    mode == QLatin1String("documents")
                        ? oneDocument(QStringLiteral("The bridge opened to traffic in 1937."))
                        : ReferenceCorpus())
                .value;
        QVERIFY(result);
        const auto &r = *result;
        QTEST(!r ? QStringLiteral("not checkable")
                 : verdictRawValue(r->verdict) + u' ' +
                       (r->sources.isEmpty() ? r->explanation : r->sources.first().url),
              "outcome");
        QByteArrayList paths;
        for (const auto &request : rig.server.requests()) {
            paths.append(request.path);
            const bool research = !request.path.endsWith("kestrun");
            QCOMPARE(request.headers.value("authorization"),
                     research ? QByteArray("Bearer research-key") : QByteArray("Bearer selka-key"));
            if (research)
                QCOMPARE(researchInputOf(request)[QStringLiteral("context")].toString(),
                         QStringLiteral("earlier words"));
        }
        QTEST(paths, "paths");
    }

    void combinedModeRunsBothPassesAndMerges() {
        Rig rig;
        rig.config.useSelka = false;
        rig.server.setReply("/v1/responses", {200, research(QStringLiteral("unresolved"), {}, {})});
        const auto result =
            rig.run(EvidenceMode::combined, oneDocument(QStringLiteral("Text."))).value;
        QVERIFY(result && *result);
        QCOMPARE((*result)->explanation,
                 QStringLiteral("Neither local references nor public sources provided enough "
                                "evidence to resolve this claim."));
        QCOMPARE(rig.server.requests().size(), 2);
        QHash<QString, QString> contextByMode;
        for (const auto &request : rig.server.requests()) {
            const auto input = researchInputOf(request);
            contextByMode.insert(input.value(QStringLiteral("mode")).toString(),
                                 input.value(QStringLiteral("context")).toString());
        }
        QCOMPARE(contextByMode.value(QStringLiteral("documents")), QStringLiteral("earlier words"));
        QCOMPARE(contextByMode.value(QStringLiteral("publicWeb")), QString());
    }

    // One pass fails while the other still waits: the failure is reported, never the
    // cancellation it caused in the other pass.
    void combinedModeReportsTheRealFailure_data() {
        QTest::addColumn<QByteArray>("waiting"); // the mode of the pass that gets no answer
        QTest::newRow("web pass fails") << QByteArray("documents");
        QTest::newRow("documents pass fails") << QByteArray("publicWeb");
    }
    void combinedModeReportsTheRealFailure() {
        QFETCH(QByteArray, waiting);
        Rig rig;
        rig.config.useSelka = false;
        rig.server.setReply({500, QByteArray("{\"error\":{\"message\":\"overloaded\"}}")});
        rig.server.setResponder([waiting](const RecordedRequest &r) -> std::optional<FakeReply> {
            if (r.body.contains(R"(\"mode\":\")" + waiting))
                return FakeReply{.silent = true};
            return std::nullopt;
        });
        const auto outcome = rig.run(EvidenceMode::combined, oneDocument(QStringLiteral("T.")));
        QVERIFY(outcome.done && !outcome.cancelled);
        QCOMPARE(outcome.error, QStringLiteral("OpenAI request failed (HTTP 500). OpenAI said: "
                                               "overloaded Check the API key, model access, "
                                               "quota, and connection."));
    }
};

BRINDLE_REGISTER_TEST(AIClientTest);
#include "aiclienttest.moc"
