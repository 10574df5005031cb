#include "evidencemode.h"
#include "finding.h"
#include "researchresult.h"
#include "testregistry.h"

#include <QJsonDocument>
#include <QSet>

using namespace brindle;

namespace {

// JSON written with single quotes.
QJsonObject parse(const char *json) {
    return QJsonDocument::fromJson(QByteArray(json).replace('\'', '"')).object();
}

} // namespace

class DomainTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void researchResultDecodingIsStrict_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("decodes");
        // Each row changes members of a valid result; "-" removes one.
        const auto row = [](const char *name, const char *members, bool decodes) {
            auto object =
                parse("{'claim':'c','verdict':'supported','explanation':'e','sources':[]}");
            const auto changes = parse(members);
            for (auto it = changes.begin(); it != changes.end(); ++it) {
                if (*it == QJsonValue(QStringLiteral("-")))
                    object.remove(it.key());
                else
                    object.insert(it.key(), *it);
            }
            QTest::newRow(name) << QJsonDocument(object).toJson() << decodes;
        };
        row("complete",
            "{'verdict':'context','sources':[{'title':'t','url':'https://a.example/','passage':"
            "'p'}],'extra':1}",
            true);
        row("empty sources", "{}", true);
        row("verdict in another case", "{'verdict':'Supported'}", false);
        row("unknown verdict", "{'verdict':'false'}", false);
        row("missing sources", "{'sources':'-'}", false);
        row("sources not an array", "{'sources':{}}", false);
        row("claim a number", "{'claim':1}", false);
        row("explanation null", "{'explanation':null}", false);
        row("source without passage", "{'sources':[{'title':'t','url':'u'}]}", false);
        row("source not an object", "{'sources':['u']}", false);
    }

    void researchResultDecodingIsStrict() {
        QFETCH(QByteArray, json);
        QFETCH(bool, decodes);
        const auto result = ResearchResult::fromJson(parse(json.constData()));
        QCOMPARE(result.has_value(), decodes);
        if (result)
            QCOMPARE(ResearchResult::fromJson(result->toJson()), result);
    }

    void evidenceModeLabelsMatchExactly() {
        QCOMPARE(evidenceModeFromLabel(QStringLiteral("public web")), std::nullopt);
        for (auto mode : allEvidenceModes)
            QCOMPARE(evidenceModeFromLabel(evidenceModeLabel(mode)), mode);
    }

    // Every one of the eight combinations turns up, and nothing else does.
    void eyebrowIsOneOfEight() {
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
