#include "audiocapture.h"

#include "capturemessages.h"
#include "followingrecording.h"

#include <QCollator>
#include <QPointer>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>

#include <cerrno>
#include <signal.h>
#include <unistd.h>

namespace brindle {

namespace msg = capturemessages;

/// Routes the buffers of the running streams; inert once the capture is torn down.
struct AudioCapture::Receiver {
    SpeechTranscriber *system = nullptr;
    SpeechTranscriber *microphone = nullptr;
    CaptureActivity *activity = nullptr;
    std::function<void(const QString &)> onError;
    bool active = true;
};

/// Everything a running capture owns; tear-down drops it as a whole.
struct AudioCapture::Running {
    std::unique_ptr<CaptureActivity> activity;
    std::unique_ptr<SpeechTranscriber> system;
    std::unique_ptr<SpeechTranscriber> microphone;
    std::shared_ptr<Receiver> receiver;
    Streams streams;
    TimerHandle processWatch;
};

namespace {

CaptureError mapServerError(const SoundServerError &error) {
    if (error.kind() == SoundServerError::Kind::unreachable)
        return CaptureError(msg::serverRefused());
    if (error.kind() == SoundServerError::Kind::timedOut)
        return CaptureError(msg::serverSilent());
    return CaptureError(error.description());
}

bool hasPlayback(const SoundServerSnapshot &content, std::int32_t processID) {
    return std::any_of(content.playback.cbegin(), content.playback.cend(),
                       [&](const PlaybackStream &stream) { return stream.processID == processID; });
}

/// Every playback stream of the process, each through its own output's monitor, and the default
/// output's monitor held so that a new stream's first seconds are not rendered before it is heard.
FollowingRecording::Plan applicationPlan(std::int32_t processID) {
    return [processID](const SoundServerSnapshot &content) {
        QList<RecordRequest> requests;
        if (!content.defaultOutputMonitor.isEmpty())
            requests.append({content.defaultOutputMonitor, std::nullopt,
                             QStringLiteral("Brindle application audio"), true});
        for (const auto &stream : content.playback) {
            if (stream.processID == processID && !stream.sinkMonitor.isEmpty())
                requests.append({stream.sinkMonitor, stream.index,
                                 QStringLiteral("Brindle application audio")});
        }
        return requests;
    };
}

/// The source a default names (the default output's monitor, or the default input), if any.
FollowingRecording::Plan defaultSourcePlan(QString SoundServerSnapshot::*source, QString name) {
    return [source, name](const SoundServerSnapshot &content) {
        const QString &current = content.*source;
        return current.isEmpty() ? QList<RecordRequest>()
                                 : QList<RecordRequest>{{current, std::nullopt, name}};
    };
}

bool processExists(std::int32_t processID) {
    return ::kill(processID, 0) == 0 || errno == EPERM;
}

/// The server's snapshot, its failures turned into the capture's messages.
QCoro::Task<SoundServerSnapshot> fetchContent(SoundServer &server) {
    try {
        co_return co_await server.snapshot();
    } catch (const SoundServerError &error) {
        throw mapServerError(error);
    }
}

void openSoundSettings() {
    if (!QStandardPaths::findExecutable(QStringLiteral("pavucontrol")).isEmpty() &&
        QProcess::startDetached(QStringLiteral("pavucontrol"), {}))
        return;
    if (!QStandardPaths::findExecutable(QStringLiteral("gnome-control-center")).isEmpty() &&
        QProcess::startDetached(QStringLiteral("gnome-control-center"), {QStringLiteral("sound")}))
        return;
    if (!QStandardPaths::findExecutable(QStringLiteral("systemsettings")).isEmpty())
        QProcess::startDetached(QStringLiteral("systemsettings"),
                                {QStringLiteral("kcm_pulseaudio")});
}

} // namespace

AudioCapture::AudioCapture(Scheduler &scheduler, std::unique_ptr<SoundServer> server,
                           RecognizerFactory recognizers, QObject *parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_server(std::move(server))
    , m_recognizers(std::move(recognizers))
    , m_ownProcessID(std::int32_t(::getpid()))
    , m_openSettings(openSoundSettings)
    , m_processAlive(processExists) {}

AudioCapture::~AudioCapture() {
    m_generation = QUuid::createUuid();
    retireStreams(tearDown());
}

QCoro::Task<QList<AudioSource>> AudioCapture::availableSources() {
    QPointer<AudioCapture> self(this);
    const SoundServerSnapshot content = co_await fetchContent(*m_server);
    const auto ownProcessID = self ? self->m_ownProcessID : std::int32_t(::getpid());

    QList<AudioSource> applications;
    QSet<std::int32_t> seen;
    for (const auto &stream : content.playback) {
        if (stream.processID <= 0 || stream.processID == ownProcessID ||
            stream.applicationName.isEmpty() || seen.contains(stream.processID))
            continue;
        seen.insert(stream.processID);
        applications.append({AudioSourceID::application(stream.processID), stream.applicationName,
                             stream.identifier});
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(applications.begin(), applications.end(),
                     [&](const AudioSource &a, const AudioSource &b) {
                         return collator.compare(a.name, b.name) < 0;
                     });
    applications.prepend(allSystemAudioSource());
    co_return applications;
}

QCoro::Task<> AudioCapture::start(AudioSourceID sourceID, QString sourceName,
                                  bool includeMicrophone) {
    QPointer<AudioCapture> self(this);
    const auto token = QUuid::createUuid();
    m_generation = token;
    const auto checkPoint = [&self, &token] {
        if (!self || self->m_generation != token)
            throw CancelledError{};
    };

    if (auto old = tearDown())
        co_await stopStreams(std::move(old));
    checkPoint();

    reportStatus(msg::requestingPermissions());
    co_await SpeechTranscriber::requestPermission();
    checkPoint();

    const SoundServerSnapshot content = co_await fetchContent(*m_server);
    checkPoint();

    const auto applicationID = sourceID.processID();
    const auto alive = m_processAlive;
    const auto gone = [applicationID, alive](const SoundServerSnapshot &content) {
        return applicationID && !hasPlayback(content, *applicationID) &&
               !content.clientProcesses.contains(*applicationID) && !alive(*applicationID);
    };
    if (applicationID && gone(content))
        throw CaptureError(msg::applicationGone());
    if (!applicationID && content.defaultOutputMonitor.isEmpty())
        throw CaptureError(msg::noOutput());
    if (includeMicrophone && content.defaultInput.isEmpty())
        throw CaptureError(msg::microphoneUnavailable());

    const auto monitorName =
        includeMicrophone ? sourceName + QStringLiteral(" and microphone") : sourceName;
    auto activity = std::make_unique<CaptureActivity>(m_scheduler, monitorName,
                                                      [self, token](const QString &line) {
                                                          if (self && self->m_generation == token)
                                                              self->reportStatus(line);
                                                      });

    auto systemSpeech = std::make_unique<SpeechTranscriber>(m_scheduler, m_recognizers());
    std::unique_ptr<SpeechTranscriber> microphoneSpeech;
    if (includeMicrophone)
        microphoneSpeech = std::make_unique<SpeechTranscriber>(m_scheduler, m_recognizers());

    // The models load on the recognizers' own threads; the start waits for them without
    // blocking, so an unusable model fails it and a stop meanwhile simply retires it.
    for (auto *speech : {systemSpeech.get(), microphoneSpeech.get()}) {
        if (!speech)
            continue;
        const bool ready = co_await speech->prepare();
        checkPoint();
        if (!ready)
            throw CaptureError(msg::recognizerUnavailable());
    }

    connectTranscriber(*systemSpeech, token, QString(), activity.get());
    if (microphoneSpeech)
        connectTranscriber(*microphoneSpeech, token, QStringLiteral("You: "), activity.get());

    auto receiver = std::make_shared<Receiver>(Receiver{
        systemSpeech.get(), microphoneSpeech.get(), activity.get(), failureHandler(token), true});

    Streams streams;
    streams.system = std::make_shared<FollowingRecording>(
        m_scheduler, *m_server,
        applicationID ? applicationPlan(*applicationID)
                      : defaultSourcePlan(&SoundServerSnapshot::defaultOutputMonitor,
                                          QStringLiteral("Brindle system audio")),
        gone, msg::applicationQuit(), content);
    if (includeMicrophone)
        streams.microphone = std::make_shared<FollowingRecording>(
            m_scheduler, *m_server,
            defaultSourcePlan(&SoundServerSnapshot::defaultInput,
                              QStringLiteral("Brindle microphone")),
            nullptr, QString(), content);
    const auto route = [receiver](bool microphone) {
        return [receiver, microphone](const AudioBuffer &buffer) {
            if (!receiver->active)
                return;
            receiver->activity->observe(buffer);
            // The monitor never reports synchronously on this path to a handler that tears down,
            // but a transcriber may fail below; check before each hand-over.
            if (!receiver->active)
                return;
            if (auto *speech = microphone ? receiver->microphone : receiver->system)
                speech->append(buffer);
        };
    };
    const auto stopped = [receiver](const QString &description) {
        if (receiver->active)
            receiver->onError(msg::captureStopped(description));
    };
    streams.system->onBuffer = route(false);
    streams.system->onFailure = stopped;
    if (streams.microphone) {
        streams.microphone->onBuffer = route(true);
        streams.microphone->onFailure = stopped;
    }

    // From here on a failure undoes everything this start made.
    auto *system = systemSpeech.get();
    auto *microphone = microphoneSpeech.get();
    std::exception_ptr failure;
    try {
        startTranscribers(*system, microphone);
        auto running = std::make_unique<Running>();
        running->activity = std::move(activity);
        running->system = std::move(systemSpeech);
        running->microphone = std::move(microphoneSpeech);
        running->receiver = receiver;
        running->streams = streams;
        m_running = std::move(running);

        const auto systemError = co_await startStream(streams.system);
        checkPoint();
        if (systemError) {
            if (systemError->kind() == SoundServerError::Kind::noSuchEntity && applicationID)
                throw CaptureError(msg::applicationGone());
            throw mapServerError(*systemError);
        }
        if (streams.microphone) {
            const auto microphoneError = co_await startStream(streams.microphone);
            checkPoint();
            if (microphoneError) {
                if (microphoneError->kind() == SoundServerError::Kind::unreachable ||
                    microphoneError->kind() == SoundServerError::Kind::timedOut)
                    throw mapServerError(*microphoneError);
                throw CaptureError(msg::microphoneUnavailable());
            }
        }
        m_running->activity->start();
        if (applicationID)
            watchProcess(*applicationID, token);
        co_return;
    } catch (...) {
        failure = std::current_exception();
    }

    // A newer start or a stop has already torn this capture down; never touch what it owns now.
    if (self && self->m_generation == token)
        self->tearDown();
    receiver->active = false;
    if (systemSpeech)
        systemSpeech->stop();
    if (microphoneSpeech)
        microphoneSpeech->stop();
    co_await stopStreams(streams);
    std::rethrow_exception(failure);
}

void AudioCapture::watchProcess(std::int32_t processID, const QUuid &token) {
    // A process that exits without a word to the sound server (it played through a helper, or
    // had nothing open) is noticed here.
    m_running->processWatch = m_scheduler.callAfter(processCheckInterval, [this, processID, token] {
        if (m_generation != token || !m_running)
            return;
        if (m_processAlive(processID))
            watchProcess(processID, token);
        else
            failureHandler(token)(msg::captureStopped(msg::applicationQuit()));
    });
}

void AudioCapture::startTranscribers(SpeechTranscriber &system, SpeechTranscriber *microphone) {
    for (auto *speech : {&system, microphone}) {
        if (!speech)
            continue;
        if (!speech->isAvailable())
            throw CaptureError(msg::recognizerUnavailable());
        speech->start();
    }
}

void AudioCapture::connectTranscriber(SpeechTranscriber &transcriber, const QUuid &token,
                                      const QString &prefix, CaptureActivity *activity) {
    QPointer<AudioCapture> self(this);
    transcriber.onTranscript = [self, token, prefix, activity](const QString &text, bool isFinal) {
        if (!self || self->m_generation != token)
            return;
        activity->noteSpeech();
        if (self->m_generation == token && self->onTranscript)
            self->onTranscript(prefix + text, isFinal);
    };
    transcriber.onError = failureHandler(token);
}

std::function<void(const QString &)> AudioCapture::failureHandler(const QUuid &token) {
    QPointer<AudioCapture> self(this);
    return [self, token](const QString &message) {
        if (!self || self->m_generation != token)
            return;
        self->m_generation = QUuid::createUuid();
        auto streams = self->tearDown();
        if (self->onError)
            self->onError(message);
        retireStreams(std::move(streams));
    };
}

AudioCapture::Streams AudioCapture::tearDown() {
    auto running = std::move(m_running);
    if (!running)
        return {};
    running->activity.reset();
    auto streams = std::move(running->streams);
    running->receiver->active = false;
    running->receiver.reset();
    for (auto *speech : {running->system.get(), running->microphone.get()}) {
        if (speech)
            speech->stop();
    }
    // The transcribers may be the ones reporting right now; let them unwind before they go.
    if (running->system)
        running->system.release()->deleteLater();
    if (running->microphone)
        running->microphone.release()->deleteLater();
    return streams;
}

void AudioCapture::retireStreams(Streams streams) {
    retire(std::move(streams.system));
    retire(std::move(streams.microphone));
}

QCoro::Task<> AudioCapture::stopStreams(Streams streams) {
    if (streams.system)
        co_await streams.system->stop();
    if (streams.microphone)
        co_await streams.microphone->stop();
}

QCoro::Task<> AudioCapture::stop() {
    m_generation = QUuid::createUuid();
    auto streams = tearDown();
    reportStatus(msg::stopped());
    if (streams)
        co_await stopStreams(std::move(streams));
}

void AudioCapture::resetTranscription() {
    if (!m_running || !m_running->streams)
        return;
    try {
        startTranscribers(*m_running->system, m_running->microphone.get());
    } catch (const CaptureError &error) {
        m_generation = QUuid::createUuid();
        auto streams = tearDown();
        if (onError)
            onError(msg::resetFailed(error.message()));
        retireStreams(std::move(streams));
    }
}

void AudioCapture::openCapturePermissions() {
    if (m_openSettings)
        m_openSettings();
}

void AudioCapture::reportStatus(const QString &message) {
    if (onStatus)
        onStatus(message);
}

} // namespace brindle
