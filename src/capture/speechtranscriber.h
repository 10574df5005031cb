/**
 * @file
 * Turns one channel's audio into running English text in recognition segments of 45 seconds. At
 * the end of a segment it ends the recognition's audio, holds what arrives meanwhile (at most 512
 * buffers) and replays it into the next segment once the final result is in. Main thread only;
 * every segment start, finish and stop replaces the token that retires late results and timers.
 * Owned by its capture for the capture's life.
 */
#pragma once

#include "audiobuffer.h"
#include "scheduler.h"
#include "speechrecognizer.h"

#include <QCoroTask>
#include <QObject>
#include <QUuid>

#include <deque>
#include <functional>
#include <memory>

namespace brindle {

class SpeechTranscriber : public QObject {
    Q_OBJECT
public:
    static constexpr Duration segmentLength = std::chrono::seconds(45);
    static constexpr Duration flushLimit = std::chrono::seconds(3);
    static constexpr std::size_t maxHeldBuffers = 512;

    SpeechTranscriber(Scheduler &scheduler, std::unique_ptr<SpeechRecognizer> recognizer,
                      QObject *parent = nullptr);
    ~SpeechTranscriber() override;

    /// Nothing to ask on this platform; kept as a step so the capture's sequence stays one shape.
    static QCoro::Task<> requestPermission();

    std::function<void(const QString &text, bool isFinal)> onTranscript;
    std::function<void(const QString &message)> onError;

    bool isAvailable() const { return m_recognizer->isAvailable(); }
    /// Resolves once the recognizer's model is loaded or found unusable (see SpeechRecognizer).
    QCoro::Task<bool> prepare() { return m_recognizer->prepare(); }
    void start();
    void stop();
    void append(const AudioBuffer &buffer);

    bool isActive() const { return m_active; }
    bool isFlushing() const { return m_flushing; }
    std::size_t heldBufferCount() const { return m_buffered.size(); }

private:
    void beginSegment();
    void beginFlush(const QUuid &token);
    void finishSegment();
    void handleResult(const QUuid &token, std::optional<RecognizedText> result,
                      std::optional<QString> error);
    void fail(const QString &message);
    void dropTask();

    Scheduler &m_scheduler;
    std::unique_ptr<SpeechRecognizer> m_recognizer;
    std::unique_ptr<RecognitionTask> m_task;
    TimerHandle m_rotation;
    QUuid m_generation = QUuid::createUuid();
    bool m_active = false;
    bool m_flushing = false;
    std::deque<AudioBuffer> m_buffered;
    TimerHandle m_flushTimeout;
};

} // namespace brindle
