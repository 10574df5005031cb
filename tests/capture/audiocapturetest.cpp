// The capture's source list, start sequence with its cancellations, routing and failure reports,
// against a scripted sound server and recognizer.
#include "audiocapture.h"
#include "capturefakes.h"
#include "taskoutcome.h"
#include "testregistry.h"
#include "virtualscheduler.h"

#include <QRegularExpression>

#include <deque>

using namespace brindle;
using namespace brindle::test;

namespace {

constexpr std::int32_t ownPid = 4242;
const QString systemMonitor = QStringLiteral("out.monitor");
const QString appMonitor = QStringLiteral("headset.monitor");
const QString microphone = QStringLiteral("mic");
const SoundServerError unreachable{SoundServerError::Kind::unreachable, "Connection refused"};
const QString requesting = QStringLiteral("Requesting capture and speech permissions\u2026");

PlaybackStream playback(std::uint32_t index, std::int32_t pid, const QString &name) {
    return {index, pid, name, QString(), appMonitor};
}

using Outcome = TaskOutcome<bool>;

struct Harness {
    VirtualScheduler scheduler;
    std::shared_ptr<ServerScript> server = std::make_shared<ServerScript>();
    std::shared_ptr<RecognizerRecord> recognizer = std::make_shared<RecognizerRecord>();
    bool recognizerMissing = false;
    AudioSourceID startID = AudioSourceID::allSystemAudio(); ///< what a failing start asks for
    bool startMicrophone = false;
    std::deque<Outcome> outcomes;   // kept until the capture is gone
    QStringList &log = server->log; // status lines, errors and stream stops in order
    QList<std::pair<QString, bool>> transcripts;
    AudioCapture capture{scheduler, std::make_unique<FakeSoundServer>(scheduler, server), [this] {
                             if (recognizerMissing)
                                 throw CaptureError(QStringLiteral("no model"));
                             return std::unique_ptr<SpeechRecognizer>(
                                 std::make_unique<FakeRecognizer>(scheduler, recognizer));
                         }};

    Harness() {
        server->content = {
            systemMonitor, microphone, {playback(7, 100, QStringLiteral("Firefox"))}};
        capture.setOwnProcessID(ownPid);
        capture.setProcessCheck([](std::int32_t) { return false; }); // the lists decide
        capture.onStatus = [this](const QString &line) { log.append(line); };
        capture.onError = [this](const QString &message) {
            log.append(QStringLiteral("error ") + message);
        };
        capture.onTranscript = [this](const QString &text, bool isFinal) {
            transcripts.append({text, isFinal});
        };
    }

    /// Starts as the window does; the name is what the status lines show.
    const Outcome *start(AudioSourceID id = AudioSourceID::allSystemAudio(),
                         bool withMicrophone = false) {
        auto &outcome = outcomes.emplace_back();
        const auto name =
            id.isAllSystemAudio() ? QStringLiteral("All system audio") : QStringLiteral("Firefox");
        collect(succeeds(capture.start(id, name, withMicrophone)), outcome);
        return &outcome;
    }
    void stop() { collect(succeeds(capture.stop()), outcomes.emplace_back()); }
    StreamRecord &stream(std::size_t i) { return *server->streams.at(i); }
    std::shared_ptr<TaskRecord> task(std::size_t i) { return recognizer->tasks.at(i); }
};

using Situation = void (*)(Harness &);

} // namespace

Q_DECLARE_METATYPE(brindle::PlaybackStream)
Q_DECLARE_METATYPE(Situation)

class AudioCaptureTest : public QObject {
    Q_OBJECT
private slots:
    void sourceList_data() {
        QTest::addColumn<QList<PlaybackStream>>("streams");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("nothing playing") << QList<PlaybackStream>{} << QStringList{};
        QTest::newRow("own process and nameless streams left out")
            << QList<PlaybackStream>{playback(1, ownPid, QStringLiteral("Brindle")),
                                     playback(2, 300, QString()),
                                     playback(3, 0, QStringLiteral("No process")),
                                     playback(4, 301, QStringLiteral("mpv"))}
            << QStringList{QStringLiteral("mpv")};
        QTest::newRow("case-insensitive order, one entry per process")
            << QList<PlaybackStream>{playback(1, 10, QStringLiteral("zoom")),
                                     playback(2, 11, QStringLiteral("Yak")),
                                     playback(3, 10, QStringLiteral("zoom")),
                                     playback(4, 12, QStringLiteral("apple"))}
            << QStringList{QStringLiteral("apple"), QStringLiteral("Yak"), QStringLiteral("zoom")};
    }
    void sourceList() {
        QFETCH(QList<PlaybackStream>, streams);
        QFETCH(QStringList, names);
        Harness h;
        h.server->content.playback = streams;
        std::optional<QList<AudioSource>> sources;
        [&]() -> QCoro::Task<> { sources = co_await h.capture.availableSources(); }();
        QVERIFY(sources);
        QCOMPARE(sources->first(), allSystemAudioSource());
        QStringList got;
        for (qsizetype i = 1; i < sources->size(); ++i)
            got.append(sources->at(i).name);
        QCOMPARE(got, names);
    }

