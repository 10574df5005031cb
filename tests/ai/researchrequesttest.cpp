#include "researchrequest.h"
#include "modelprompts.h"
#include "researchreply.h"
#include "testregistry.h"

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
        QCOMPARE(body.value(QStringLiteral("reasoning")),
                 low ? QJsonValue(QJsonObject{{QStringLiteral("effort"), QStringLiteral("low")}})
                     : QJsonValue(QJsonValue::Undefined));
    }

    // The documents pass sends the passages and no tools; the web pass never sends documents;
    // the provider keeps nothing and must answer by the schema.
    // OpenRouter's search is bounded by its own tool-call limit.
    void bodiesPerPassAndProvider() {
        const QUuid id = QUuid::fromString(QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e"));
        const QList<ReferenceDocument> passages{
            {id, QStringLiteral("notes/a.md"), QStringLiteral("First excerpt."), {}},
            {id, QStringLiteral("b.md"), QStringLiteral("Second."), {}}};
        const auto body = [&](ResearchPass pass, ResearchProvider provider) {
            return researchBody(QStringLiteral("claim"), QStringLiteral("ctx"), pass, passages,
                                QStringLiteral("google/gemini-3.8-flash"), provider);
        };
        const auto docs = body(ResearchPass::documents, ResearchProvider::openRouter);
        QCOMPARE(parseObject(docs[QStringLiteral("input")].toString()),
                 test::singleQuoted(
                     "{'claim':'claim','context':'ctx','mode':'documents','documentText':'SOURCE "
                     "doc:0F8FAD5B-D9CB-469F-A165-70867728950E\\nTITLE notes/a.md\\nFirst "
                     "excerpt.\\n\\nSOURCE doc:0F8FAD5B-D9CB-469F-A165-70867728950E\\nTITLE "
                     "b.md\\nSecond.'}"));
        QCOMPARE(docs[QStringLiteral("instructions")].toString(),
                 ModelPrompts::researchInstructions());
        QVERIFY(!docs.contains(QStringLiteral("tools")));
        QCOMPARE(docs[QStringLiteral("store")], QJsonValue(false)); // nothing kept by the provider
        QCOMPARE(docs[QStringLiteral("text")][QStringLiteral("format")][QStringLiteral("strict")],
                 QJsonValue(true));

        const auto openAI = body(ResearchPass::web, ResearchProvider::openAI);
        QCOMPARE(parseObject(openAI[QStringLiteral("input")].toString()),
                 test::singleQuoted(
                     "{'claim':'claim','context':'ctx','documentText':'','mode':'publicWeb'}"));
        QCOMPARE(openAI[QStringLiteral("tool_choice")].toString(), QStringLiteral("required"));

        const auto router = body(ResearchPass::web, ResearchProvider::openRouter);
        QCOMPARE(router[QStringLiteral("max_tool_calls")].toInt(), 2);
        QVERIFY(!router.contains(QStringLiteral("tool_choice")));
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
