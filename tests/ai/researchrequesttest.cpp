#include "researchrequest.h"
#include "modelprompts.h"
#include "testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>

Q_DECLARE_METATYPE(brindle::ResearchResult)

using namespace brindle;

namespace {

QJsonObject parseObject(const QString &text) {
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

EvidenceSource source(const char *url, const char *passage = "p") {
    return {QStringLiteral("t"), QString::fromUtf8(url), QString::fromUtf8(passage)};
}

ResearchResult result(Verdict verdict, QList<EvidenceSource> sources = {},
                      const char *claim = "The bridge opened in 1937.") {
    return {QString::fromUtf8(claim), verdict, QStringLiteral("E."), std::move(sources)};
}

} // namespace

class ResearchRequestTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void inputIsSortedCompactJson() {
        QCOMPARE(researchInput(QStringLiteral("c"), QStringLiteral("ctx"), std::nullopt, true),
                 QStringLiteral("{\"claim\":\"c\",\"context\":\"ctx\",\"documentText\":\"\","
                                "\"mode\":\"publicWeb\"}"));
        QCOMPARE(researchInput(QStringLiteral("a \"q\"\n"), QString(), QStringLiteral("d"), false),
                 QStringLiteral("{\"claim\":\"a \\\"q\\\"\\n\",\"context\":\"\",\"documentText\":"
                                "\"d\",\"mode\":\"documents\"}"));
    }

