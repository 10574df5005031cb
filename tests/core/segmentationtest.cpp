#include "testregistry.h"
#include "transcriptstate.h"

using namespace brindle;

class SegmentationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void update_data() {
        QTest::addColumn<QStringList>("before"); // partial reports fed first
        QTest::addColumn<QString>("report");
        QTest::addColumn<bool>("isFinal");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("start");
        QTest::addColumn<QString>("flags"); // "r" revised, "c" correction
        QTest::addColumn<QString>("committed");
        QTest::addColumn<qint64>("completed");
        QTest::addColumn<qint64>("utterance"); // of the state afterwards

        const auto tower = QStringLiteral("The tower is 300 metres tall.");
        QTest::newRow("first partial") << QStringList{} << QStringLiteral("The tower is") << false
                                       << QStringLiteral("The tower is") << 0ll << QString()
                                       << QStringLiteral("The tower is") << 0ll << 0ll;
        QTest::newRow("unfinished sentence offered again")
            << QStringList{QStringLiteral("The tower is")} << tower << false << tower << 0ll
            << QStringLiteral("r") << tower << 29ll << 0ll;
        QTest::newRow("continuation after a finished sentence")
            << QStringList{QStringLiteral("The tower is"), tower}
            << tower + QStringLiteral(" It opened") << false << QStringLiteral("It opened") << 29ll
            << QString() << tower + QStringLiteral(" It opened") << 29ll << 0ll;
        QTest::newRow("reworded beginning")
            << QStringList{tower} << QStringLiteral("The towers are 300 metres tall.") << false
            << QStringLiteral("The towers are 300 metres tall.") << 0ll << QStringLiteral("r")
            << QStringLiteral("The towers are 300 metres tall.") << 31ll << 0ll;
        QTest::newRow("spoken correction")
            << QStringList{QStringLiteral("It opened in 1890.")}
            << QStringLiteral("It opened in 1890. Actually, it was 1889") << false
            << QStringLiteral("It opened in 1890. Actually, it was 1889") << 0ll
            << QStringLiteral("rc") << QStringLiteral("It opened in 1890. Actually, it was 1889")
            << 18ll << 0ll;
        QTest::newRow("microphone correction")
            << QStringList{} << QStringLiteral("You: sorry, I meant Tuesday") << false
            << QStringLiteral("You: sorry, I meant Tuesday") << 0ll << QStringLiteral("rc")
            << QStringLiteral("You: sorry, I meant Tuesday") << 0ll << 0ll;
        QTest::newRow("no marker")
            << QStringList{QStringLiteral("It is.")} << QStringLiteral("It is. Nothing") << false
            << QStringLiteral("Nothing") << 6ll << QString() << QStringLiteral("It is. Nothing")
            << 6ll << 0ll;
        QTest::newRow("no, wait") << QStringList{QStringLiteral("It is.")}
                                  << QStringLiteral("It is. No, wait") << false
                                  << QStringLiteral("It is. No, wait") << 0ll
                                  << QStringLiteral("rc") << QStringLiteral("It is. No, wait")
                                  << 6ll << 0ll;
        QTest::newRow("final identical to committed")
            << QStringList{tower} << QStringLiteral("  ") + tower + QStringLiteral("\n") << true
            << QString() << 29ll << QString() << QString() << 0ll << 1ll;
        QTest::newRow("final with a candidate resets")
            << QStringList{QStringLiteral("The sky")} << QStringLiteral("The sky is blue.") << true
            << QStringLiteral("The sky is blue.") << 0ll << QStringLiteral("r") << QString() << 0ll
            << 1ll;
        // e + U+0301 and the toned thumb are one character each.
        QTest::newRow("combining marks count once")
            << QStringList{QStringLiteral("Cafe\u0301 au lait.")}
            << QStringLiteral("Cafe\u0301 au lait. Tre\u0300s bon") << false
            << QStringLiteral("Tre\u0300s bon") << 13ll << QString()
            << QStringLiteral("Cafe\u0301 au lait. Tre\u0300s bon") << 13ll << 0ll;
        QTest::newRow("emoji count once")
            << QStringList{QStringLiteral("I \U0001F44D\U0001F3FD it!")}
            << QStringLiteral("I \U0001F44D\U0001F3FD it! \U0001F1EB\U0001F1F7 wins") << false
            << QStringLiteral("\U0001F1EB\U0001F1F7 wins") << 7ll << QString()
            << QStringLiteral("I \U0001F44D\U0001F3FD it! \U0001F1EB\U0001F1F7 wins") << 7ll << 0ll;
    }

    void update() {
        QFETCH(QStringList, before);
        QFETCH(QString, report);
        QFETCH(bool, isFinal);
        TranscriptState state;
        for (const auto &partial : before)
            state.update(partial, false);
        const auto result = state.update(report, isFinal);
        QTEST(result.text, "text");
        QTEST(qint64(result.start), "start");
        QFETCH(QString, flags);
        QCOMPARE(result.revised, flags.contains(u'r'));
        QCOMPARE(result.correction, flags.contains(u'c'));
        QCOMPARE(result.full, report.trimmed());
        QCOMPARE(qint64(result.utterance), 0ll);
        QTEST(state.committed, "committed");
        QTEST(qint64(state.completedCount), "completed");
        QTEST(qint64(state.utterance), "utterance");
    }

    void markersAndPrefixes() {
        for (const auto *text : {"Actually, no", "  CORRECTION:", "you: Sorry", "I meant it",
                                 "no, wait", "Let me correct that", "That was wrong"})
            QVERIFY2(isCorrection(QString::fromUtf8(text)), text);
        for (const auto *text : {"Nothing", "no wait", "Well, actually", "You:sorry", ""})
            QVERIFY2(!isCorrection(QString::fromUtf8(text)), text);

        QCOMPARE(completedPrefix(QStringLiteral("Is it true? Yes")), QStringLiteral("Is it true?"));
        QCOMPARE(completedPrefix(QStringLiteral("Hello")), QString());
        QCOMPARE(completedPrefix(QString()), QString());
        QCOMPARE(completedPrefix(QStringLiteral("Wait... what! Now")),
                 QStringLiteral("Wait... what!"));
    }
};

BRINDLE_REGISTER_TEST(SegmentationTest);
#include "segmentationtest.moc"
