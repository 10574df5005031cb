/**
 * @file
 * Plays a recording through the real recognizer and transcriber in the audio's own time: 100 ms
 * buffers as capture delivers them; after each, the recognizer finishes with it and its results
 * are delivered, then the virtual clock moves by the buffer's length. What comes out does not
 * depend on how fast the machine decodes.
 */
#pragma once

#include "pocketsphinxrecognizer.h"
#include "speechtranscriber.h"
#include "virtualscheduler.h"
#include "wavfile.h"

#include <functional>
#include <memory>
#include <optional>

namespace brindle::tool {

/// The installed recognizer with its model loaded, or nothing after printing why not.
std::unique_ptr<PocketSphinxRecognizer> loadRecognizer();

class AudioTimePlayer {
public:
    /// `recognizer` is the one `transcriber` owns.
    AudioTimePlayer(test::VirtualScheduler &scheduler, PocketSphinxRecognizer &recognizer,
                    SpeechTranscriber &transcriber);

    /// Feeds the audio, then lets time run on (at most one recognition segment) until `done`.
    /// Returns the transcriber's failure, if any.
    std::optional<QString> play(const WavAudio &audio, const std::function<bool()> &done);

    /// Seconds of audio handed over so far, or the clock when it ran on past the end.
    double position() const;

private:
    void settle();

    test::VirtualScheduler &m_scheduler;
    PocketSphinxRecognizer &m_recognizer;
    SpeechTranscriber &m_transcriber;
    std::optional<QString> m_failure;
    double m_fed = 0;
};

} // namespace brindle::tool
