#include "modelprompts.h"
#include "testregistry.h"

using namespace brindle;

class ModelPromptsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void selectionText() {
        const auto text = ModelPrompts::selectionInstructions();
        QCOMPARE(text.size(), 524);
        QCOMPARE(text.count(u'\n'), 4);
        QVERIFY(text.startsWith(QStringLiteral("Decide whether the transcript contains")));
        QVERIFY(text.endsWith(QStringLiteral("Return the configured noul answer.")));
        QCOMPARE(text.toUtf8().size(), 524);
    }

    void researchText() {
        const auto text = ModelPrompts::researchInstructions();
        QCOMPARE(text.size(), 1934);
        QCOMPARE(text.toUtf8().size(), 1936);
        QCOMPARE(text.count(u'\n'), 17);
        QVERIFY(text.endsWith(QStringLiteral("Do not add Markdown.")));
        qsizetype nonAscii = 0;
        for (QChar c : text)
            nonAscii += c.unicode() > 0x7f ? 1 : 0;
        QCOMPARE(nonAscii, 1);
        QVERIFY(text.contains(QStringLiteral("explanation is 1\u20132 plain sentences")));
        for (const auto &line : text.split(u'\n'))
            QVERIFY2(!line.endsWith(u' '), qPrintable(line));
    }
};

BRINDLE_REGISTER_TEST(ModelPromptsTest);
#include "modelpromptstest.moc"
