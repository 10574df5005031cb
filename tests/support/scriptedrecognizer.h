/**
 * @file
 * A recognizer that hears each segment as the next of the scripted sentences once its audio ends
 * (never once they run out), and audio with stretches of "speech" for it to hear.
 */
#pragma once

#include "speechrecognizer.h"

#include <QCoreApplication>
#include <QStringList>

#include <cmath>
#include <memory>

namespace brindle::test {

class ScriptedRecognizer final : public SpeechRecognizer {
public:
    explicit ScriptedRecognizer(std::shared_ptr<QStringList> sentences)
        : m_sentences(std::move(sentences)) {}

    bool isAvailable() const override { return true; }
    std::unique_ptr<RecognitionTask> recognize(RecognitionHandler handler) override {
        auto task = std::make_unique<Task>();
        task->handler = std::make_shared<RecognitionHandler>(std::move(handler));
        task->sentences = m_sentences;
        return task;
    }

private:
    struct Task final : RecognitionTask {
        std::shared_ptr<RecognitionHandler> handler;
        std::shared_ptr<QStringList> sentences;

        void append(const AudioBuffer &) override {}
        void endAudio() override {
            if (sentences->isEmpty())
                return;
            QMetaObject::invokeMethod(
                qApp,
                [h = std::weak_ptr(handler), text = sentences->takeFirst()] {
                    if (const auto handler = h.lock())
                        (*handler)(RecognizedText{text, true}, std::nullopt);
                },
                Qt::QueuedConnection);
        }
        void cancel() override { handler.reset(); }
    };

    std::shared_ptr<QStringList> m_sentences;
};

/// 16 kHz mono samples: `count` 2-second tones, each after a second of silence, then a second
/// of silence.
inline QByteArray utterances(int count) {
    QByteArray samples;
    for (int burst = 0; burst < count; ++burst) {
        samples += QByteArray(16000 * 2, '\0');
        for (int i = 0; i < 32000; ++i) {
            const auto value = qint16(8000 * std::sin(i * 2 * M_PI * 440 / 16000));
            samples.append(reinterpret_cast<const char *>(&value), 2);
        }
    }
    return samples + QByteArray(16000 * 2, '\0');
}

} // namespace brindle::test