    void runningCaptureRoutesBothChannels() {
        Harness h;
        const auto outcome = h.start(AudioSourceID::allSystemAudio(), true);
        QVERIFY(outcome->done);
        QVERIFY(outcome->value);
        QCOMPARE(h.log,
                 (QStringList{requesting, QStringLiteral("Waiting for audio from All "
                                                         "system audio and microphone\u2026")}));
        const std::int16_t loud[16] = {4000};
        h.stream(1).stream->onBuffer(AudioBuffer::fromSigned16(loud, 16));
        QCOMPARE(h.log.last(), QStringLiteral("Audio arriving \u00b7 waiting for speech"));
        h.task(1)->deliver(QStringLiteral("hi"), false);
        h.task(0)->deliver(QStringLiteral("hello"), true);
        QCOMPARE(h.transcripts, (QList<std::pair<QString, bool>>{{QStringLiteral("You: hi"), false},
                                                                 {QStringLiteral("hello"), true}}));
        QCOMPARE(h.log.last(), QStringLiteral("Transcribing All system audio and microphone"));
    }

    void startFailures_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<Situation>("situation");
        const auto row = [](const char *name, const QString &message, Situation situation) {
            QTest::newRow(name) << message << situation;
        };
        const QString gone = QStringLiteral("The selected application is no longer available. "
                                            "Refresh sources and select it again.");
        const QString noMicrophone = QStringLiteral(
            "Could not open the microphone. Check the input device in Sound settings, or turn off "
            "microphone capture.");
        row("server unreachable",
            QStringLiteral("The sound server refused audio capture. Check that PulseAudio or "
                           "PipeWire is running and that Brindle may record, then try again."),
            [](Harness &h) { h.server->snapshotError = unreachable; });
        row("application gone before listing", gone,
            [](Harness &h) { h.startID = AudioSourceID::application(999); });
        row("no input", noMicrophone, [](Harness &h) {
            h.startMicrophone = true;
            h.server->content.defaultInput.clear();
        });
        row("input will not open", noMicrophone, [](Harness &h) {
            h.startMicrophone = true;
            h.server->failStartOfSource = microphone;
        });
        row("recognizer missing", QStringLiteral("no model"),
            [](Harness &h) { h.recognizerMissing = true; });
        row("recognizer unavailable",
            QStringLiteral("On-device speech recognition is currently unavailable. Try again after "
                           "installing the English speech model."),
            [](Harness &h) { h.recognizer->available = false; });
        row("no output", QStringLiteral("No display is available for system audio capture."),
            [](Harness &h) { h.server->content.defaultOutputMonitor.clear(); });
    }
    void startFailures() {
        QFETCH(QString, message);
        QFETCH(Situation, situation);
        Harness h;
        situation(h);
        const auto outcome = h.start(h.startID, h.startMicrophone);
        QVERIFY(outcome->done);
        QCOMPARE(outcome->error, std::optional<QString>(message));
        QVERIFY(!h.capture.isRunning());
        QVERIFY(h.server->running().isEmpty());
        for (const auto &task : h.recognizer->tasks)
            QVERIFY(task->cancelled);
        // A failed start reports through its caller, never as a capture error.
        QCOMPARE(h.log.filter(QRegularExpression(QStringLiteral("^(?!stop )"))),
                 QStringList{requesting});
    }

    void stopDuringStartCancelsSilently_data() {
        QTest::addColumn<int>("step");
        QTest::newRow("while the server is asked") << 0;
        QTest::newRow("while the model loads") << 1;
        QTest::newRow("while the stream starts") << 2;
    }
    void stopDuringStartCancelsSilently() {
        QFETCH(int, step);
        Harness h;
        (step == 0   ? h.server->snapshotDelay
         : step == 1 ? h.recognizer->readyDelay
                     : h.server->startDelay) = seconds(1);
        const auto outcome = h.start();
        QVERIFY(!outcome->done);
        h.stop();
        h.scheduler.advance(seconds(1));
        QVERIFY(outcome->done);
        QVERIFY(outcome->cancelled);
        QCOMPARE(h.log.filter(QStringLiteral("Stopped")).size(), 1);
        QCOMPARE(h.log.filter(QStringLiteral("error")).size(), 0);
        QVERIFY(!h.log.contains(QStringLiteral("Waiting for audio from All system audio\u2026")));
        QVERIFY(!h.capture.isRunning());
        QVERIFY(h.server->running().isEmpty());
    }

    void newerStartSupersedesTheOldCapture() {
        Harness h;
        QVERIFY(h.start()->value);
        const auto oldHandler = h.task(0)->handler; // what a result already posted would call
        h.log.clear();
        h.server->startDelay = seconds(1);
        const auto second = h.start(AudioSourceID::application(100));
        QCOMPARE(h.log, (QStringList{QStringLiteral("stop ") + systemMonitor, requesting}));
        const auto third = h.start();
        h.scheduler.advance(seconds(1));
        QVERIFY(second->cancelled);
        QVERIFY(third->value);
        QVERIFY(h.capture.isRunning());
        QCOMPARE(h.server->running(), QStringList{systemMonitor}); // the third start's only
        // The first capture's recognizer is no longer heard; the current one's failure is.
        h.log.clear();
        oldHandler(std::nullopt, QStringLiteral("boom"));
        oldHandler(RecognizedText{QStringLiteral("stale"), false}, std::nullopt);
        QVERIFY(h.log.isEmpty());
        QVERIFY(h.transcripts.isEmpty());
        h.recognizer->tasks.back()->handler(std::nullopt, QStringLiteral("boom"));
        QCOMPARE(h.log.first(), QStringLiteral("error Speech recognition stopped: boom"));
        QVERIFY(!h.capture.isRunning());
    }

    // The microphone stays on the current default input (the system test follows the output's);
    // a failing server ends the capture once.
    void defaultsAreFollowedAndServerFailureReportsOnce() {
        Harness h;
        QVERIFY(h.start(AudioSourceID::allSystemAudio(), true)->value);
        h.server->content.defaultInput = QStringLiteral("usb-mic"); // the microphone goes away
        h.stream(1).stream->onFailure(QStringLiteral("Entity killed"));
        h.server->notify();
        QCOMPARE(h.server->running(), (QStringList{systemMonitor, QStringLiteral("usb-mic")}));
        QVERIFY(h.log.filter(QStringLiteral("error")).isEmpty());

        h.log.clear();
        h.server->snapshotError = unreachable;
        h.server->notify();
        QCOMPARE(h.log,
                 (QStringList{QStringLiteral("stop ") + systemMonitor,
                              QStringLiteral("error Audio capture stopped: Connection refused"),
                              QStringLiteral("stop usb-mic")}));
        QVERIFY(!h.capture.isRunning());
        QVERIFY(h.task(0)->cancelled && h.task(1)->cancelled);
    }

    void resetTranscription() {
        Harness h;
        h.capture.resetTranscription(); // nothing running: nothing happens
        QVERIFY(h.log.isEmpty());
        h.start(AudioSourceID::allSystemAudio(), true);
        h.capture.resetTranscription();
        QCOMPARE(h.recognizer->tasks.size(), std::size_t(4));
        QVERIFY(h.task(0)->cancelled && h.task(1)->cancelled);
        h.recognizer->available = false;
        h.log.clear();
        h.capture.resetTranscription();
        QCOMPARE(h.log.first(),
                 QStringLiteral("error Could not reset transcription: On-device speech recognition "
                                "is currently unavailable. Try again after installing the English "
                                "speech model."));
        QVERIFY(!h.capture.isRunning());
        QCOMPARE(h.log.filter(QStringLiteral("stop ")).size(), 2);
    }
};

BRINDLE_REGISTER_TEST(AudioCaptureTest);
#include "audiocapturetest.moc"
