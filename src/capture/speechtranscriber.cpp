#include "speechtranscriber.h"

#include <QPointer>

namespace brindle {

SpeechTranscriber::SpeechTranscriber(Scheduler &scheduler,
                                     std::unique_ptr<SpeechRecognizer> recognizer, QObject *parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_recognizer(std::move(recognizer)) {}

SpeechTranscriber::~SpeechTranscriber() {
    dropTask();
}

QCoro::Task<> SpeechTranscriber::requestPermission() {
    co_return;
}

void SpeechTranscriber::start() {
    stop();
    m_active = true;
    beginSegment();
}

void SpeechTranscriber::stop() {
    m_active = false;
    m_generation = QUuid::createUuid();
    m_rotation.cancel();
    m_flushTimeout.cancel();
    m_flushing = false;
    m_buffered.clear();
    dropTask();
}

void SpeechTranscriber::dropTask() {
    if (auto task = std::move(m_task)) {
        task->endAudio();
        task->cancel();
    }
}

void SpeechTranscriber::beginSegment() {
    if (!m_active)
        return;
    const auto token = QUuid::createUuid();
    m_generation = token;
    QPointer<SpeechTranscriber> self(this);
    m_task = m_recognizer->recognize(
        [self, token](std::optional<RecognizedText> result, std::optional<QString> error) {
            if (self)
                self->handleResult(token, std::move(result), std::move(error));
        });
    m_rotation = m_scheduler.callAfter(segmentLength, [this, token] {
        if (m_active && m_generation == token)
            beginFlush(token);
    });
}

void SpeechTranscriber::handleResult(const QUuid &token, std::optional<RecognizedText> result,
                                     std::optional<QString> error) {
    if (!m_active || m_generation != token)
        return;
    if (result) {
        if (!result->text.isEmpty() && onTranscript) {
            onTranscript(result->text, result->isFinal);
            // The owner may have stopped or replaced us from inside the callback.
            if (!m_active || m_generation != token)
                return;
        }
        if (result->isFinal) {
            finishSegment();
            return;
        }
    }
    if (error)
        fail(QStringLiteral("Speech recognition stopped: ") + *error);
}

void SpeechTranscriber::beginFlush(const QUuid &token) {
    m_flushing = true;
    if (m_task)
        m_task->endAudio();
    m_flushTimeout = m_scheduler.callAfter(flushLimit, [this, token] {
        if (m_active && m_generation == token)
            fail(QStringLiteral("Speech recognition did not finish its segment in time. Capture "
                                "stopped; start again to resume."));
    });
}

void SpeechTranscriber::finishSegment() {
    std::deque<AudioBuffer> held;
    held.swap(m_buffered);
    m_flushing = false;
    m_flushTimeout.cancel();
    m_generation = QUuid::createUuid();
    m_rotation.cancel();
    dropTask();
    beginSegment();
    if (!m_task)
        return;
    for (const auto &buffer : held)
        m_task->append(buffer);
}

void SpeechTranscriber::append(const AudioBuffer &buffer) {
    if (!m_active || !buffer.isValid() || !buffer.dataReady)
        return;
    if (!m_flushing) {
        if (m_task)
            m_task->append(buffer);
        return;
    }
    if (m_buffered.size() >= maxHeldBuffers) {
        fail(QStringLiteral("Speech recognition could not finish its previous segment. Capture "
                            "stopped before buffered audio was lost."));
        return;
    }
    m_buffered.push_back(buffer);
}

void SpeechTranscriber::fail(const QString &message) {
    stop();
    if (onError)
        onError(message);
}

} // namespace brindle
