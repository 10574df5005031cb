// How long a 10-minute recording takes to check with a provider that answers at once: the wall
// time from start to the last finding, against the recording's length, and the process's CPU
// time. The recording is flite speech (claims with pauses between them) written as a WAV file.
// Prints the median over several runs (argument: runs, default 3).
#include "aiclient.h"
#include "encodedmedia.h"
#include "fakeproviderserver.h"
#include "pocketsphinxrecognizer.h"
#include "providertransport.h"
#include "recordingsession.h"
#include "researchreply.h"
#include "sessionfakes.h"
#include "systemscheduler.h"
#include "wavfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

using namespace brindle;

namespace {

const QStringList sentences{
    QStringLiteral("The moon orbits the earth once every twenty seven days."),
    QStringLiteral("Water boils at one hundred degrees at sea level."),
    QStringLiteral("The human heart beats about one hundred thousand times a day."),
    QStringLiteral("Light from the sun takes about eight minutes to reach the earth."),
    QStringLiteral("The Eiffel Tower was finished in eighteen eighty nine."),
    QStringLiteral("Mount Everest is the highest mountain on earth."),
    QStringLiteral("The Pacific is the largest ocean in the world."),
    QStringLiteral("There are seven continents and five oceans."),
};
constexpr double recordingSeconds = 600;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The sentences in turn, each followed by 1.5 to 3 s of silence, up to the recording's length.
std::optional<QString> makeRecording(const QTemporaryDir &dir) {
    QList<QByteArray> spoken;
    for (const auto &sentence : sentences) {
        const auto path = dir.filePath(QStringLiteral("s%1.wav").arg(spoken.size()));
        if (!test::speak(sentence, path))
            return std::nullopt;
        auto wav = readWav(path);
        if (!std::holds_alternative<WavAudio>(wav))
            return std::nullopt;
        spoken.append(std::get<WavAudio>(wav).samples);
    }
    QByteArray samples;
    const qsizetype total = qsizetype(recordingSeconds * 16000 * 2);
    for (int i = 0; samples.size() < total; ++i) {
        samples += spoken[i % spoken.size()];
        samples += QByteArray(qsizetype((1.5 + (i % 4) * 0.5) * 16000) * 2, '\0');
    }
    samples.truncate(total);
    const auto path = dir.filePath(QStringLiteral("recording.wav"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(wavBytes(samples)) < 0)
        return std::nullopt;
    return path;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const auto recording = makeRecording(dir);
    if (!recording) {
        std::fprintf(stderr, "could not make the recording (is flite installed?)\n");
        return 1;
    }

    SystemScheduler scheduler;
    test::FakeProviderServer server;
    server.setReply("/v1/kestrun",
                    {200, QByteArray("{\"answers\":{\"checkable\":{\"noul\":0.8}}}")});
    server.setResponder("/v1/responses", [](const test::RecordedRequest &request) {
        return test::FakeReply{200, test::researchReply(test::requestedClaim(request.body),
                                                        QStringLiteral("unresolved"), {}, {})};
    });
    ProviderTransport transport(scheduler);
    AIClient client(
        transport,
        {server.url(QStringLiteral("/v1/responses")),
         {},
         {},
         server.url(QStringLiteral("/v1/kestrun"))},
        [](QUrl, CancelToken) -> QCoro::Task<std::optional<QString>> { co_return QString(); });
    test::FakeSettings settings;
    settings.maxChecks = 200;

    std::vector<double> walls, cpus;
    const int runs = std::clamp(argc > 1 ? QByteArray(argv[1]).toInt() : 3, 1, 20);
    for (int run = 0; run < runs; ++run) {
        RecordingSession session(settings, client,
                                 [] { return std::make_unique<PocketSphinxRecognizer>(); });
        QElapsedTimer wall;
        const double cpuBefore = cpuSeconds();
        wall.start();
        if (!session.start(*recording, EvidenceMode::web, {})) {
            std::fprintf(stderr, "could not start: %s\n", qPrintable(session.error()));
            return 1;
        }
        const bool completed = waitForEnd(session);
        walls.push_back(wall.nsecsElapsed() / 1e9);
        cpus.push_back(cpuSeconds() - cpuBefore);
        if (!completed || session.findings().isEmpty()) {
            std::fprintf(stderr, "run %d failed: %s\n", run, qPrintable(session.error()));
            return 1;
        }
        std::printf("run %d: %.1f s wall, %.1f s CPU, %lld claims, %lld checks, %lld findings\n",
                    run, walls.back(), cpus.back(), session.claimsFound(), session.checksDone(),
                    qint64(session.findings().size()));
        std::fflush(stdout);
    }
    std::printf("%.0f s recording checked in: median %.1f s wall (%.1fx real time), %.1f s CPU\n",
                recordingSeconds, median(walls), recordingSeconds / median(walls), median(cpus));
    return 0;
}
