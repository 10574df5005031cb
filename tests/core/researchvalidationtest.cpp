#include "researchvalidation.h"
#include "apperror.h"
#include "testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace brindle;

namespace {

const QString claimText = QStringLiteral("The bridge opened in 1932.");
const QString pageURL = QStringLiteral("https://example.com/bridge");
const QString downgraded = QStringLiteral(
    "The research response did not include usable evidence. No correction was issued.");
const QString notesPassage = QStringLiteral("bridge opened   in 1932\nAND carries");
const QUuid documentId = QUuid::fromString(QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E"));

QString words(int count) {
    return QStringList(count, QStringLiteral("w")).join(u' ');
}

// JSON written with single quotes; quoted() escapes a value so it survives the swap.
QByteArray json(QByteArray text) {
    return text.replace('\'', '"');
}
QByteArray quoted(const QString &text) {
    return QJsonDocument(QJsonArray{text})
        .toJson(QJsonDocument::Compact)
        .mid(1)
        .chopped(1)
        .replace("'", "\\u0027");
}

QJsonObject source(const QString &url, const QString &passage,
                   const QString &title = QStringLiteral("Bridge history")) {
    return {{QStringLiteral("title"), title},
            {QStringLiteral("url"), url},
            {QStringLiteral("passage"), passage}};
}

QString answer(const QJsonArray &sources, const QString &verdict = QStringLiteral("supported"),
               const QString &explanation = QStringLiteral("City records give the date."),
               const QString &claim = claimText) {
    const QJsonObject object{{QStringLiteral("claim"), claim},
                             {QStringLiteral("verdict"), verdict},
                             {QStringLiteral("explanation"), explanation},
                             {QStringLiteral("sources"), sources}};
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// A completed envelope shaped like a real one: a reasoning item, a search call whose sources
// include an entry without a url, an open_page call with its own url, the answer split over two
// parts with annotation offsets, and a part that is not output_text with a url_citation.
QByteArray envelope(const QString &answerText, const QStringList &searched = {pageURL},
                    const QString &opened = {}, const QString &cited = {}) {
    QByteArray sources = "{'type':'api'}";
    for (const auto &url : searched)
        sources += ",{'type':'url','url':" + quoted(url) + "}";
    const auto half = answerText.size() / 2;
    return json("{'status':'completed','error':null,'output':[{'type':'reasoning','summary':[]},{'"
                "type':'web_search_call','action':{'type':'search','sources':[" +
                sources + "]}},{'type':'web_search_call','action':{'type':'open_page','url':" +
                quoted(opened) + "}},{'type':'message','content':[{'type':'output_text','text':" +
                quoted(answerText.left(half)) +
                ",'annotations':[]},{'type':'output_text','text':" + quoted(answerText.mid(half)) +
                ",'logprobs':[]},{'type':'refusal','annotations':[{'type':'url_citation',"
                "'start_index':3,'url':" +
                quoted(cited) + "}]}]}]}");
}

QList<ReferenceDocument> passages() {
    return {{documentId, QStringLiteral("Bridge notes.md"),
             QStringLiteral("The bridge OPENED in\n1932   and carries eight lanes."),
             QUrl::fromLocalFile(QStringLiteral("/home/ana/refs/Bridge notes.md"))}};
}

} // namespace

class ResearchValidationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rejectsWithTheFixedMessage_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message");
        const auto notCompleted =
            QStringLiteral("Research did not complete. No verdict was issued.");
        const auto invalid =
            QStringLiteral("Research returned an invalid result. No verdict was issued.");
        const auto oversized =
            QStringLiteral("Research returned an incomplete or oversized result.");
        const QJsonArray oneSource{source(pageURL, QStringLiteral("opened in 1932"))};

        QTest::newRow("status in progress")
            << json("{'status':'in_progress','output':[]}") << notCompleted;
        QTest::newRow("output missing") << json("{'status':'completed'}") << notCompleted;
        QTest::newRow("no answer text")
            << json("{'status':'completed','output':[{'type':'message'}]}") << invalid;
        QTest::newRow("answer not JSON") << envelope(QStringLiteral("I think so.")) << invalid;
        QTest::newRow("lone surrogate")
            << json("{'status':'completed','output':[{'type':'message','content':[{'type':"
                    "'output_text','text':'\\ud800'}]}]}")
            << QStringLiteral("Research returned no readable result.");
        QTest::newRow("empty claim") << envelope(answer(oneSource, QStringLiteral("supported"),
                                                        QStringLiteral("x"), QString()))
                                     << oversized;
        QTest::newRow("81 words") << envelope(
                                         answer(oneSource, QStringLiteral("supported"), words(81)))
                                  << oversized;
        QTest::newRow("4 sources")
            << envelope(answer({oneSource[0], oneSource[0], oneSource[0], oneSource[0]}))
            << oversized;
        QTest::newRow("not JSON at all")
            << QByteArray("{\"status\":")
            << QStringLiteral("The research response is not valid JSON");
        QTest::newRow("claim differs in case")
            << envelope(answer(oneSource, QStringLiteral("supported"), QStringLiteral("x"),
                               claimText.toLower()))
            << QStringLiteral("Research answered a different claim. No correction was issued.");
    }

