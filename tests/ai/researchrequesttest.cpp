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

// JSON written with single quotes.
QJsonObject js(const char *text) {
    return QJsonDocument::fromJson(QByteArray(text).replace('\'', '"')).object();
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
        QTest::newRow("gpt-6 family") << QStringLiteral("openai/gpt-6-mini") << true;
        QTest::newRow("gemini") << QStringLiteral("google/gemini-3.8-flash") << false;
        QTest::newRow("gpt-5 inside a segment") << QStringLiteral("acme/my-gpt-5") << false;
        QTest::newRow("gpt-5 in an earlier segment") << QStringLiteral("gpt-5/other") << false;
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
        auto docs = researchBody(
            QStringLiteral("claim"), QStringLiteral("ctx"), ResearchPass::documents, passages,
            QStringLiteral("google/gemini-3.8-flash"), ResearchProvider::openRouter);
        QCOMPARE(parseObject(docs.take(QStringLiteral("input")).toString()),
                 js("{'claim':'claim','context':'ctx','mode':'documents','documentText':'SOURCE "
                    "doc:0F8FAD5B-D9CB-469F-A165-70867728950E\\nTITLE notes/a.md\\nFirst "
                    "excerpt.\\n\\nSOURCE doc:0F8FAD5B-D9CB-469F-A165-70867728950E\\nTITLE "
                    "b.md\\nSecond.'}"));
        auto format = js("{'type':'json_schema','name':'fact_check','strict':true}");
        format.insert(QStringLiteral("schema"), researchSchema());
        auto expected = js("{'max_output_tokens':2200,'model':'google/gemini-3.8-flash','store':"
                           "false}");
        expected.insert(QStringLiteral("instructions"), ModelPrompts::researchInstructions());
        expected.insert(QStringLiteral("text"), QJsonObject{{QStringLiteral("format"), format}});
        QCOMPARE(docs, expected);

        auto openAI =
            researchBody(QStringLiteral("claim"), QStringLiteral("ctx"), ResearchPass::web,
                         passages, QStringLiteral("gpt-5.4"), ResearchProvider::openAI);
        QCOMPARE(parseObject(openAI.take(QStringLiteral("input")).toString()),
                 js("{'claim':'claim','context':'ctx','documentText':'','mode':'publicWeb'}"));
        for (const auto *key :
             {"instructions", "text", "model", "store", "max_output_tokens", "reasoning"})
            openAI.remove(QString::fromLatin1(key));
        QCOMPARE(openAI, js("{'tools':[{'type':'web_search'}],'tool_choice':'required','include':["
                            "'web_search_call.action.sources']}"));

        const auto router = researchBody(QStringLiteral("claim"), QString(), ResearchPass::web, {},
                                         QStringLiteral("x/y"), ResearchProvider::openRouter);
        QCOMPARE(
            router.value(QStringLiteral("tools")).toArray(),
            QJsonArray{js("{'type':'openrouter:web_search','parameters':{'engine':'exa',"
                          "'mode':'fast','max_results':3,'max_total_results':6,'max_uses':2}}")});
        QCOMPARE(router.value(QStringLiteral("max_tool_calls")).toInt(), 2);
        QVERIFY(!router.contains(QStringLiteral("tool_choice")));
        QVERIFY(!router.contains(QStringLiteral("include")));
    }

    void merging_data() {
        QTest::addColumn<ResearchResult>("local");
        QTest::addColumn<ResearchResult>("web");
        QTest::addColumn<ResearchResult>("merged");
        const auto a = source("https://a.example/", "from docs");
        const auto aWeb = source("https://a.example/", "from web");
        const auto b = source("https://b.example/");
        const auto said = [](ResearchResult r, const char *explanation) {
            r.explanation = QString::fromUtf8(explanation);
            return r;
        };
        QTest::newRow("different claims")
            << result(Verdict::supported, {a}) << result(Verdict::supported, {b}, "Other.")
            << said(result(Verdict::unresolved),
                    "The checks addressed different claims. No correction was issued.");
        QTest::newRow("only local resolved")
            << result(Verdict::contradicted, {a}) << result(Verdict::unresolved, {b})
            << said(result(Verdict::contradicted, {a}),
                    "Local references: E. Public sources did not resolve this claim.");
        QTest::newRow("only web resolved")
            << result(Verdict::unresolved) << result(Verdict::context, {b})
            << said(result(Verdict::context, {b}),
                    "Public sources: E. Local references did not resolve this claim.");
        QTest::newRow("same verdict, shared url kept once from the documents pass")
            << result(Verdict::supported, {a}) << result(Verdict::supported, {aWeb, b})
            << said(result(Verdict::supported, {a, b}), "Local references: E. Public sources: E.");
        QTest::newRow("disagreement")
            << result(Verdict::supported, {a}) << result(Verdict::contradicted, {b})
            << said(result(Verdict::unresolved, {a, b}),
                    "Local references and public sources disagree. Review the evidence before "
                    "drawing a conclusion.");
        QTest::newRow("both unresolved")
            << result(Verdict::unresolved, {a}) << result(Verdict::unresolved, {aWeb})
            << said(result(Verdict::unresolved, {a}),
                    "Neither local references nor public sources provided enough evidence to "
                    "resolve this claim.");
    }

    void merging() {
        QFETCH(ResearchResult, local);
        QFETCH(ResearchResult, web);
        QTEST(mergeResults(local, web), "merged");
    }
};

BRINDLE_REGISTER_TEST(ResearchRequestTest);
#include "researchrequesttest.moc"
