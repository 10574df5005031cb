// Word error and speed of our recognizer against the engine's default settings, on sentences
// spoken by flite. The engine's defaults decode each sentence as an utterance of its own (the
// best case for them); ours runs the real adapter over one recording of all sentences with
// pauses of 0.3-0.6 s between them, as live capture would deliver it, restarting the
// recognition after every final result as the transcriber does. Both decode two channels at
// once. Prints word error rates, real-time factors per channel and how many final results
// (sentences) the adapter gave.
#include "benchchannel.h"
#include "encodedmedia.h"
#include "pocketsphinxrecognizer.h"
#include "wavfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <err.h>
#include <pocketsphinx.h>

#include <cstdio>
#include <sys/resource.h>
#include <thread>

using namespace brindle;

namespace {

const QStringList sentences{
    QStringLiteral("The moon orbits the earth once every twenty seven days."),
    QStringLiteral("Water boils at one hundred degrees at sea level."),
    QStringLiteral("The human heart beats about one hundred thousand times a day."),
    QStringLiteral("Light from the sun takes about eight minutes to reach the earth."),
    QStringLiteral("Unemployment fell to four percent last year."),
    QStringLiteral("The governor signed the budget bill in March."),
    QStringLiteral("Our state spends more on prisons than on colleges."),
    QStringLiteral("The city built three new schools since two thousand ten."),
    QStringLiteral("Crime in the capital dropped by half over the last decade."),
    QStringLiteral("The senator voted against the farm bill twice."),
    QStringLiteral("Most families pay more for health care than they did five years ago."),
    QStringLiteral("The company moved its factory overseas in the spring."),
    QStringLiteral("Wages have not kept up with the price of rent."),
    QStringLiteral("The river flooded the town for the first time in a century."),
    QStringLiteral("My opponent raised taxes on the middle class."),
    QStringLiteral("Electric cars now make up one in ten new sales."),
    QStringLiteral("The bridge was finished two years behind schedule."),
    QStringLiteral("Teachers in this district earn less than the national average."),
    QStringLiteral("The mayor promised to hire five hundred police officers."),
    QStringLiteral("Exports to China grew by twelve percent in the first quarter."),
    QStringLiteral("In two thousand ten, the city built three new schools."),
    QStringLiteral("If you look at the numbers, crime went down in every state."),
    QStringLiteral("Last year, the company paid no federal income tax."),
    QStringLiteral("When I was governor, we balanced the budget every year."),
};

QStringList wordsOf(const QString &text) {
    static const QRegularExpression nonWord(QStringLiteral("[^a-z' ]"));
    return text.toLower().replace(nonWord, QStringLiteral(" ")).split(u' ', Qt::SkipEmptyParts);
}

/// Word error rate in percent: edits to turn the hypothesis into the reference, per word.
double wordError(const QStringList &reference, const QStringList &hypothesis) {
    std::vector<qsizetype> row(std::size_t(hypothesis.size()) + 1);
    for (qsizetype j = 0; j <= hypothesis.size(); ++j)
        row[std::size_t(j)] = j;
    for (qsizetype i = 1; i <= reference.size(); ++i) {
        qsizetype diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= hypothesis.size(); ++j) {
            const qsizetype substitution =
                diagonal + (reference[i - 1] == hypothesis[j - 1] ? 0 : 1);
            diagonal = row[std::size_t(j)];
            row[std::size_t(j)] =
                std::min({row[std::size_t(j)] + 1, row[std::size_t(j - 1)] + 1, substitution});
        }
    }
    return 100.0 * double(row.back()) / double(reference.size());
}

/// flite's speech of one sentence without the silence it adds around it.
QByteArray spoken(const QString &sentence, const QTemporaryDir &dir) {
    const auto path = dir.filePath(QStringLiteral("sentence.wav"));
    if (!test::speak(sentence, path))
        return {};
    const auto wav = readWav(path);
    if (!std::holds_alternative<WavAudio>(wav))
        return {};
    const auto samples = std::get<WavAudio>(wav).samples;
    const auto *s = reinterpret_cast<const qint16 *>(samples.constData());
    qsizetype first = 0, last = samples.size() / 2 - 1;
    while (first < last && std::abs(s[first]) < 300)
        ++first;
    while (last > first && std::abs(s[last]) < 300)
        --last;
    return samples.mid(first * 2, (last - first + 1) * 2);
}

struct Outcome {
    QString text;
    double seconds = 0;    ///< wall-clock time both channels took
    double cpuSeconds = 0; ///< processor time of both channels together
    int finals = 0;
};

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

