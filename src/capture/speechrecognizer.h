/**
 * @file
 * The on-device recognizer as the transcriber sees it: start a recognition, append audio, end the
 * audio, cancel. Implementations decode wherever they like but deliver every result on the main
 * thread, posted (never from inside append/endAudio/cancel), and never after the task was
 * cancelled or destroyed.
 */
#pragma once

#include "audiobuffer.h"

#include <QCoroTask>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace brindle {

struct RecognizedText {
    QString text; ///< the whole text of the recognition so far, not a delta
    bool isFinal = false;
};

/// A result, an error, or (rarely) both: an error delivered with a final result is moot.
using RecognitionHandler =
    std::function<void(std::optional<RecognizedText> result, std::optional<QString> error)>;

class RecognitionTask {
public:
    virtual ~RecognitionTask() = default;
    virtual void append(const AudioBuffer &buffer) = 0;
    /// No more audio: the recognizer delivers its final result.
    virtual void endAudio() = 0;
    /// Drops everything; the handler is not called again.
    virtual void cancel() = 0;
};

class SpeechRecognizer {
public:
    virtual ~SpeechRecognizer() = default;
    /// False when the recognizer cannot take a recognition right now.
    virtual bool isAvailable() const = 0;
    /// Resolves once the recognizer is ready (its model loaded, or found unusable): true when it
    /// can recognize. Awaiting it never blocks the main thread, and the answer does not need
    /// the recognizer to be alive when it arrives.
    virtual QCoro::Task<bool> prepare() { co_return isAvailable(); }
    virtual std::unique_ptr<RecognitionTask> recognize(RecognitionHandler handler) = 0;
};

} // namespace brindle
