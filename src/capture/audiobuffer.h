/**
 * @file
 * One buffer of captured audio as it travels from the sound server to the activity monitor and a
 * transcriber. The samples are implicitly shared, so holding a buffer (as a transcriber does while
 * it flushes a segment) keeps a reference, not a copy.
 */
#pragma once

#include <QByteArray>

#include <cstdint>

namespace brindle {

/// How the samples of a buffer are encoded. Capture always asks for signed 16-bit; the other kinds
/// exist so the monitor's rules hold for whatever a sound server delivers.
enum class SampleFormat { signed16, float32, otherLinear, notLinear };

/// The rate and layout capture asks the sound server for and the recognizer expects.
constexpr int captureSampleRate = 16000;
/// 100 ms at the capture rate: the smallest fragment we let the server hand us.
constexpr int captureFragmentSamples = captureSampleRate / 10;

struct AudioBuffer {
    QByteArray data;
    SampleFormat format = SampleFormat::signed16;
    int bitsPerSample = 16;
    bool dataReady = true;

    bool isValid() const { return !data.isNull() && bitsPerSample > 0; }
    std::int64_t sampleCount() const { return data.size() / ((bitsPerSample + 7) / 8); }
    double seconds() const { return double(sampleCount()) / captureSampleRate; }

    /// A 16-bit mono buffer over `samples` (copied).
    static AudioBuffer fromSigned16(const std::int16_t *samples, std::int64_t count) {
        return {QByteArray(reinterpret_cast<const char *>(samples),
                           qsizetype(count * sizeof(std::int16_t)))};
    }
};

} // namespace brindle
