// The recognizer adapter's text (sentences from pauses, words written without dots), its model
// check, and the WAV reader used for offline runs.
#include "apperror.h"
#include "capturemessages.h"
#include "pocketsphinxrecognizer.h"
#include "taskoutcome.h"
#include "testregistry.h"
#include "utterancesentences.h"
#include "wavfile.h"
#include "writtenwords.h"

#include <QFile>
#include <QTemporaryFile>

#include <QtEndian>

using namespace brindle;
using namespace Qt::StringLiterals;

using Words = std::vector<SpokenWord>;
Q_DECLARE_METATYPE(Words)

namespace {

QByteArray chunk(const char *id, const QByteArray &body, std::optional<quint32> size = {}) {
    QByteArray out(id, 4);
    char length[4];
    qToLittleEndian<quint32>(size.value_or(quint32(body.size())), length);
    return out + QByteArray(length, 4) + body;
}

QByteArray format(quint16 kind, quint16 channels, quint32 rate, quint16 bits) {
    QByteArray body(16, '\0');
    qToLittleEndian<quint16>(kind, body.data());
    qToLittleEndian<quint16>(channels, body.data() + 2);
    qToLittleEndian<quint32>(rate, body.data() + 4);
    qToLittleEndian<quint16>(bits, body.data() + 14);
    return chunk("fmt ", body);
}

QByteArray riff(const QByteArray &chunks) {
    return chunk("RIFF", QByteArray("WAVE") + chunks);
}

} // namespace

