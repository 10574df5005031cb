// brindle-tool commands over the capture layer: the source list, offline transcription of a WAV
// file through the real recognizer and transcriber, and live listening.
#include "audiotime.h"
#include "commands.h"
#include "taskrunner.h"
#include "toolio.h"

#include "audiocapture.h"
#include "pocketsphinxrecognizer.h"
#include "pulsesoundserver.h"
#include "speechtranscriber.h"
#include "systemscheduler.h"
#include "virtualscheduler.h"
#include "wavfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <sys/resource.h>

namespace brindle::tool {

namespace {

int sources(QStringList args) {
    if (!args.isEmpty()) {
        printError(QStringLiteral("usage: brindle-tool sources"));
        return usage;
    }
    SystemScheduler scheduler;
    AudioCapture capture(scheduler, std::make_unique<PulseSoundServer>(),
                         [] { return std::unique_ptr<SpeechRecognizer>(); });
    const auto list = runTask(capture.availableSources());
    if (!list.value) {
        printError(list.error);
        return negative;
    }
    QJsonArray out;
    for (const auto &source : *list.value) {
        QJsonObject entry{{QStringLiteral("name"), source.name},
                          {QStringLiteral("bundleID"), source.bundleID}};
        if (const auto pid = source.id.processID())
            entry.insert(QStringLiteral("processID"), *pid);
        else
            entry.insert(QStringLiteral("allSystemAudio"), true);
        out.append(entry);
    }
    printJson(out);
    return positive;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double residentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const auto &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

int transcribe(QStringList args) {
    if (args.size() != 1) {
        printError(QStringLiteral("usage: brindle-tool transcribe FILE.wav"));
        return usage;
    }
    auto wav = readWav(args.first());
    if (auto *problem = std::get_if<QString>(&wav)) {
        printError(*problem);
        return negative;
    }
    const auto &audio = std::get<WavAudio>(wav);
    auto owned = loadRecognizer();
    if (!owned)
        return negative;
    auto *recognizer = owned.get();

    // Time is the audio's own: it moves by each buffer's length, so the transcriber's segment
    // and flush rules hold while the file is decoded as fast as the machine allows.
    test::VirtualScheduler scheduler;
    SpeechTranscriber transcriber(scheduler, std::move(owned));
    bool lastFinal = false;
    transcriber.onTranscript = [&lastFinal](const QString &text, bool isFinal) {
        lastFinal = isFinal;
        printJson(
            QJsonObject{{QStringLiteral("text"), text}, {QStringLiteral("isFinal"), isFinal}});
    };
    QElapsedTimer elapsed;
    elapsed.start();
    AudioTimePlayer player(scheduler, *recognizer, transcriber);
    const auto failure = player.play(audio, [&lastFinal] { return lastFinal; });
    const double took = elapsed.nsecsElapsed() / 1e9;
    if (failure) {
        printError(*failure);
        return negative;
    }
    printError(
        QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("seconds"), audio.seconds()},
                                                    {QStringLiteral("elapsed"), took}})
                              .toJson(QJsonDocument::Compact)));
    return positive;
}

/// Accepts audio and recognizes nothing: what capture and monitoring cost on their own.
class SilentRecognizer final : public SpeechRecognizer {
    class Task final : public RecognitionTask {
        void append(const AudioBuffer &) override {}
        void endAudio() override {}
        void cancel() override {}
    };

public:
    bool isAvailable() const override { return true; }
    std::unique_ptr<RecognitionTask> recognize(RecognitionHandler) override {
        return std::make_unique<Task>();
    }
};

int listen(QStringList args) {
    bool missing = false;
    const auto sourceText = takeOption(args, QStringLiteral("--source"), missing);
    const auto secondsText = takeOption(args, QStringLiteral("--seconds"), missing);
    const auto recognizerText = takeOption(args, QStringLiteral("--recognizer"), missing);
    const bool microphone = args.removeAll(QStringLiteral("--microphone")) > 0;
    bool secondsOk = false;
    const double duration = secondsText ? secondsText->toDouble(&secondsOk) : 0;
    const bool silent = recognizerText == QStringLiteral("none");
    if (missing || !args.isEmpty() || !secondsOk || duration <= 0 ||
        (recognizerText && !silent && recognizerText != QStringLiteral("pocketsphinx"))) {
        printError(QStringLiteral("usage: brindle-tool listen [--source all|PID] [--microphone] "
                                  "--seconds N [--recognizer pocketsphinx|none]"));
        return usage;
    }
    auto source = AudioSourceID::allSystemAudio();
    QString name = QStringLiteral("All system audio");
    if (sourceText && *sourceText != QStringLiteral("all")) {
        bool ok = false;
        const int pid = sourceText->toInt(&ok);
        if (!ok || pid <= 0) {
            printError(QStringLiteral("--source takes \"all\" or a process id"));
            return usage;
        }
        source = AudioSourceID::application(pid);
        name = QStringLiteral("process %1").arg(pid);
    }

    SystemScheduler scheduler;
    AudioCapture capture(scheduler, std::make_unique<PulseSoundServer>(),
                         [silent]() -> std::unique_ptr<SpeechRecognizer> {
                             if (silent)
                                 return std::make_unique<SilentRecognizer>();
                             return std::make_unique<PocketSphinxRecognizer>();
                         });
    QEventLoop loop;
    std::optional<QString> failure;
    capture.onTranscript = [](const QString &text, bool isFinal) {
        printJson(
            QJsonObject{{QStringLiteral("text"), text}, {QStringLiteral("isFinal"), isFinal}});
    };
    capture.onStatus = [](const QString &line) { printError(line); };
    capture.onError = [&](const QString &message) {
        failure = message;
        loop.quit();
    };
    if (const auto started = runTask(capture.start(source, name, microphone)); !started.value) {
        printError(started.error);
        return negative;
    }
    const double cpuAtStart = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    double peakResident = residentMegabytes();
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout,
                     [&] { peakResident = std::max(peakResident, residentMegabytes()); });
    sampler.start(500);
    QTimer::singleShot(int(duration * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = cpuSeconds() - cpuAtStart;
    const double took = wall.nsecsElapsed() / 1e9;
    peakResident = std::max(peakResident, residentMegabytes());
    if (failure) {
        printError(*failure);
        return negative;
    }
    (void)runTask(capture.stop());
    printError(
        QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("seconds"), took},
                                                    {QStringLiteral("cpuShare"), cpu / took},
                                                    {QStringLiteral("residentMB"), peakResident}})
                              .toJson(QJsonDocument::Compact)));
    return positive;
}

} // namespace

CommandList captureCommands() {
    return {
        {QStringLiteral("sources"), QStringLiteral("the capturable audio sources as JSON"),
         sources},
        {QStringLiteral("transcribe"),
         QStringLiteral("FILE.wav: transcript of a 16 kHz mono WAV, as JSON lines"), transcribe},
        {QStringLiteral("listen"),
         QStringLiteral("[--source all|PID] [--microphone] --seconds N: live transcript"), listen},
    };
}

} // namespace brindle::tool
