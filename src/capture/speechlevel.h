/**
 * @file
 * How loud the audio of an utterance has been, in 10 ms frames: whether its most recent stretch is
 * quiet next to the loudest speech so far. The recognizer's partial results hold finished words
 * only, so a long word still being spoken looks like silence after the previous one; the audio
 * itself tells a real pause from that. One value per utterance; pure logic.
 */
#pragma once

#include "utterancesentences.h"

#include <cstddef>
#include <cstdint>
#include <deque>

namespace brindle {

class SpeechLevel {
public:
    static constexpr std::size_t frameSamples = 160;
    /// The stretch that must be quiet: a sentence pause.
    static constexpr std::size_t quietFrames = UtteranceSentences::pauseFrames;
    /// Quiet: at most a hundredth of the loudest frame's power (-20 dB).
    static constexpr double quietRatio = 0.01;

    void add(const std::int16_t *samples, std::size_t count);
    /// Whether the last `quietFrames` frames are all quiet (false until that much was heard).
    bool endsQuietly() const;

private:
    double m_loudest = 0;
    std::deque<double> m_recent; ///< power of the last frames, oldest first
    double m_sum = 0;            ///< of the frame being filled
    std::size_t m_filled = 0;
};

} // namespace brindle
