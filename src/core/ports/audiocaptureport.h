/**
 * @file
 * What the session controller needs from audio capture. The concrete capture (sound server and
 * recognizer) implements it; tests use a scripted fake. All members are called, and all callbacks
 * delivered, on the main thread. The callbacks are set once by the controller right after
 * construction and stay set for the life of the capture.
 */
#pragma once

#include "audiosource.h"
#include "cancellation.h"

#include <QCoroTask>
#include <QList>

#include <functional>

namespace brindle {

class AudioCapturePort {
public:
    virtual ~AudioCapturePort() = default;

    /// Transcript text of either channel (microphone text carries the "You: " prefix).
    std::function<void(const QString &text, bool isFinal)> onTranscript;
    /// Status lines of the capture layer.
    std::function<void(const QString &message)> onStatus;
    /// Failure messages; the capture has already stopped itself when this is called.
    std::function<void(const QString &message)> onError;

    /// The capturable sources: "All system audio" first, then applications. Throws CaptureError.
    virtual QCoro::Task<QList<AudioSource>> availableSources() = 0;

    /// Returns once capture runs. Throws CaptureError, or CancelledError when a later start or a
    /// stop superseded this one.
    virtual QCoro::Task<> start(AudioSourceID source, QString sourceName,
                                bool includeMicrophone) = 0;

    /// The running applications whose identifier is exactly `bundleID`, each as an application
    /// source, from the sound server's current clients; used to re-select a saved application at
    /// launch before the full list is loaded. Throws CaptureError. By default the application
    /// entries of availableSources().
    virtual QCoro::Task<QList<AudioSource>> runningApplications(QString bundleID) {
        QList<AudioSource> matching;
        for (const auto &source : co_await availableSources()) {
            if (!source.id.isAllSystemAudio() && source.bundleID == bundleID)
                matching.append(source);
        }
        co_return matching;
    }

    /// Ends capture; never fails.
    virtual QCoro::Task<> stop() = 0;

    /// Restarts recognition with fresh segments without touching the stream.
    virtual void resetTranscription() = 0;

    /// Opens the desktop's sound settings.
    virtual void openCapturePermissions() = 0;
};

} // namespace brindle