    void reasoningFollowsTheLastModelSegment_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("low");
        QTest::newRow("plain gpt-5") << QStringLiteral("gpt-5.4") << true;
        QTest::newRow("routed gpt-5") << QStringLiteral("openai/gpt-5.4") << true;
        QTest::newRow("gpt-6 family") << QStringLiteral("openai/gpt-6-mini") << true;
        QTest::newRow("trailing slash") << QStringLiteral("openai/gpt-5/") << true;
        QTest::newRow("gemini") << QStringLiteral("google/gemini-3.8-flash") << false;
        QTest::newRow("gpt-5 inside a segment") << QStringLiteral("acme/my-gpt-5") << false;
        QTest::newRow("gpt-5 in an earlier segment") << QStringLiteral("gpt-5/other") << false;
        QTest::newRow("only slashes") << QStringLiteral("//") << false;
        QTest::newRow("gpt-4o") << QStringLiteral("gpt-4o") << false;
    }

    void reasoningFollowsTheLastModelSegment() {
        QFETCH(QString, model);
        QFETCH(bool, low);
        const auto body = researchBody(QStringLiteral("c"), QString(), ResearchPass::documents, {},
                                       model, ResearchProvider::openAI);
        QCOMPARE(body.contains(QStringLiteral("reasoning")), low);
        if (low)
            QCOMPARE(body.value(QStringLiteral("reasoning")).toObject(),
                     (QJsonObject{{QStringLiteral("effort"), QStringLiteral("low")}}));
    }

    void bodiesPerPassAndProvider() {
        const QUuid id = QUuid::fromString(QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e"));
        const QList<ReferenceDocument> passages{
            {id, QStringLiteral("notes/a.md"), QStringLiteral("First excerpt."), {}},
            {id, QStringLiteral("b.md"), QStringLiteral("Second."), {}}};
        const auto docs = researchBody(
            QStringLiteral("claim"), QStringLiteral("ctx"), ResearchPass::documents, passages,
            QStringLiteral("google/gemini-3.8-flash"), ResearchProvider::openRouter);
        QCOMPARE(docs.keys(),
                 (QStringList{QStringLiteral("input"), QStringLiteral("instructions"),
                              QStringLiteral("max_output_tokens"), QStringLiteral("model"),
                              QStringLiteral("store"), QStringLiteral("text")}));
        QCOMPARE(docs.value(QStringLiteral("model")).toString(),
                 QStringLiteral("google/gemini-3.8-flash"));
        QCOMPARE(docs.value(QStringLiteral("store")), QJsonValue(false));
        QCOMPARE(docs.value(QStringLiteral("max_output_tokens")).toInt(), 2200);
        QCOMPARE(docs.value(QStringLiteral("instructions")).toString(),
                 ModelPrompts::researchInstructions());
        const auto format = docs.value(QStringLiteral("text"))
                                .toObject()
                                .value(QStringLiteral("format"))
                                .toObject();
        QCOMPARE(format.value(QStringLiteral("type")).toString(), QStringLiteral("json_schema"));
        QCOMPARE(format.value(QStringLiteral("name")).toString(), QStringLiteral("fact_check"));
        QCOMPARE(format.value(QStringLiteral("strict")), QJsonValue(true));
        QCOMPARE(format.value(QStringLiteral("schema")).toObject(), researchSchema());
        const auto input = parseObject(docs.value(QStringLiteral("input")).toString());
        QCOMPARE(input.value(QStringLiteral("mode")).toString(), QStringLiteral("documents"));
        QCOMPARE(input.value(QStringLiteral("context")).toString(), QStringLiteral("ctx"));
        QCOMPARE(
            input.value(QStringLiteral("documentText")).toString(),
            QStringLiteral("SOURCE doc:0F8FAD5B-D9CB-469F-A165-70867728950E\nTITLE notes/a.md\n"
                           "First excerpt.\n\nSOURCE doc:0F8FAD5B-D9CB-469F-A165-70867728950E\n"
                           "TITLE b.md\nSecond."));

        const auto openAI =
            researchBody(QStringLiteral("claim"), QStringLiteral("ctx"), ResearchPass::web,
                         passages, QStringLiteral("gpt-5.4"), ResearchProvider::openAI);
        QCOMPARE(openAI.value(QStringLiteral("tools")).toArray(),
                 (QJsonArray{QJsonObject{{QStringLiteral("type"), QStringLiteral("web_search")}}}));
        QCOMPARE(openAI.value(QStringLiteral("tool_choice")).toString(),
                 QStringLiteral("required"));
        QCOMPARE(openAI.value(QStringLiteral("include")).toArray(),
                 (QJsonArray{QStringLiteral("web_search_call.action.sources")}));
        QVERIFY(!openAI.contains(QStringLiteral("max_tool_calls")));
        const auto webInput = parseObject(openAI.value(QStringLiteral("input")).toString());
        QCOMPARE(webInput.value(QStringLiteral("documentText")).toString(), QString());
        QCOMPARE(webInput.value(QStringLiteral("mode")).toString(), QStringLiteral("publicWeb"));

        const auto router = researchBody(QStringLiteral("claim"), QString(), ResearchPass::web, {},
                                         QStringLiteral("x/y"), ResearchProvider::openRouter);
        const auto tool = router.value(QStringLiteral("tools")).toArray().at(0).toObject();
        QCOMPARE(tool.value(QStringLiteral("type")).toString(),
                 QStringLiteral("openrouter:web_search"));
        QCOMPARE(tool.value(QStringLiteral("parameters")).toObject(),
                 (QJsonObject{{QStringLiteral("engine"), QStringLiteral("exa")},
                              {QStringLiteral("mode"), QStringLiteral("fast")},
                              {QStringLiteral("max_results"), 3},
                              {QStringLiteral("max_total_results"), 6},
                              {QStringLiteral("max_uses"), 2}}));
        QCOMPARE(router.value(QStringLiteral("max_tool_calls")).toInt(), 2);
        QVERIFY(!router.contains(QStringLiteral("tool_choice")));
        QVERIFY(!router.contains(QStringLiteral("include")));
    }

    void schemaIsStrict() {
        const auto schema = researchSchema();
        QCOMPARE(schema.value(QStringLiteral("additionalProperties")), QJsonValue(false));
        const auto props = schema.value(QStringLiteral("properties")).toObject();
        QCOMPARE(props.value(QStringLiteral("verdict"))
                     .toObject()
                     .value(QStringLiteral("enum"))
                     .toArray(),
                 (QJsonArray{QStringLiteral("supported"), QStringLiteral("contradicted"),
                             QStringLiteral("context"), QStringLiteral("unresolved")}));
        const auto items = props.value(QStringLiteral("sources"))
                               .toObject()
                               .value(QStringLiteral("items"))
                               .toObject();
        QCOMPARE(items.value(QStringLiteral("additionalProperties")), QJsonValue(false));
        QCOMPARE(items.value(QStringLiteral("required")).toArray().size(), 3);
    }

    void merging_data() {
        QTest::addColumn<ResearchResult>("local");
        QTest::addColumn<ResearchResult>("web");
        QTest::addColumn<ResearchResult>("merged");
        const auto a = source("https://a.example/", "from docs");
        const auto aWeb = source("https://a.example/", "from web");
        const auto b = source("https://b.example/");
        QTest::newRow("different claims")
            << result(Verdict::supported, {a}) << result(Verdict::supported, {b}, "Other.")
            << ResearchResult{QStringLiteral("The bridge opened in 1937."),
                              Verdict::unresolved,
                              QStringLiteral("The checks addressed different claims. No correction "
                                             "was issued."),
                              {}};
        QTest::newRow("only local resolved")
            << result(Verdict::contradicted, {a}) << result(Verdict::unresolved, {b})
            << result(Verdict::contradicted, {a});
        QTest::newRow("only web resolved")
            << result(Verdict::unresolved) << result(Verdict::context, {b})
            << result(Verdict::context, {b});
        QTest::newRow("same verdict, shared url kept once from the documents pass")
            << result(Verdict::supported, {a}) << result(Verdict::supported, {aWeb, b})
            << result(Verdict::supported, {a, b});
        QTest::newRow("disagreement")
            << result(Verdict::supported, {a}) << result(Verdict::contradicted, {b})
            << result(Verdict::unresolved, {a, b});
        QTest::newRow("both unresolved")
            << result(Verdict::unresolved, {a}) << result(Verdict::unresolved, {aWeb})
            << result(Verdict::unresolved, {a});
    }

    void merging() {
        QFETCH(ResearchResult, local);
        QFETCH(ResearchResult, web);
        QFETCH(ResearchResult, merged);
        const auto got = mergeResults(local, web);
        QCOMPARE(got.claim, merged.claim);
        QCOMPARE(got.verdict, merged.verdict);
        QCOMPARE(got.sources, merged.sources);
        const QString tag = QString::fromUtf8(QTest::currentDataTag());
        if (tag.startsWith(QStringLiteral("only local")))
            QCOMPARE(
                got.explanation,
                QStringLiteral("Local references: E. Public sources did not resolve this claim."));
        else if (tag.startsWith(QStringLiteral("only web")))
            QCOMPARE(
                got.explanation,
                QStringLiteral("Public sources: E. Local references did not resolve this claim."));
        else if (tag.startsWith(QStringLiteral("same verdict")))
            QCOMPARE(got.explanation, QStringLiteral("Local references: E. Public sources: E."));
        else if (tag == QStringLiteral("disagreement"))
            QCOMPARE(got.explanation,
                     QStringLiteral("Local references and public sources disagree. Review the "
                                    "evidence before drawing a conclusion."));
        else if (tag == QStringLiteral("both unresolved"))
            QCOMPARE(got.explanation,
                     QStringLiteral("Neither local references nor public sources "
                                    "provided enough evidence to resolve this claim."));
        else
            QCOMPARE(got.explanation, merged.explanation);
    }
};

BRINDLE_REGISTER_TEST(ResearchRequestTest);
#include "researchrequesttest.moc"
