#include "aiclient.h"
#include "fakeproviderserver.h"
#include "providertransport.h"
#include "researchreply.h"
#include "taskoutcome.h"
#include "testregistry.h"
#include "virtualscheduler.h"

using namespace brindle;
using namespace brindle::test;

namespace {

const QString claim = QStringLiteral("The bridge opened in 1932.");
const QString pageURL = QStringLiteral("https://history.example/bridge");
const QString passage = QStringLiteral("The bridge opened to traffic in 1937.");

QByteArray selection(double noul) {
    return "{\"answers\":{\"checkable\":{\"noul\":" + QByteArray::number(noul) + "}}}";
}

QByteArray research(const QString &verdict, const QString &url, const QString &quote,
                    bool retrieved = true) {
    return researchReply(claim, verdict, url, quote, retrieved ? pageURL : QString());
}

QJsonObject requestBody(const RecordedRequest &request) {
    return QJsonDocument::fromJson(request.body).object();
}

QJsonObject researchInputOf(const RecordedRequest &request) {
    return QJsonDocument::fromJson(
               requestBody(request).value(QStringLiteral("input")).toString().toUtf8())
        .object();
}

struct Rig {
    VirtualScheduler scheduler;
    FakeProviderServer server;
    ProviderTransport transport{scheduler};
    QHash<QString, QString> pages{{pageURL, QStringLiteral("<p>The bridge opened to traffic "
                                                           "in 1937.</p>")}};
    QStringList loaded;
    AIClient client{transport,
                    {server.url(QStringLiteral("/v1/responses")),
                     server.url(QStringLiteral("/api/v1/responses")),
                     server.url(QStringLiteral("/api/alpha/decisions")),
                     server.url(QStringLiteral("/v1/kestrun"))},
                    [this](QUrl url, CancelToken) -> QCoro::Task<std::optional<QString>> {
                        loaded.append(url.toString());
                        const auto page = pages.constFind(url.toString());
                        co_return page == pages.cend() ? std::nullopt : std::optional(*page);
                    }};
    AIConfiguration config{QStringLiteral("selka-key-123"),
                           QStringLiteral("research-key-456"),
                           QStringLiteral("selka-1.13"),
                           QStringLiteral("gpt-5.4"),
                           true,
                           ResearchProvider::openAI,
                           SelkaProvider::quorvane};

    TaskOutcome<std::optional<ResearchResult>> run(EvidenceMode mode, ReferenceCorpus docs) {
        TaskOutcome<std::optional<ResearchResult>> outcome;
        collect(client.checkClaim(claim, QStringLiteral("earlier words"), mode, std::move(docs),
                                  config, {}),
                outcome);
        (void)QTest::qWaitFor([&] { return outcome.done; }, 5000); // a test sees `done` unset
        return outcome;
    }
    std::optional<std::optional<ResearchResult>> check(EvidenceMode mode,
                                                       ReferenceCorpus docs = {}) {
        return run(mode, std::move(docs)).value;
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
    void webCheckThroughSelectionResearchAndConfirmation() {
        Rig rig;
        rig.server.setReply("/v1/kestrun", {200, selection(0.45)});
        rig.server.setReply("/v1/responses",
                            {200, research(QStringLiteral("contradicted"), pageURL, passage)});
        const auto result = rig.check(EvidenceMode::web);
        QVERIFY(result && *result);
        QCOMPARE((*result)->verdict, Verdict::contradicted);
        QCOMPARE((*result)->sources.first().url, pageURL);
        QCOMPARE(rig.loaded, QStringList{pageURL});

        const auto &requests = rig.server.requests();
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests[0].path, QByteArray("/v1/kestrun"));
        QCOMPARE(requests[0].headers.value("authorization"), QByteArray("Bearer selka-key-123"));
        QCOMPARE(requests[1].path, QByteArray("/v1/responses"));
        QCOMPARE(requests[1].headers.value("authorization"), QByteArray("Bearer research-key-456"));
        QCOMPARE(researchInputOf(requests[1]).value(QStringLiteral("context")).toString(),
                 QStringLiteral("earlier words"));
    }

    void selectionBelowTheThresholdEndsTheCheck() {
        Rig rig;
        rig.server.setReply("/v1/kestrun", {200, selection(0.4499)});
        const auto result = rig.check(EvidenceMode::web);
        QVERIFY(result);
        QVERIFY(!*result);
        QCOMPARE(rig.server.requests().size(), 1);
    }

    void unconfirmedPassageBecomesUnresolved() {
        Rig rig;
        rig.config.useSelka = false;
        rig.config.researchProvider = ResearchProvider::openRouter;
        rig.pages[pageURL] = QStringLiteral("<p>Nothing about that here.</p>");
        rig.server.setReply("/api/v1/responses",
                            {200, research(QStringLiteral("contradicted"), pageURL, passage)});
        const auto result = rig.check(EvidenceMode::web);
        QVERIFY(result && *result);
        QCOMPARE((*result)->verdict, Verdict::unresolved);
        QVERIFY((*result)->sources.isEmpty());
        QCOMPARE(rig.server.requests().size(), 1); // no selection request with Selka off
        QCOMPARE(rig.server.requests()[0].path, QByteArray("/api/v1/responses"));
        QCOMPARE(
            requestBody(rig.server.requests()[0]).value(QStringLiteral("max_tool_calls")).toInt(),
            2);
    }

    void documentsModeWithoutDocumentsAsksNobody() {
        Rig rig;
        const auto result = rig.check(EvidenceMode::documents);
        QVERIFY(result && *result);
        QCOMPARE((*result)->explanation, AIClient::noDocumentsExplanation());
        QVERIFY(rig.server.requests().isEmpty());
    }

    void documentsPassCitesTheFileItWasGiven() {
        Rig rig;
        rig.config.useSelka = false;
        const QString citation = QStringLiteral("doc:0F8FAD5B-D9CB-469F-A165-70867728950E");
        rig.server.setReply("/v1/responses",
                            {200, research(QStringLiteral("contradicted"), citation,
                                           QStringLiteral("opened to traffic in 1937"), false)});
        const auto result =
            rig.check(EvidenceMode::documents, oneDocument(QStringLiteral("The bridge opened to "
                                                                          "traffic in 1937.")));
        QVERIFY(result && *result);
        QCOMPARE((*result)->verdict, Verdict::contradicted);
        QCOMPARE((*result)->sources.first().title, QStringLiteral("notes/bridge.md"));
        QCOMPARE((*result)->sources.first().url, QStringLiteral("file:///n/bridge.md"));
        QVERIFY(rig.loaded.isEmpty());
    }

    void combinedModeRunsBothPassesAndMerges() {
        Rig rig;
        rig.config.useSelka = false;
        rig.server.setReply("/v1/responses", {200, research(QStringLiteral("unresolved"), {}, {})});
        const auto result = rig.check(EvidenceMode::combined, oneDocument(QStringLiteral("Text.")));
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
        rig.server.setReplyForBody(R"(\"mode\":\")" + waiting + R"(\")", {.silent = true});
        const auto outcome = rig.run(EvidenceMode::combined, oneDocument(QStringLiteral("T.")));
        QVERIFY(outcome.done && !outcome.cancelled);
        QCOMPARE(outcome.error, QStringLiteral("OpenAI request failed (HTTP 500). OpenAI said: "
                                               "overloaded Check the API key, model access, "
                                               "quota, and connection."));
    }
};

BRINDLE_REGISTER_TEST(AIClientTest);
#include "aiclienttest.moc"
