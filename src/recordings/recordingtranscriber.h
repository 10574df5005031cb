/**
 * @file
 * Transcribes a recording faster than it plays: the audio is cut at pauses and the segments go in
 * turn to two recognizers, each decoding on its own thread, at most `segmentsAhead` segments ahead
 * per recognizer. Text comes out in recording order, segment by segment once a segment's final
 * result is in, each report placed at its position: a segment's final at its end, its partial
 * texts spread over it by their share of the final's words. Owned by the recording session; main
 * thread only; the recognizers' late results are dropped once it is gone.
 */
#pragma once

#include "pausecutter.h"
#include "scheduler.h"
#include "speechrecognizer.h"

#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace brindle {

struct TimedText {
    Duration position; ///< where in the recording the report belongs
    QString text;      ///< the running text of the segment's utterance
    bool isFinal = false;
};

class RecordingTranscriber {
public:
    using RecognizerFactory = std::function<std::unique_ptr<SpeechRecognizer>()>;
    static constexpr int recognizerCount = 2;
    static constexpr int segmentsAhead = 2;

    /// Makes the recognizers; the factory's CaptureError passes through.
    explicit RecordingTranscriber(const RecognizerFactory &makeRecognizer);
    ~RecordingTranscriber();

    std::function<void(const TimedText &text)> onText;
    /// Samples whose text has all been reported (the decoder may run further ahead).
    std::function<void(qint64 samples)> onTranscribed;
    std::function<void(const QString &message)> onError;

    bool isAvailable() const;
    void append(const QByteArray &samples);
    /// No more audio: the rest becomes the last segment.
    void finish();
    /// Everything appended before finish() has been reported.
    bool isDone() const { return m_finished && m_segments.empty(); }

    static Duration positionOf(std::int64_t sample);

private:
    struct Segment {
        AudioSegment audio;
        std::vector<RecognizedText> results;
        bool done = false;
        std::unique_ptr<RecognitionTask> task;
    };

    void enqueue(QList<AudioSegment> segments);
    void submit();
    void handle(std::uint64_t number, std::optional<RecognizedText> result,
                std::optional<QString> error);
    void release();

    std::vector<std::unique_ptr<SpeechRecognizer>> m_recognizers;
    PauseCutter m_cutter;
    std::deque<Segment> m_segments;  ///< not yet reported, in order
    std::uint64_t m_firstNumber = 0; ///< number of m_segments.front()
    std::uint64_t m_submitted = 0;   ///< segments handed to a recognizer so far
    bool m_finished = false;
    bool m_failed = false;
    std::shared_ptr<RecordingTranscriber *> m_alive;
};

} // namespace brindle
