// The activity monitor's status lines as a function of arriving buffers, speech and time.
#include "captureactivity.h"
#include "testregistry.h"
#include "virtualscheduler.h"

#include <cstring>

using namespace brindle;
using namespace brindle::test;

namespace {

const QString source = QStringLiteral("Zoom");
const QString waiting = QStringLiteral("Waiting for audio from Zoom\u2026");
const QString transcribing = QStringLiteral("Transcribing Zoom");
const QString arriving = QStringLiteral("Audio arriving \u00b7 waiting for speech");
const QString quiet = QStringLiteral("Source is quiet \u00b7 waiting for speech");
const QString noAudio =
    QStringLiteral("No recent audio \u00b7 check Zoom playback and capture permissions");

AudioBuffer signed16(int loudIndex, std::int16_t value, int count = 64) {
    std::vector<std::int16_t> samples(std::size_t(count), 0);
    samples[std::size_t(loudIndex)] = value;
    return AudioBuffer::fromSigned16(samples.data(), count);
}

AudioBuffer float32(int loudIndex, float value, int count = 64) {
    std::vector<float> samples(std::size_t(count), 0.f);
    samples[std::size_t(loudIndex)] = value;
    return {QByteArray(reinterpret_cast<const char *>(samples.data()),
                       qsizetype(samples.size() * sizeof(float))),
            SampleFormat::float32, 32};
}

const AudioBuffer silence = signed16(0, 0);
const AudioBuffer loud = signed16(0, 3000);
const AudioBuffer wide{QByteArray(64 * 3, char(0x7f)), SampleFormat::otherLinear, 24};

struct Harness {
    VirtualScheduler scheduler;
    QStringList lines;
    CaptureActivity activity{scheduler, source, [this](const QString &l) { lines.append(l); }};
};

} // namespace

Q_DECLARE_METATYPE(brindle::AudioBuffer)

class CaptureActivityTest : public QObject {
    Q_OBJECT
private slots:
    void audibility_data() {
        QTest::addColumn<AudioBuffer>("buffer");
        QTest::addColumn<bool>("audible");
        QTest::newRow("16-bit -66") << signed16(0, -66) << true;
        QTest::newRow("16-bit 66") << signed16(8, 66) << true;
        QTest::newRow("16-bit 65") << signed16(0, 65) << false;
        QTest::newRow("16-bit -32768") << signed16(16, -32768) << true;
        QTest::newRow("loud sample off the stride") << signed16(3, 20000) << false;
        QTest::newRow("float exactly 0.002") << float32(0, 0.002f) << false;
        QTest::newRow("float -0.0021") << float32(8, -0.0021f) << true;
        QTest::newRow("float off the stride") << float32(9, 1.f) << false;
        QTest::newRow("24-bit") << wide << false;
        AudioBuffer compressed{QByteArray(64, char(0x7f)), SampleFormat::notLinear, 8};
        QTest::newRow("not linear PCM") << compressed << false;
    }
    void audibility() {
        QFETCH(AudioBuffer, buffer);
        QFETCH(bool, audible);
        QCOMPARE(CaptureActivity::isAudible(buffer), audible);
    }

    void statusLinesOverTime() {
        Harness h;
        h.activity.start();
        QCOMPARE(h.lines, QStringList{waiting});
        // Silent and unusable buffers count as arrivals, never as sound.
        AudioBuffer notReady = loud;
        notReady.dataReady = false;
        for (const auto &buffer : {silence, wide, notReady, AudioBuffer{QByteArray("")}})
            h.activity.observe(buffer);
        QCOMPARE(h.lines.size(), 1); // only the periodic re-evaluation reports quiet
        h.scheduler.advance(seconds(5));
        QCOMPARE(h.lines.last(), quiet);
        // Buffers stop at 0 s: the line turns within 10 to 15 seconds.
        h.scheduler.advance(seconds(4.9)); // 9.9 s
        QCOMPARE(h.lines.last(), quiet);
        h.scheduler.advance(seconds(5.2)); // 15.1 s
        QCOMPARE(h.lines, (QStringList{waiting, quiet, noAudio}));
        h.scheduler.advance(seconds(64.9)); // 80 s, a re-evaluation: only changes are reported
        QCOMPARE(h.lines.size(), 3);
        h.activity.observe(loud);
        h.activity.noteSpeech();
        h.activity.noteSpeech();
        h.scheduler.advance(seconds(5));
        QCOMPARE(h.lines.mid(3), (QStringList{arriving, transcribing}));
        h.scheduler.advance(seconds(5)); // speech 10 s ago, sound too
        QCOMPARE(h.lines.last(), noAudio);
    }

    void soundReturningAfterAPause_data() {
        QTest::addColumn<double>("pause");
        QTest::addColumn<bool>("immediate");
        QTest::newRow("first sound") << -1.0 << true;
        QTest::newRow("after exactly 10 s") << 10.0 << false;
        QTest::newRow("after 10.5 s") << 10.5 << true;
    }
    void soundReturningAfterAPause() {
        QFETCH(double, pause);
        QFETCH(bool, immediate);
        Harness h;
        if (pause >= 0) {
            h.activity.observe(loud);
            h.activity.noteSpeech(); // so a re-evaluation after the pause changes the line
            h.scheduler.advance(seconds(pause));
        }
        // No start(): no periodic re-evaluation, so any line now came from observe().
        h.lines.clear();
        h.activity.observe(silence);
        h.activity.observe(loud);
        QCOMPARE(h.lines, immediate ? QStringList{arriving} : QStringList{});
    }
};

BRINDLE_REGISTER_TEST(CaptureActivityTest);
#include "captureactivitytest.moc"
