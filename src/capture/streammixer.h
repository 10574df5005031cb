/**
 * @file
 * Mixes the 16-bit mono audio of several record streams into one channel. Each stream's samples
 * queue up; mixed audio goes out as soon as every stream has some, or once one stream is ahead
 * by `maxLagSamples` (a stream that plays nothing must not hold the others back), the missing
 * part counting as silence. Sums saturate. Plain value type; no threads.
 */
#pragma once

#include "audiobuffer.h"

#include <QByteArray>
#include <QHash>

#include <cstdint>

namespace brindle {

class StreamMixer {
public:
    /// 300 ms: how far one stream may run ahead of a quiet one before it goes out alone.
    static constexpr qsizetype maxLagSamples = captureSampleRate * 3 / 10;

    void add(std::uint64_t stream);
    /// Drops the stream; what it still held goes out, mixed with what the others hold.
    QByteArray remove(std::uint64_t stream);
    /// Queues samples of `stream` (ignored for a stream not added); returns what is ready.
    QByteArray push(std::uint64_t stream, const QByteArray &samples);
    bool isEmpty() const { return m_queues.isEmpty(); }

private:
    QByteArray take(qsizetype samples);

    QHash<std::uint64_t, QByteArray> m_queues;
};

} // namespace brindle
