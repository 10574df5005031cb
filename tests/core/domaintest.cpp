#include "researchreply.h"
#include "researchresult.h"
#include "testregistry.h"

#include <QJsonDocument>

using namespace brindle;

class DomainTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void researchResultDecodingIsStrict_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("decodes");
        // Each row changes members of a valid result; "-" removes one.
        const auto row = [](const char *name, const char *members, bool decodes) {
            const auto valid = test::singleQuoted(
                "{'claim':'c','verdict':'supported','explanation':'e','sources':[]}");
            QTest::newRow(name) << QJsonDocument(test::changed(valid, members)).toJson() << decodes;
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
        const auto result = ResearchResult::fromJson(test::singleQuoted(json.constData()));
        QCOMPARE(result.has_value(), decodes);
        if (result)
            QCOMPARE(ResearchResult::fromJson(result->toJson()), result);
    }
};

BRINDLE_REGISTER_TEST(DomainTest);
#include "domaintest.moc"
