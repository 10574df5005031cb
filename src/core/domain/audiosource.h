/**
 * @file
 * One entry of the audio source list: all system audio, or one application by process id.
 * Equality and hashing cover all three fields; the identity for lists and selection is `id`.
 */
#pragma once

#include <QHashFunctions>
#include <QString>

#include <cstdint>
#include <optional>

namespace brindle {

/// Which audio to capture: one application's (by process id), or everything the system plays.
class AudioSourceID {
public:
    static AudioSourceID allSystemAudio() { return AudioSourceID(); }
    static AudioSourceID application(std::int32_t processID) { return AudioSourceID(processID); }

    bool isAllSystemAudio() const { return !m_processID.has_value(); }
    /// The process id of an application source; nothing for all system audio.
    std::optional<std::int32_t> processID() const { return m_processID; }

    friend bool operator==(const AudioSourceID &, const AudioSourceID &) = default;

private:
    AudioSourceID() = default;
    explicit AudioSourceID(std::int32_t processID)
        : m_processID(processID) {}
    std::optional<std::int32_t> m_processID;
};

struct AudioSource {
    AudioSourceID id = AudioSourceID::allSystemAudio();
    QString name;     ///< "All system audio" or the application's name
    QString bundleID; ///< the application's identifier; empty for all system audio

    friend bool operator==(const AudioSource &, const AudioSource &) = default;
};

/// The fixed first entry of every source list.
AudioSource allSystemAudioSource();

inline size_t qHash(const AudioSourceID &id, size_t seed = 0) {
    return qHashMulti(seed, id.isAllSystemAudio(), id.processID().value_or(0));
}

inline size_t qHash(const AudioSource &source, size_t seed = 0) {
    return qHashMulti(seed, source.id, source.name, source.bundleID);
}

} // namespace brindle
