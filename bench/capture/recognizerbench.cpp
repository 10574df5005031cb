// Recognition latency with two channels decoding at once, as in a capture with the microphone:
// fed at the pace of real audio, how soon after the speech the first partial text arrives and how
// far the decoders lag behind the audio. Prints medians over several runs.
#include "benchchannel.h"
#include "encodedmedia.h"
#include "pocketsphinxrecognizer.h"
#include "wavfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>

using namespace brindle;

namespace {

const QString speech = QStringLiteral(
    "The moon orbits the earth once every twenty seven days. Water boils at one hundred degrees "
    "at sea level. The human heart beats about one hundred thousand times a day. Light from the "
    "sun takes about eight minutes to reach the earth.");

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[std::size_t(p * double(values.size() - 1))];
}

QList<AudioBuffer> chunks(const WavAudio &audio) {
    QList<AudioBuffer> out;
    const qsizetype step = captureFragmentSamples * 2;
    for (qsizetype at = 0; at < audio.samples.size(); at += step)
        out.append(AudioBuffer{audio.samples.mid(at, step)});
    return out;
}

struct Paced {
    double firstPartial = -1; ///< seconds from the speech onset to the first partial text
    std::vector<double> lags; ///< per chunk: seconds from handing it over to its decoding
};

/// Feeds both channels at the pace of real audio.
Paced decodePaced(const QList<AudioBuffer> &buffers, double onset) {
    bench::Channel first, second;
    Paced result;
    QElapsedTimer clock;
    bool partialSeen = false;
    first.onResult = [&](const RecognizedText &) {
        if (!partialSeen) {
            partialSeen = true;
            result.firstPartial = clock.nsecsElapsed() / 1e9 - onset;
        }
    };
    clock.start();
    std::int64_t handed = 0;
    for (qsizetype i = 0; i < buffers.size(); ++i) {
        const double due = double(i + 1) * 0.1; // a chunk exists once its 100 ms have played
        while (clock.nsecsElapsed() / 1e9 < due) {
            bench::Channel::deliver();
            QThread::usleep(500);
        }
        const double handedAt = clock.nsecsElapsed() / 1e9;
        first.task->append(buffers[i]);
        second.task->append(buffers[i]);
        handed += buffers[i].sampleCount();
        while (first.recognizer.decodedSamples() < handed ||
               second.recognizer.decodedSamples() < handed) {
            bench::Channel::deliver();
            QThread::usleep(200);
        }
        result.lags.push_back(clock.nsecsElapsed() / 1e9 - handedAt);
    }
    bench::Channel::deliver();
    return result;
}

double speechOnset(const WavAudio &audio) {
    const auto *samples = reinterpret_cast<const std::int16_t *>(audio.samples.constData());
    const qsizetype count = audio.samples.size() / 2;
    for (qsizetype i = 0; i < count; ++i) {
        if (std::abs(int(samples[i])) > 1000)
            return double(i) / captureSampleRate;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const auto wavPath = dir.filePath(QStringLiteral("speech.wav"));
    if (!test::speak(speech, wavPath)) {
        std::fprintf(stderr, "flite failed\n");
        return 1;
    }
    const auto wav = readWav(wavPath);
    if (!std::holds_alternative<WavAudio>(wav)) {
        std::fprintf(stderr, "%s\n", qPrintable(std::get<QString>(wav)));
        return 1;
    }
    const auto &audio = std::get<WavAudio>(wav);
    const auto buffers = chunks(audio);
    const int runs = 3;

    std::printf("audio %.1f s, two channels decoding at once (speed and accuracy: "
                "recognizer_accuracy_bench)\n",
                audio.seconds());

    std::vector<double> firsts, p50s, p95s, maxima;
    for (int i = 0; i < runs; ++i) {
        const auto paced = decodePaced(buffers, speechOnset(audio));
        firsts.push_back(paced.firstPartial);
        p50s.push_back(percentile(paced.lags, 0.5));
        p95s.push_back(percentile(paced.lags, 0.95));
        maxima.push_back(*std::max_element(paced.lags.begin(), paced.lags.end()));
    }
    std::printf("paced at real time: first partial %.0f ms after the speech onset (median)\n",
                median(firsts) * 1000);
    std::printf("decoder lag per 100 ms chunk: p50 %.1f ms, p95 %.1f ms, max %.1f ms (medians)\n",
                median(p50s) * 1000, median(p95s) * 1000, median(maxima) * 1000);
    return 0;
}