class RecognizerAdapterTest : public QObject {
    Q_OBJECT
private slots:
    void dictionaryWordsAreWrittenWithoutDots_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("written");
        for (const auto &[word, written] :
             {std::pair{"u.s.", "US"}, std::pair{"u.s", "US"}, std::pair{"a.m.", "AM"},
              std::pair{"f.", "F"}, std::pair{"d.c.", "DC"}, std::pair{"u.s.a.", "USA"},
              std::pair{"c.d.s", "CDs"}, std::pair{"a.'s", "A's"}, std::pair{"mr.", "Mr"},
              std::pair{"corp.'s(2)", "Corp's"}, std::pair{"ph.d.", "PhD"},
              std::pair{"etc.", "etc"}, std::pair{"cnn.com", "CNN dot com"},
              std::pair{"the(2)", "the"}, std::pair{"i'm", "I'm"}, std::pair{"i", "I"},
              std::pair{"it's", "it's"}})
            QTest::addRow("%s", word) << QString(word) << QString(written);
    }
    void dictionaryWordsAreWrittenWithoutDots() {
        QFETCH(QString, word);
        QFETCH(QString, written);
        QCOMPARE(writtenWord(word), written);
    }

    // Whatever the installed dictionary holds, no word of it can end a sentence.
    void noInstalledDictionaryWordEndsASentence() {
        QFile dictionary(PocketSphinxRecognizer::Model::installed().dictionary);
        if (!dictionary.open(QIODevice::ReadOnly))
            QSKIP("the English speech model is not installed");
        int dotted = 0;
        while (!dictionary.atEnd()) {
            const auto word = QString::fromUtf8(dictionary.readLine().split(' ').value(0));
            dotted += word.contains(u'.');
            const auto written = writtenWord(word);
            QVERIFY2(!written.contains(u'.') && !written.contains(u'!') && !written.contains(u'?'),
                     qPrintable(word + QStringLiteral(" -> ") + written));
        }
        QVERIFY(dotted > 100);
    }

    void finalTextEndsWithAFullStop_data() {
        QTest::addColumn<QString>("hypothesis");
        QTest::addColumn<QString>("text");
        for (const auto &[hypothesis, text] :
             {std::pair{"water boils", "water boils."}, std::pair{"is it?", "is it?"},
              std::pair{"done.", "done."}, std::pair{"", ""}, std::pair{"  ", ""}})
            QTest::addRow("\"%s\"", hypothesis) << QString(hypothesis) << QString(text);
    }
    void finalTextEndsWithAFullStop() {
        QFETCH(QString, hypothesis);
        QFETCH(QString, text);
        QCOMPARE(UtteranceSentences::withFullStop(hypothesis), text);
    }

    // A pause of `pauseFrames` between words ends a sentence; shorter ones and fillers do not.
    void pausesBetweenWordsEndSentences_data() {
        QTest::addColumn<Words>("segmentation");
        QTest::addColumn<QString>("partial");
        QTest::addColumn<bool>("endsInPause");
        constexpr int pause = UtteranceSentences::pauseFrames;
        QTest::newRow("no pause") << Words{{"<s>", 0, 9}, {"water", 10, 40}, {"boils", 41, 80}}
                                  << QStringLiteral("Water boils") << false;
        QTest::newRow("short silence inside")
            << Words{{"water", 0, 30}, {"<sil>", 31, 30 + pause - 1}, {"boils", 30 + pause, 80}}
            << QStringLiteral("Water boils") << false;
        QTest::newRow("pause between sentences") << Words{{"it", 0, 10},
                                                          {"rained", 11, 40},
                                                          {"<sil>", 41, 40 + pause},
                                                          {"u.s.", 41 + pause, 90},
                                                          {"f.", 91, 99},
                                                          {"i", 100, 110}}
                                                 << QStringLiteral("It rained. US F I") << false;
        QTest::newRow("silence and noise add up") << Words{{"yes", 0, 20},
                                                           {"<sil>", 21, 30},
                                                           {"[NOISE]", 31, 20 + pause},
                                                           {"no", 21 + pause, 60}}
                                                  << QStringLiteral("Yes. No") << false;
        QTest::newRow("trailing pause")
            << Words{{"yes", 0, 20}, {"</s>", 21, 20 + pause / 2}} << QStringLiteral("Yes") << true;
        QTest::newRow("trailing silence too short")
            << Words{{"yes", 0, 20}, {"</s>", 21, 19 + pause / 2}} << QStringLiteral("Yes")
            << false;
        QTest::newRow("only silence")
            << Words{{"<s>", 0, 9}, {"</s>", 10, 90}} << QString() << false;
    }
    void pausesBetweenWordsEndSentences() {
        QFETCH(Words, segmentation);
        QFETCH(QString, partial);
        QFETCH(bool, endsInPause);
        UtteranceSentences sentences;
        QCOMPARE(sentences.partialText(segmentation), partial);
        QCOMPARE(UtteranceSentences::endsInPause(segmentation), endsInPause);
    }

    // Once a pause has completed a sentence, later rewording by the recognizer does not reach it.
    void completedSentencesKeepTheirWording() {
        UtteranceSentences sentences;
        QCOMPARE(sentences.partialText({{"pay", 0, 20},
                                        {"their", 21, 40},
                                        {"wearing", 41, 70},
                                        {"</s>", 71, 120},
                                        {"we", 121, 130}}),
                 QStringLiteral("Pay their wearing. We"));
        QCOMPARE(sentences.finalText({{"pay", 0, 20},
                                      {"there", 21, 45},
                                      {"where", 46, 72},
                                      {"<sil>", 73, 118},
                                      {"we", 119, 130},
                                      {"won", 131, 150}}),
                 QStringLiteral("Pay their wearing. We won."));
    }

    void missingModelFailsConstruction() {
        try {
            PocketSphinxRecognizer recognizer(
                {u"/nonexistent/en-us"_s, u"/nonexistent/lm.bin"_s, u"/nonexistent/dict"_s});
            QFAIL("constructed without a model");
        } catch (const CaptureError &error) {
            QCOMPARE(error.message(), capturemessages::recognizerMissing());
        }
    }

    // A model that is there but cannot be loaded is found out while the start waits, not later.
    void corruptModelIsNotReady() {
        QTemporaryFile garbage;
        QVERIFY(garbage.open() && garbage.write("not a language model") > 0 && garbage.flush());
        auto model = PocketSphinxRecognizer::Model::installed();
        model.languageModel = garbage.fileName();
        PocketSphinxRecognizer recognizer(model);
        test::TaskOutcome<bool> ready;
        test::collect(recognizer.prepare(), ready);
        QTRY_VERIFY_WITH_TIMEOUT(ready.done, 10000);
        QCOMPARE(ready.value, std::optional(false));
        QVERIFY(!recognizer.isAvailable());
    }

    void wavFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("samples"); // -1: refused
        const QByteArray good = format(1, 1, 16000, 16);
        const QByteArray pcm(8, '\x01');
        QTest::newRow("16 kHz mono") << riff(good + chunk("data", pcm)) << 4;
        QTest::newRow("extra chunk first")
            << riff(chunk("LIST", "abcd") + good + chunk("data", pcm)) << 4;
        QTest::newRow("streamed, size unset") << riff(good + chunk("data", pcm, 0xffffffffu)) << 4;
        QTest::newRow("odd byte dropped") << riff(good + chunk("data", pcm + 'x', 9)) << 4;
        QTest::newRow("not RIFF") << QByteArray("hello world, not audio") << -1;
        QTest::newRow("stereo") << riff(format(1, 2, 16000, 16) + chunk("data", pcm)) << -1;
        QTest::newRow("8 kHz") << riff(format(1, 1, 8000, 16) + chunk("data", pcm)) << -1;
        QTest::newRow("float") << riff(format(3, 1, 16000, 32) + chunk("data", pcm)) << -1;
        QTest::newRow("data before format") << riff(chunk("data", pcm) + good) << -1;
        QTest::newRow("no data") << riff(good) << -1;
        QTest::newRow("truncated format") << riff(chunk("fmt ", "ab", 16)) << -1;
        QTest::newRow("chunk size past the end")
            << riff(chunk("LIST", "abc", 0xfffffff0u) + good + chunk("data", pcm)) << -1;
    }
    void wavFiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, samples);
        const auto parsed = parseWav(bytes);
        if (samples < 0) {
            QVERIFY(std::holds_alternative<QString>(parsed));
            QVERIFY(!std::get<QString>(parsed).isEmpty());
        } else {
            QVERIFY(std::holds_alternative<WavAudio>(parsed));
            QCOMPARE(std::get<WavAudio>(parsed).samples.size(), samples * 2);
        }
    }
};

BRINDLE_REGISTER_TEST(RecognizerAdapterTest);
#include "recognizeradaptertest.moc"
