// The whole chain, measured: flite speech is played into a private sound server while
// `brindle-tool session` listens, and a loopback provider answers every request at once. For
// each spoken claim it reports the time from the end of the speech to the published finding and
// each hop on the way: speech end -> final transcript (the recognizer's end of utterance),
// final transcript -> first provider request, first request -> research answer (the loopback
// selection and research exchanges), answer -> published finding. Prints medians.
//
// Beforehand each claim goes through the recognizer alone, as fast as it decodes: how much audio
// after the speech its own end of utterance needs, and how fast this machine decodes right now.
//
// Speech end is the moment the player started plus the offset of the last loud sample in the
// file, so any delay in starting playback counts against us, never for us.
#include "audiobuffer.h"
#include "encodedmedia.h"
#include "fakeproviderserver.h"
#include "pocketsphinxrecognizer.h"
#include "privatesoundserver.h"
#include "researchreply.h"
#include "wavfile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <optional>

using namespace brindle;

namespace {

const QStringList claims = {
    QStringLiteral("The moon orbits the earth once every twenty seven days."),
    QStringLiteral("Water boils at one hundred degrees at sea level."),
    QStringLiteral("The human heart beats about one hundred thousand times a day."),
    QStringLiteral("Light from the sun takes about eight minutes to reach the earth."),
    QStringLiteral("The bridge opened to traffic in nineteen thirty seven."),
    QStringLiteral("Mount Everest is the highest mountain in the world."),
    QStringLiteral("The river is more than six thousand kilometers long."),
    QStringLiteral("The city has a population of about two million people."),
};

double epochNow() {
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

/// Seconds from the start of the file to the end of its last loud sample.
double speechEnd(const WavAudio &audio) {
    const auto *samples = reinterpret_cast<const std::int16_t *>(audio.samples.constData());
    for (qsizetype i = audio.samples.size() / 2 - 1; i >= 0; --i) {
        if (std::abs(int(samples[i])) > 500)
            return double(i + 1) / captureSampleRate;
    }
    return 0;
}

struct Offline {
    double endOfUtterance; ///< audio seconds from the end of the speech to the final result
    double realTimeFactor; ///< decoding seconds per audio second
};

/// The recognizer alone, as fast as it decodes: the file and then silence go in 100 ms at a time
/// until the final result. Separates the recognizer's own end of utterance (counted in audio)
/// from what the machine's speed adds to it live.
Offline decodeOffline(const WavAudio &audio, double spoken) {
    PocketSphinxRecognizer recognizer;
    recognizer.waitUntilIdle();
    const QByteArray padded = audio.samples + QByteArray(captureSampleRate * 2 * 3, 0);
    std::optional<double> finalAt;
    double at = 0;
    auto task = recognizer.recognize([&](std::optional<RecognizedText> text, auto) {
        if (text && text->isFinal && !finalAt)
            finalAt = at;
    });
    QElapsedTimer clock;
    clock.start();
    const qsizetype step = captureFragmentSamples * 2;
    for (qsizetype offset = 0; offset < padded.size() && !finalAt; offset += step) {
        task->append(AudioBuffer{padded.mid(offset, step)});
        at = double(offset + step) / (captureSampleRate * 2);
        recognizer.waitUntilIdle();
        QCoreApplication::sendPostedEvents();
    }
    return {finalAt.value_or(at) - spoken, clock.nsecsElapsed() / 1e9 / at};
}

void wait(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

struct Event {
    QString kind;
    double time;
    QString text;
    bool isFinal;
};

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
    test::PrivateSoundServer pulse;
    if (!pulse.start(dir.path(), test::PrivateSoundServer::fromEnvironment(),
                     {QStringLiteral("load-module module-null-sink sink_name=speakers"),
                      QStringLiteral("set-default-sink speakers")})) {
        std::fprintf(stderr, "the private sound server did not start\n");
        return 1;
    }

    QList<double> speechEnds;
    std::vector<double> endsOfUtterance, factors;
    for (qsizetype i = 0; i < claims.size(); ++i) {
        const auto path = dir.filePath(QStringLiteral("claim%1.wav").arg(i));
        if (!test::speak(claims[i], path)) {
            std::fprintf(stderr, "flite failed\n");
            return 1;
        }
        const auto wav = readWav(path);
        if (!std::holds_alternative<WavAudio>(wav)) {
            std::fprintf(stderr, "%s\n", qPrintable(std::get<QString>(wav)));
            return 1;
        }
        speechEnds.append(speechEnd(std::get<WavAudio>(wav)));
        const auto offline = decodeOffline(std::get<WavAudio>(wav), speechEnds.last());
        endsOfUtterance.push_back(offline.endOfUtterance);
        factors.push_back(offline.realTimeFactor);
    }

    // Every request is answered as it arrives; the research answer echoes the claim it was asked.
    std::vector<double> requests, answers;
    test::FakeProviderServer provider;
    provider.setResponder([&](const test::RecordedRequest &request) {
        requests.push_back(epochNow());
        if (request.path == "/select")
            return test::FakeReply{200, "{\"answers\":{\"checkable\":{\"noul\":0.9}}}"};
        answers.push_back(epochNow());
        return test::FakeReply{200, test::researchReply(test::requestedClaim(request.body),
                                                        QStringLiteral("unresolved"), {}, {})};
    });

    QProcess tool;
    QList<Event> events;
    QByteArray pending;
    QObject::connect(&tool, &QProcess::readyReadStandardOutput, [&] {
        pending += tool.readAllStandardOutput();
        for (auto end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const auto event = QJsonDocument::fromJson(pending.left(end)).object();
            pending.remove(0, end + 1);
            events.append({event[QStringLiteral("event")].toString(),
                           event[QStringLiteral("time")].toDouble(),
                           event[QStringLiteral("text")].toString(),
                           event[QStringLiteral("isFinal")].toBool()});
        }
    });
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(QStringLiteral(BRINDLE_TOOL),
               {QStringLiteral("session"), QStringLiteral("--seconds"), QStringLiteral("600"),
                QStringLiteral("--transcripts"), QStringLiteral("--mode"), QStringLiteral("web"),
                QStringLiteral("--key"), QStringLiteral("openrouter=k1"), QStringLiteral("--key"),
                QStringLiteral("selka=k2"), QStringLiteral("--endpoint"),
                QStringLiteral("research=") + provider.url(QStringLiteral("/responses")).toString(),
                QStringLiteral("--endpoint"),
                QStringLiteral("selection=") + provider.url(QStringLiteral("/select")).toString()});
    tool.waitForStarted();
    // The session listens once the capture layer reports its own status after the start's.
    for (int waited = 0;
         std::count_if(events.cbegin(), events.cend(),
                       [](const Event &e) { return e.kind == QStringLiteral("status"); }) < 2;
         ++waited) {
        if (waited > 300 || tool.state() != QProcess::Running) {
            std::fprintf(stderr, "the session did not start\n");
            return 1;
        }
        wait(0.1);
    }
    wait(1.0);

    const int rounds = std::clamp(argc > 1 ? QByteArray(argv[1]).toInt() : 2, 1, 10);
    std::vector<double> total, first, toFinal, toRequest, exchange, toFinding;
    std::printf("claim  end->final  final->request  request->answer  answer->finding  total  "
                "first finding (s)\n");
    for (int round = 0; round < rounds; ++round) {
        for (qsizetype i = 0; i < claims.size(); ++i) {
            const auto from = events.size();
            QProcess player;
            const double started = epochNow();
            player.start(QStringLiteral("paplay"),
                         {dir.filePath(QStringLiteral("claim%1.wav").arg(i))});
            const double spoken = started + speechEnds[i];

            // This claim's final report is the first after its speech ended (a final can only
            // follow the end of the speech it ends); then the finding that follows it. A busy
            // machine makes the recognizer lag, so wait up to 20 seconds for both.
            std::optional<Event> final, finding, earliest;
            while (!finding && epochNow() < spoken + 20) {
                wait(0.05);
                for (auto at = from; at < events.size(); ++at) {
                    const auto &event = events[at];
                    if (!final && event.kind == QStringLiteral("transcript") && event.isFinal &&
                        event.time > spoken)
                        final = event;
                    if (event.kind == QStringLiteral("finding") && event.time > spoken) {
                        if (!earliest)
                            earliest = event;
                        if (final && event.time >= final->time && !finding)
                            finding = event;
                    }
                }
            }
            player.waitForFinished();
            wait(1.0); // the utterance closes before the next claim plays
            if (!final || !finding) {
                std::printf("%5lld  %s\n", qlonglong(i), final ? "no finding" : "no final report");
                continue;
            }
            const auto firstAfter = [](const std::vector<double> &times, double t) {
                const auto it = std::lower_bound(times.begin(), times.end(), t);
                return it == times.end() ? t : *it;
            };
            const double request = firstAfter(requests, final->time);
            const double answer = firstAfter(answers, request);
            total.push_back(finding->time - spoken);
            first.push_back(earliest->time - spoken);
            toFinal.push_back(final->time - spoken);
            toRequest.push_back(request - final->time);
            exchange.push_back(answer - request);
            toFinding.push_back(finding->time - answer);
            std::printf("%5lld  %9.3f  %14.3f  %15.3f  %15.3f  %5.3f  %5.3f   %s\n", qlonglong(i),
                        toFinal.back(), toRequest.back(), exchange.back(), toFinding.back(),
                        total.back(), first.back(), qPrintable(final->text));
        }
    }
    tool.terminate();
    tool.waitForFinished();
    std::printf("the recognizer alone, decoding as fast as it can: final result %.3f s of audio "
                "after the speech ends; real-time factor %.2f (medians)\n",
                median(endsOfUtterance), median(factors));
    std::printf("medians over %zu claims (seconds):\n", total.size());
    std::printf("  speech end -> final transcript      %.3f\n", median(toFinal));
    std::printf("  final transcript -> first request   %.3f\n", median(toRequest));
    std::printf("  first request -> research answer    %.3f\n", median(exchange));
    std::printf("  research answer -> finding          %.3f\n", median(toFinding));
    std::printf("  speech end -> finding after final   %.3f (target <= 1.0)\n", median(total));
    std::printf("  speech end -> first finding         %.3f (the pause rule may come first)\n",
                median(first));
    return total.empty() ? 1 : 0;
}
