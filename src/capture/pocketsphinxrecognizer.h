/**
 * @file
 * The on-device recognizer: one PocketSphinx decoder on its own worker thread, loaded with the
 * installed US English model. Audio is decoded as it arrives; partial text follows every 100 ms of
 * audio when it changed, and the end of audio gives the final result. Text is written in sentences
 * (UtteranceSentences): a pause between sentences, or the end of speech, ends the utterance by
 * itself with a final result, and the audio that follows opens the next recognition started on
 * this recognizer. Results are posted to the main thread. One recognizer per transcriber;
 * destroying it joins its thread.
 */
#pragma once

#include "speechrecognizer.h"

#include <QObject>
#include <QString>

#include <memory>

namespace brindle {

class PocketSphinxRecognizer final : public SpeechRecognizer {
public:
    struct Model {
        QString acousticModel; ///< folder of the acoustic model
        QString languageModel;
        QString dictionary;
        /// The model of the Debian package pocketsphinx-en-us.
        static Model installed();
        bool isPresent() const;
    };

    /// Throws CaptureError when the model is missing. The decoder loads on the worker thread.
    explicit PocketSphinxRecognizer(const Model &model = Model::installed());
    ~PocketSphinxRecognizer() override;

    bool isAvailable() const override;
    QCoro::Task<bool> prepare() override;
    std::unique_ptr<RecognitionTask> recognize(RecognitionHandler handler) override;

    /// Blocks until the worker has decoded everything handed to it (for offline runs).
    void waitUntilIdle();
    /// Samples handled so far (decoded, dropped, or held for the next utterance), over all tasks.
    /// Any thread; for measurements.
    std::int64_t decodedSamples() const;

private:
    class Worker;
    class Task;
    std::unique_ptr<QObject> m_postTarget; // main-thread receiver of the worker's posts
    std::shared_ptr<Worker> m_worker;
};

} // namespace brindle
