/**
 * @file
 * The one part of Brindle that touches audio. Lists what can be captured, records all system
 * audio (the default output, followed as it changes) or one application (every playback stream
 * of its process, mixed), plus the default input as a second channel, from the sound server, and
 * feeds each channel to its own transcriber and both to the activity monitor. Only text comes
 * out. Lives on the main thread for the life of the process; `generation` ties every callback,
 * timer and awaiting start step to one capture.
 */
#pragma once

#include "audiocaptureport.h"
#include "captureactivity.h"
#include "soundserver.h"
#include "speechtranscriber.h"

#include <QObject>
#include <QUuid>

#include <memory>

namespace brindle {

class AudioCapture : public QObject, public AudioCapturePort {
    Q_OBJECT
public:
    /// Makes the recognizer of one transcriber; throws CaptureError when there is none.
    using RecognizerFactory = std::function<std::unique_ptr<SpeechRecognizer>()>;
    /// How often an application's capture checks that its process still runs.
    static constexpr Duration processCheckInterval = std::chrono::seconds(1);

    AudioCapture(Scheduler &scheduler, std::unique_ptr<SoundServer> server,
                 RecognizerFactory recognizers, QObject *parent = nullptr);
    ~AudioCapture() override;

    QCoro::Task<QList<AudioSource>> availableSources() override;
    QCoro::Task<> start(AudioSourceID source, QString sourceName, bool includeMicrophone) override;
    QCoro::Task<> stop() override;
    void resetTranscription() override;
    void openCapturePermissions() override;

    /// The process whose own playback never shows up as a source (this one by default).
    void setOwnProcessID(std::int32_t processID) { m_ownProcessID = processID; }
    /// Whether a process still runs (a signal-0 check by default); an application's capture
    /// ends with an error only once its process is gone.
    void setProcessCheck(std::function<bool(std::int32_t)> alive) {
        m_processAlive = std::move(alive);
    }
    /// What openCapturePermissions runs (the desktop's sound settings by default).
    void setSettingsOpener(std::function<void()> opener) { m_openSettings = std::move(opener); }

    bool isRunning() const { return m_running != nullptr; }

private:
    struct Streams {
        std::shared_ptr<RecordStream> system;
        std::shared_ptr<RecordStream> microphone;
        explicit operator bool() const { return system || microphone; }
    };
    struct Receiver;
    struct Running;

    Streams tearDown();
    static QCoro::Task<> stopStreams(Streams streams);
    /// Stops them without waiting; failure handlers may run inside a stream's own callback.
    static void retireStreams(Streams streams);
    std::function<void(const QString &)> failureHandler(const QUuid &token);
    void connectTranscriber(SpeechTranscriber &transcriber, const QUuid &token,
                            const QString &prefix, CaptureActivity *activity);
    void watchProcess(std::int32_t processID, const QUuid &token);
    void startTranscribers(SpeechTranscriber &system, SpeechTranscriber *microphone);
    void reportStatus(const QString &message);

    Scheduler &m_scheduler;
    std::unique_ptr<SoundServer> m_server;
    RecognizerFactory m_recognizers;
    std::int32_t m_ownProcessID;
    std::function<void()> m_openSettings;
    std::function<bool(std::int32_t)> m_processAlive;
    QUuid m_generation = QUuid::createUuid();
    std::unique_ptr<Running> m_running;
};

} // namespace brindle
