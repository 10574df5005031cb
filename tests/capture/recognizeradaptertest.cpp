// The recognizer adapter's text and model checks, and the WAV reader used for offline runs.
#include "apperror.h"
#include "capturemessages.h"
#include "pocketsphinxrecognizer.h"
#include "testregistry.h"
#include "wavfile.h"

#include <QtEndian>

using namespace brindle;

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
        QCOMPARE(PocketSphinxRecognizer::finalText(hypothesis), text);
    }

    void missingModelFailsConstruction() {
        const PocketSphinxRecognizer::Model missing{QStringLiteral("/nonexistent/en-us"),
                                                    QStringLiteral("/nonexistent/lm.bin"),
                                                    QStringLiteral("/nonexistent/dict")};
        try {
            PocketSphinxRecognizer recognizer(missing);
            QFAIL("constructed without a model");
        } catch (const CaptureError &error) {
            QCOMPARE(error.message(), capturemessages::recognizerMissing());
        }
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