/// The engine's default settings, one utterance per sentence, on its own thread.
QString decodeWithDefaults(const QList<QByteArray> &utterances) {
    const auto model = PocketSphinxRecognizer::Model::installed();
    cmd_ln_t *config =
        cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", model.acousticModel.toLocal8Bit().constData(),
                    "-lm", model.languageModel.toLocal8Bit().constData(), "-dict",
                    model.dictionary.toLocal8Bit().constData(), nullptr);
    ps_decoder_t *decoder = ps_init(config);
    QStringList text;
    for (const auto &audio : utterances) {
        ps_start_utt(decoder);
        const auto *samples = reinterpret_cast<const std::int16_t *>(audio.constData());
        const std::size_t count = std::size_t(audio.size()) / 2;
        for (std::size_t at = 0; at < count; at += captureFragmentSamples)
            ps_process_raw(decoder, samples + at,
                           std::min<std::size_t>(captureFragmentSamples, count - at), FALSE, FALSE);
        ps_end_utt(decoder);
        std::int32_t score = 0;
        if (const char *hypothesis = ps_get_hyp(decoder, &score))
            text << QString::fromUtf8(hypothesis);
    }
    ps_free(decoder);
    cmd_ln_free_r(config);
    return text.join(u' ');
}

Outcome engineDefaults(const QList<QByteArray> &utterances) {
    QString first, second;
    QElapsedTimer timer;
    timer.start();
    const double cpuAtStart = cpuSeconds();
    std::thread a([&] { first = decodeWithDefaults(utterances); });
    std::thread b([&] { second = decodeWithDefaults(utterances); });
    a.join();
    b.join();
    return {first, timer.nsecsElapsed() / 1e9, cpuSeconds() - cpuAtStart, int(utterances.size())};
}

Outcome ours(const QByteArray &recording) {
    bench::Channel a, b;
    QElapsedTimer timer;
    timer.start();
    const double cpuAtStart = cpuSeconds();
    const qsizetype step = captureFragmentSamples * 2;
    for (qsizetype at = 0; at < recording.size(); at += step) {
        const AudioBuffer buffer{recording.mid(at, step)};
        a.task->append(buffer);
        b.task->append(buffer);
        a.recognizer.waitUntilIdle();
        b.recognizer.waitUntilIdle();
        bench::Channel::deliver();
    }
    const int finals = int(a.finals.size());
    a.task->endAudio();
    a.recognizer.waitUntilIdle();
    bench::Channel::deliver();
    return {a.finals.join(u' '), timer.nsecsElapsed() / 1e9, cpuSeconds() - cpuAtStart, finals};
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    err_set_logfp(nullptr);
    QTemporaryDir dir;
    QList<QByteArray> utterances;
    QByteArray recording(16000, '\0');
    for (qsizetype i = 0; i < sentences.size(); ++i) {
        utterances << spoken(sentences[i], dir);
        if (utterances.back().isEmpty()) {
            std::fprintf(stderr, "flite failed\n");
            return 1;
        }
        recording += utterances.back();
        const double pause = 0.3 + 0.1 * double(i % 4); // 0.3, 0.4, 0.5, 0.6 s
        recording += QByteArray(qsizetype(pause * 16000) * 2, '\0');
    }
    recording += QByteArray(32000, '\0');
    double speech = 0;
    for (const auto &utterance : utterances)
        speech += double(utterance.size() / 2) / captureSampleRate;
    const double withPauses = double(recording.size() / 2) / captureSampleRate;
    const auto reference = wordsOf(sentences.join(u' '));

    std::printf("%lld sentences, %lld words, %.1f s of speech, %.1f s with pauses; two channels "
                "decoding at once\n",
                qlonglong(sentences.size()), qlonglong(reference.size()), speech, withPauses);
    const int runs = 3;
    for (int run = 0; run < runs; ++run) {
        const auto defaults = engineDefaults(utterances);
        const auto adapter = ours(recording);
        // Real-time factor per channel: wall-clock time over the audio's length (both channels
        // decode at once), and processor time per channel over it, which a busy machine
        // disturbs less.
        std::printf("run %d: engine defaults WER %.1f%% RTF %.3f (cpu %.3f) | ours WER %.1f%% "
                    "RTF %.3f (cpu %.3f), %d final results\n",
                    run + 1, wordError(reference, wordsOf(defaults.text)),
                    defaults.seconds / speech, defaults.cpuSeconds / 2 / speech,
                    wordError(reference, wordsOf(adapter.text)), adapter.seconds / withPauses,
                    adapter.cpuSeconds / 2 / withPauses, adapter.finals);
    }
    return 0;
}
