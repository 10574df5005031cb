#include "audiotime.h"

#include "toolio.h"

#include <QCoreApplication>

namespace brindle::tool {

std::unique_ptr<PocketSphinxRecognizer> loadRecognizer() {
    std::unique_ptr<PocketSphinxRecognizer> recognizer;
    try {
        recognizer = std::make_unique<PocketSphinxRecognizer>();
    } catch (const CaptureError &error) {
        printError(error.message());
        return nullptr;
    }
    recognizer->waitUntilIdle(); // the model is loaded before the clock starts
    if (!recognizer->isAvailable()) {
        printError(QStringLiteral("the speech model could not be loaded"));
        return nullptr;
    }
    return recognizer;
}

AudioTimePlayer::AudioTimePlayer(test::VirtualScheduler &scheduler,
                                 PocketSphinxRecognizer &recognizer, SpeechTranscriber &transcriber)
    : m_scheduler(scheduler)
    , m_recognizer(recognizer)
    , m_transcriber(transcriber) {}

void AudioTimePlayer::settle() {
    // Hand the decoder's results over before time moves on; a segment being flushed waits for
    // its final result.
    do {
        m_recognizer.waitUntilIdle();
        QCoreApplication::sendPostedEvents();
    } while (m_transcriber.isFlushing() && !m_failure);
}

std::optional<QString> AudioTimePlayer::play(const WavAudio &audio,
                                             const std::function<bool()> &done) {
    const auto previous = m_transcriber.onError;
    m_transcriber.onError = [this](const QString &message) { m_failure = message; };
    m_transcriber.start();
    const qsizetype step = captureFragmentSamples * 2;
    for (qsizetype at = 0; at < audio.samples.size() && !m_failure; at += step) {
        const AudioBuffer buffer{audio.samples.mid(at, step)};
        m_transcriber.append(buffer);
        m_fed += buffer.seconds();
        settle();
        m_scheduler.advance(seconds(buffer.seconds()));
        settle();
    }
    for (Duration waited{}; !m_failure && waited <= SpeechTranscriber::segmentLength &&
                            m_transcriber.heldBufferCount() == 0 && !done();
         waited += seconds(0.1)) {
        m_scheduler.advance(seconds(0.1));
        settle();
    }
    m_transcriber.stop();
    m_transcriber.onError = previous;
    return m_failure;
}

double AudioTimePlayer::position() const {
    return std::max(m_fed, std::chrono::duration<double>(m_scheduler.monotonic()).count());
}

} // namespace brindle::tool
