#include "claimjob.h"
#include "evidencemode.h"
#include "finding.h"
#include "researchresult.h"
#include "testregistry.h"

#include <QJsonDocument>
#include <QSet>

using namespace brindle;

namespace {

QJsonValue parse(const char *json) {
    return QJsonDocument::fromJson(json).object();
}

} // namespace

class DomainTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void researchResultDecodingIsStrict_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("decodes");
        QTest::newRow("complete")
            << QByteArray("{\"claim\":\"c\",\"verdict\":\"context\",\"explanation\":\"e\", "
                          "\"sources\":[{\"title\":\"t\",\"url\":\"https://a.example/"
                          "\",\"passage\":\"p\"}],\"extra\":1}")
            << true;
        QTest::newRow("empty sources")
            << QByteArray(R"({"claim":"c","verdict":"supported","explanation":"e","sources":[]})")
            << true;
        QTest::newRow("verdict in another case")
            << QByteArray(R"({"claim":"c","verdict":"Supported","explanation":"e","sources":[]})")
            << false;
        QTest::newRow("unknown verdict")
            << QByteArray(R"({"claim":"c","verdict":"false","explanation":"e","sources":[]})")
            << false;
        QTest::newRow("missing sources")
            << QByteArray(R"({"claim":"c","verdict":"supported","explanation":"e"})") << false;
        QTest::newRow("sources not an array")
            << QByteArray(R"({"claim":"c","verdict":"supported","explanation":"e","sources":{}})")
            << false;
        QTest::newRow("claim a number")
            << QByteArray(R"({"claim":1,"verdict":"supported","explanation":"e","sources":[]})")
            << false;
        QTest::newRow("explanation null")
            << QByteArray(R"({"claim":"c","verdict":"supported","explanation":null,"sources":[]})")
            << false;
        QTest::newRow("source without passage")
            << QByteArray(
                   R"({"claim":"c","verdict":"supported","explanation":"e","sources":[{"title":"t","url":"u"}]})")
            << false;
        QTest::newRow("source not an object")
            << QByteArray(
                   R"({"claim":"c","verdict":"supported","explanation":"e","sources":["u"]})")
            << false;
    }

    void researchResultDecodingIsStrict() {
        QFETCH(QByteArray, json);
        QFETCH(bool, decodes);
        const auto result = ResearchResult::fromJson(parse(json.constData()));
        QCOMPARE(result.has_value(), decodes);
        if (result)
            QCOMPARE(ResearchResult::fromJson(result->toJson()), result);
    }

    void sourcesShareIdentityByUrlButCompareAllFields() {
        const EvidenceSource a{QStringLiteral("t"), QStringLiteral("https://x.example/"),
                               QStringLiteral("one")};
        const EvidenceSource b{QStringLiteral("t"), QStringLiteral("https://x.example/"),
                               QStringLiteral("two")};
        QVERIFY(a != b);
        QCOMPARE(a.identity(), b.identity());
    }

    void evidenceModeLabelsMatchExactly() {
        QCOMPARE(evidenceModeFromLabel(QStringLiteral("Public web")), EvidenceMode::web);
        QCOMPARE(evidenceModeFromLabel(QStringLiteral("public web")), std::nullopt);
        QCOMPARE(evidenceModeFromLabel(QStringLiteral("Documents only")), EvidenceMode::documents);
        QCOMPARE(evidenceModeFromLabel(QStringLiteral("References + web")), EvidenceMode::combined);
        for (auto mode : allEvidenceModes)
            QCOMPARE(evidenceModeFromLabel(evidenceModeLabel(mode)), mode);
    }

    void originsHashOverAllFields() {
        QSet<ClaimOrigin> set{{QStringLiteral("application"), 0, 0, 10},
                              {QStringLiteral("application"), 0, 0, 10},
                              {QStringLiteral("microphone"), 0, 0, 10},
                              {QStringLiteral("application"), 0, 1, 10}};
        QCOMPARE(set.size(), 3);
    }

    void findingsCopyTheJobAndFixARandomEyebrow() {
        const ClaimJob job{QUuid::createUuid(), QStringLiteral("The bridge opened in 1932"),
                           QDateTime::currentDateTimeUtc(),
                           ClaimOrigin{QStringLiteral("application"), 2, 0, 25}};
        const ResearchResult result{QStringLiteral("restated"),
                                    Verdict::contradicted,
                                    QStringLiteral("It opened in 1937."),
                                    {}};
        const auto finding = makeFinding(job, result, job.heardAt, 1.5);
        QCOMPARE(finding.quote, job.text);
        QCOMPARE(finding.origin, job.origin);
        QCOMPARE(finding.verdict, Verdict::contradicted);
        QVERIFY(!finding.isDemo);

        // Every one of the eight combinations turns up, and nothing else does.
        const QStringList emoji{QStringLiteral("\u261D\uFE0F"), QStringLiteral("\U0001F913")};
        const QStringList hums{QStringLiteral("errmm..."), QStringLiteral("umm...")};
        const QStringList names{QStringLiteral("brindle..."), QStringLiteral("brindelly...")};
        QSet<QString> seen;
        for (int i = 0; i < 400; ++i) {
            const auto parts = randomEyebrow().split(u' ');
            QCOMPARE(parts.size(), 3);
            QVERIFY(emoji.contains(parts[0]) && hums.contains(parts[1]) &&
                    names.contains(parts[2]));
            seen.insert(parts.join(u' '));
        }
        QCOMPARE(seen.size(), 8);
    }
};

BRINDLE_REGISTER_TEST(DomainTest);
#include "domaintest.moc"
