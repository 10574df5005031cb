#include "passageselection.h"
#include "testregistry.h"
#include "textmeasure.h"

using namespace brindle;

namespace {

QList<ReferenceDocument> documents(const QStringList &texts) {
    QList<ReferenceDocument> result;
    for (qsizetype i = 0; i < texts.size(); ++i)
        result.append({QUuid::createUuid(), QStringLiteral("d%1").arg(i), texts.at(i),
                       QUrl::fromLocalFile(QStringLiteral("/refs/d%1.md").arg(i))});
    return result;
}

QStringList namesOf(const QList<ReferenceDocument> &selected) {
    QStringList names;
    for (const auto &document : selected)
        names.append(document.name);
    return names;
}

} // namespace

class PassageSelectionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tokens_data() {
        QTest::addColumn<QString>("claim");
        QTest::addColumn<QStringList>("tokens");
        QTest::newRow("punctuation only") << QStringLiteral(" ,.!? -- ") << QStringList{};
        QTest::newRow("repeated word, one-letter token")
            << QStringLiteral("A cat, a CAT!") << QStringList{"a", "cat"};
        QTest::newRow("accents and scripts stay inside")
            << QStringLiteral("Zoë's 日本 café-au-lait 2024")
            << QStringList{"zoë", "s", "日本", "café", "au", "lait", "2024"};
        QTest::newRow("letters outside the basic plane")
            << QStringLiteral("\U0001D400b\U0001F913c") << QStringList{"\U0001D400b", "c"};
    }
    void tokens() {
        QFETCH(QString, claim);
        QFETCH(QStringList, tokens);
        QCOMPARE(claimTokens(claim), tokens);
    }

    // Each row: claim, document texts, expected names in ranking order and expected excerpts.
    void selection_data() {
        QTest::addColumn<QString>("claim");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("excerpts");
        const QStringList seven = {"p0 x", "p1", "p2 x", "p3", "p4 x", "p5 x", "p6 x"};
        const QStringList six = seven.mid(0, 6);
        QTest::newRow("no documents")
            << "anything" << QStringList{} << QStringList{} << QStringList{};
        QTest::newRow("no tokens: first five in input order")
            << "?!" << QStringList{"a", "b", "c", "d", "e", "f"}
            << QStringList{"d0", "d1", "d2", "d3", "d4"} << QStringList{"a", "b", "c", "d", "e"};
        QTest::newRow("ties keep input order, zero scores fill")
            << "moon landing" << QStringList{"nothing", "moon", "Landing", "MOON landing", "x"}
            << QStringList{"d3", "d1", "d2", "d0", "d4"}
            << QStringList{"MOON landing", "moon", "Landing", "nothing", "x"};
        QTest::newRow("substring match and repeated word")
            << "art art ART" << QStringList{"none", "the start"} << QStringList{"d1", "d0"}
            << QStringList{"the start", "none"};
        QTest::newRow("six paragraphs all kept")
            << "x" << QStringList{six.join("\n\n")} << QStringList{"d0"}
            << QStringList{six.join("\n\n")};
        QTest::newRow("seven paragraphs: best six in document order")
            << "x" << QStringList{seven.join("\n\n")} << QStringList{"d0"}
            << QStringList{"p0 x\n\np1\n\np2 x\n\np4 x\n\np5 x\n\np6 x"};
        QTest::newRow("three line feeds keep the third")
            << "b" << QStringList{"a\n\n\nb\n\nc\n\nd\n\ne\n\nf\n\ng"} << QStringList{"d0"}
            << QStringList{"a\n\n\nb\n\nc\n\nd\n\ne\n\nf"};
        QTest::newRow("empty paragraphs count: the first empty one is dropped")
            << "z" << QStringList{"\n\n\n\n\n\n\n\n\n\n\n\nz"} << QStringList{"d0"}
            << QStringList{"\n\n\n\n\n\n\n\n\n\nz"};
        QTest::newRow("one paragraph cut to 6000 characters")
            << "x" << QStringList{QString(7000, u'x')} << QStringList{"d0"}
            << QStringList{QString(6000, u'x')};
        QTest::newRow("cut counts characters, not code units")
            << "x" << QStringList{QString("e\u0301").repeated(6001)} << QStringList{"d0"}
            << QStringList{QString("e\u0301").repeated(6000)};
    }
    void selection() {
        QFETCH(QString, claim);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, names);
        QFETCH(QStringList, excerpts);
        const auto input = documents(texts);
        const auto selected = selectPassages(claim, input);
        QCOMPARE(namesOf(selected), names);
        QStringList selectedTexts;
        for (const auto &document : selected)
            selectedTexts.append(document.text);
        QCOMPARE(selectedTexts, excerpts);
    }
};

BRINDLE_REGISTER_TEST(PassageSelectionTest);
#include "passageselectiontest.moc"
