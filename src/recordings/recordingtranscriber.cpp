#include "recordingtranscriber.h"

#include "audiobuffer.h"

#include <algorithm>

namespace brindle {

namespace {

qsizetype wordCount(const QString &text) {
    return text.split(u' ', Qt::SkipEmptyParts).size();
}

} // namespace

RecordingTranscriber::RecordingTranscriber(const RecognizerFactory &makeRecognizer)
    : m_alive(std::make_shared<RecordingTranscriber *>(this)) {
    for (int i = 0; i < recognizerCount; ++i)
        m_recognizers.push_back(makeRecognizer());
}

RecordingTranscriber::~RecordingTranscriber() {
    *m_alive = nullptr;
    for (auto &segment : m_segments) {
        if (segment.task)
            segment.task->cancel();
    }
}

bool RecordingTranscriber::isAvailable() const {
    return std::all_of(m_recognizers.begin(), m_recognizers.end(),
                       [](const auto &r) { return r && r->isAvailable(); });
}

Duration RecordingTranscriber::positionOf(std::int64_t sample) {
    return std::chrono::duration_cast<Duration>(
        std::chrono::microseconds(sample * 1'000'000 / captureSampleRate));
}

void RecordingTranscriber::append(const QByteArray &samples) {
    enqueue(m_cutter.append(samples));
}

void RecordingTranscriber::finish() {
    m_finished = true;
    enqueue(m_cutter.finish());
    release();
}

void RecordingTranscriber::enqueue(QList<AudioSegment> segments) {
    // A quiet segment has nothing to say: it is reported as soon as its turn comes.
    for (auto &audio : segments) {
        const bool quiet = audio.quiet;
        m_segments.push_back({std::move(audio), {}, quiet, nullptr});
    }
    submit();
    release();
}

// Segment n goes to recognizer n % 2, in order, while that recognizer has room.
void RecordingTranscriber::submit() {
    while (!m_failed && m_submitted < m_firstNumber + m_segments.size()) {
        const std::uint64_t number = m_submitted;
        if (number >= m_firstNumber + recognizerCount * segmentsAhead)
            return;
        Segment &segment = m_segments[number - m_firstNumber];
        ++m_submitted;
        if (segment.done)
            continue;
        auto &recognizer = *m_recognizers[number % recognizerCount];
        std::weak_ptr<RecordingTranscriber *> alive = m_alive;
        segment.task = recognizer.recognize(
            [alive, number](std::optional<RecognizedText> result, std::optional<QString> error) {
                if (const auto owner = alive.lock(); owner && *owner)
                    (*owner)->handle(number, std::move(result), std::move(error));
            });
        // The recognizer's own end of speech may close a segment early; feeding it in 100 ms
        // steps keeps its partial texts as frequent as in a live session.
        const QByteArray &audio = segment.audio.samples;
        for (qsizetype at = 0; at < audio.size(); at += captureFragmentSamples * 2)
            segment.task->append(AudioBuffer{audio.mid(at, captureFragmentSamples * 2)});
        segment.task->endAudio();
    }
}

void RecordingTranscriber::handle(std::uint64_t number, std::optional<RecognizedText> result,
                                  std::optional<QString> error) {
    if (m_failed || number < m_firstNumber || number >= m_firstNumber + m_segments.size())
        return;
    Segment &segment = m_segments[number - m_firstNumber];
    if (segment.done)
        return;
    if (result) {
        segment.results.push_back(*result);
        segment.done = result->isFinal;
    } else if (error) {
        m_failed = true;
        if (onError)
            onError(QStringLiteral("Speech recognition stopped: ") + *error);
        return;
    }
    if (segment.done)
        release();
}

void RecordingTranscriber::release() {
    const auto alive = m_alive; // onText may destroy this transcriber
    while (!m_segments.empty() && m_segments.front().done && !m_failed) {
        Segment segment = std::move(m_segments.front());
        m_segments.pop_front();
        ++m_firstNumber;
        const Duration start = positionOf(segment.audio.start);
        const Duration length = positionOf(segment.audio.sampleCount());
        const double finalWords = double(std::max<qsizetype>(
            1, wordCount(segment.results.empty() ? QString() : segment.results.back().text)));
        Duration last = start;
        for (const auto &result : segment.results) {
            if (result.text.isEmpty())
                continue;
            const double share =
                result.isFinal ? 1.0 : std::min(1.0, double(wordCount(result.text)) / finalWords);
            last = std::max(last, start + std::chrono::duration_cast<Duration>(length * share));
            if (onText)
                onText({last, result.text, result.isFinal});
            if (!*alive)
                return;
        }
        if (segment.task)
            segment.task->cancel();
        if (onTranscribed)
            onTranscribed(segment.audio.sampleCount());
        submit();
    }
}

} // namespace brindle