    void rejectsWithTheFixedMessage() {
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        try {
            validateResearch(body, ResearchPass::web, {}, claimText);
            QFAIL("accepted");
        } catch (const AppError &error) {
            QVERIFY2(error.message().startsWith(message), qPrintable(error.message()));
        }
    }

    // Each row is judged on the web pass unless it names the documents pass.
    void judgesEvidence_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<ResearchPass>("pass");
        const auto row = [](const char *name, const QByteArray &body, bool kept,
                            ResearchPass pass = ResearchPass::web) {
            QTest::newRow(name) << body << kept << pass;
        };
        const auto ok = QStringLiteral("opened in 1932");
        const auto supported = QStringLiteral("supported");

        row("retrieved source", envelope(answer({source(pageURL, ok)})), true);
        row("80-word explanation", envelope(answer({source(pageURL, ok)}, supported, words(80))),
            true);
        row("unresolved without sources", envelope(answer({}, QStringLiteral("unresolved"))), true);
        row("contradicted without sources", envelope(answer({}, QStringLiteral("contradicted"))),
            false);
        row("15 then 10 words from one URL",
            envelope(answer({source(pageURL, words(15)), source(pageURL, words(10))})), true);
        row("15 then 11 words from one URL",
            envelope(answer({source(pageURL, words(15)), source(pageURL, words(11))})), false);
        row("26-word passage", envelope(answer({source(pageURL, words(26))})), false);
        row("empty title", envelope(answer({source(pageURL, ok, QString())})), false);
        row("never retrieved",
            envelope(answer({source(QStringLiteral("https://example.org/other"), ok)})), false);
        row("ftp even when retrieved",
            envelope(answer({source(QStringLiteral("ftp://example.com/f"), ok)}),
                     {QStringLiteral("ftp://example.com/f")}),
            false);
        row("document citation on the web pass",
            envelope(answer({source(documentCitation(documentId), ok)})), false);
        const auto opened = QStringLiteral("https://a.test/page"),
                   cited = QStringLiteral("https://b.test/page");
        row("retrieved by an open_page url and a citation on any part",
            envelope(answer({source(opened, ok), source(cited, ok)}), {}, opened, cited), true);
        row("second source bad",
            envelope(answer({source(pageURL, ok), source(QStringLiteral("https://x.test/"), ok)})),
            false);
        const auto citation = documentCitation(documentId);
        row("document differs only in breaks, spaces and case",
            envelope(answer({source(citation, notesPassage)})), true, ResearchPass::documents);
        row("document with a changed word",
            envelope(answer({source(citation, QStringLiteral("bridge closed in 1932"))})), false,
            ResearchPass::documents);
        row("document not sent",
            envelope(answer({source(documentCitation(QUuid::createUuid()), ok)})), false,
            ResearchPass::documents);
        row("web URL on the documents pass", envelope(answer({source(pageURL, ok)})), false,
            ResearchPass::documents);
    }

    void judgesEvidence() {
        QFETCH(QByteArray, body);
        QFETCH(bool, kept);
        QFETCH(ResearchPass, pass);
        const auto result = validateResearch(body, pass, passages(), claimText);
        QCOMPARE(result.claim, claimText);
        if (!kept) {
            QCOMPARE(result.verdict, Verdict::unresolved);
            QCOMPARE(result.explanation, downgraded);
            QVERIFY(result.sources.isEmpty());
        } else if (pass == ResearchPass::web) {
            QVERIFY(result.explanation != downgraded);
            QVERIFY(!result.sources.isEmpty() || result.verdict == Verdict::unresolved);
        } else {
            // The citation id gives way to the file's name and its file URL; the passage stays.
            QCOMPARE(result.verdict, Verdict::supported);
            QCOMPARE(result.sources, (QList<EvidenceSource>{
                                         {QStringLiteral("Bridge notes.md"),
                                          QStringLiteral("file:///home/ana/refs/Bridge%20notes.md"),
                                          notesPassage}}));
        }
    }
};

BRINDLE_REGISTER_TEST(ResearchValidationTest);
#include "researchvalidationtest.moc"
