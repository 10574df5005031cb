/**
 * @file
 * Cuts a stream of 16 kHz mono samples into segments at the speaker's pauses, so each segment can
 * be transcribed on its own: a cut falls in the middle of the first quiet stretch of at least
 * `pauseSeconds` once a segment is `shortestSeconds` long, or at the quietest moment of its last
 * `searchSeconds` when it reaches `longestSeconds` without one. A long quiet stretch becomes a
 * quiet segment of its own, ending `leadSeconds` before speech resumes, so a recognizer never
 * listens to a minute of room noise before the words. Quiet is measured against the
 * recording's own recent loudness, so a noisy room still has pauses. A plain value; any thread.
 */
#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <vector>

namespace brindle {

struct AudioSegment {
    std::int64_t start = 0; ///< first sample's index in the recording
    QByteArray samples;     ///< signed 16-bit, native order
    bool quiet = false;     ///< nothing louder than a pause: nothing to transcribe

    std::int64_t sampleCount() const { return samples.size() / 2; }
};

class PauseCutter {
public:
    static constexpr double pauseSeconds = 0.4;
    static constexpr double leadSeconds = 0.2;
    static constexpr double shortestSeconds = 1.0;
    static constexpr double longestSeconds = 30.0;
    static constexpr double searchSeconds = 10.0;
    static constexpr int frameSamples = 160; ///< 10 ms

    /// Adds samples; returns the segments they completed, in order.
    QList<AudioSegment> append(const QByteArray &samples);
    /// The rest, as a last segment (none when nothing is left).
    QList<AudioSegment> finish();

private:
    void addFrame(const std::int16_t *frame, int count, QList<AudioSegment> &out);
    void cutAt(std::int64_t frames, bool quiet, QList<AudioSegment> &out);

    QByteArray m_pending;        ///< samples of the open segment
    std::int64_t m_start = 0;    ///< its first sample in the recording
    std::vector<float> m_levels; ///< loudness of each of its whole frames
    QByteArray m_partialFrame;   ///< samples short of a whole frame
    int m_quietRun = 0;          ///< quiet frames in a row at its end
    bool m_heard = false;        ///< it has a frame louder than a pause
    float m_loud = 0;            ///< recent speech loudness, slowly forgotten
};

} // namespace brindle
