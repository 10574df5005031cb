/**
 * @file
 * Sentences from the timing of recognized words. The recognizer returns lower-case words without
 * punctuation; a pause between two words of at least `pauseFrames` ends a sentence there. The text
 * of an utterance is rebuilt from the recognizer's word segmentation on every partial result;
 * sentences that a pause has completed keep the wording they first had, because the recognizer
 * may reword earlier words later and a sentence already handed on must not change. One value per
 * utterance; pure logic, no engine.
 */
#pragma once

#include <QString>

#include <vector>

namespace brindle {

/// One entry of the recognizer's word segmentation: a dictionary word or a filler ("<sil>"), and
/// the first and last 10 ms frame it covers.
struct SpokenWord {
    QString word;
    int firstFrame = 0;
    int lastFrame = 0;
};

class UtteranceSentences {
public:
    /// Measured on synthetic speech: pauses inside sentences stay at or under 0.24 s (commas
    /// included), pauses of 0.3 s between sentences show as at least 0.29 s of silence.
    static constexpr int pauseFrames = 25;

    /// The running text: a terminator after every pause that a later word follows, each sentence
    /// starting with a capital letter; the text after the last pause has no terminator yet.
    QString partialText(const std::vector<SpokenWord> &segmentation);
    /// The partial text, ending with a full stop.
    QString finalText(const std::vector<SpokenWord> &segmentation);

    /// Whether the segmentation holds a word and ends in silence after it, at least half a pause
    /// long: the last word is finished. (The recognizer lags the audio; how long the pause is, the
    /// audio itself says, see SpeechLevel.)
    static bool endsInPause(const std::vector<SpokenWord> &segmentation);

    /// `text` ending with a full stop unless it already ends a sentence; empty stays empty.
    static QString withFullStop(const QString &text);

private:
    QString m_completed;       ///< sentences a pause completed, each with its terminator
    int m_completedUntil = -1; ///< the last frame of their last word
};

} // namespace brindle
