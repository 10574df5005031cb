// Mixing the streams of one application into one channel.
#include "streammixer.h"
#include "testregistry.h"

#include <vector>

using namespace brindle;

namespace {

QByteArray samples(std::vector<std::int16_t> values) {
    return AudioBuffer::fromSigned16(values.data(), std::int64_t(values.size())).data;
}

QByteArray silence(qsizetype count) {
    return QByteArray(count * 2, '\0');
}

} // namespace

class StreamMixerTest : public QObject {
    Q_OBJECT
private slots:
    void streamsAreSummedWhenEachHasAudio() {
        StreamMixer mixer;
        mixer.add(1);
        QCOMPARE(mixer.push(1, samples({5, 6})), samples({5, 6})); // alone: at once
        mixer.add(2);
        QCOMPARE(mixer.push(1, samples({100, 200, 30000})), QByteArray()); // waits for 2
        QCOMPARE(mixer.push(2, samples({-50, 10})), samples({50, 210}));
        QCOMPARE(mixer.push(2, samples({10000, 7})), samples({32767})); // saturates
        QCOMPARE(mixer.push(3, samples({1})), QByteArray());            // never added
        QCOMPARE(mixer.remove(2), samples({7}));
        QCOMPARE(mixer.push(1, samples({-32768})), samples({-32768}));
    }

    void aQuietStreamHoldsTheOthersBackAtMostThreeTenthsOfASecond() {
        StreamMixer mixer;
        mixer.add(1);
        mixer.add(2);
        const qsizetype lag = StreamMixer::maxLagSamples;
        QCOMPARE(mixer.push(1, silence(lag - 1)), QByteArray());
        QCOMPARE(mixer.push(1, silence(1)).size(), lag * 2);
        QCOMPARE(mixer.push(2, samples({3})), QByteArray()); // and now waits for 1 again
        QCOMPARE(mixer.push(1, samples({4})), samples({7}));
    }
};

BRINDLE_REGISTER_TEST(StreamMixerTest);
#include "streammixertest.moc"
