#include "streammixer.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace brindle {

namespace {

qsizetype samplesIn(const QByteArray &bytes) {
    return bytes.size() / qsizetype(sizeof(std::int16_t));
}

} // namespace

void StreamMixer::add(std::uint64_t stream) {
    m_queues.insert(stream, QByteArray());
}

QByteArray StreamMixer::remove(std::uint64_t stream) {
    const auto it = m_queues.constFind(stream);
    if (it == m_queues.cend())
        return {};
    const qsizetype held = samplesIn(*it);
    QByteArray out = take(held);
    m_queues.remove(stream);
    return out;
}

QByteArray StreamMixer::push(std::uint64_t stream, const QByteArray &samples) {
    const auto it = m_queues.find(stream);
    if (it == m_queues.end())
        return {};
    it->append(samples);
    qsizetype least = std::numeric_limits<qsizetype>::max(), most = 0;
    for (const auto &queue : std::as_const(m_queues)) {
        least = std::min(least, samplesIn(queue));
        most = std::max(most, samplesIn(queue));
    }
    return take(most >= maxLagSamples ? most : least);
}

QByteArray StreamMixer::take(qsizetype count) {
    if (count <= 0)
        return {};
    std::vector<std::int32_t> sum(std::size_t(count), 0);
    for (auto &queue : m_queues) {
        const qsizetype n = std::min(count, samplesIn(queue));
        if (n == 0)
            continue;
        const auto *samples = reinterpret_cast<const std::int16_t *>(queue.constData());
        for (qsizetype i = 0; i < n; ++i)
            sum[std::size_t(i)] += samples[i];
        queue.remove(0, n * qsizetype(sizeof(std::int16_t)));
    }
    QByteArray out(count * qsizetype(sizeof(std::int16_t)), Qt::Uninitialized);
    for (qsizetype i = 0; i < count; ++i) {
        reinterpret_cast<std::int16_t *>(out.data())[i] = std::int16_t(
            std::clamp<std::int32_t>(sum[std::size_t(i)], std::numeric_limits<std::int16_t>::min(),
                                     std::numeric_limits<std::int16_t>::max()));
    }
    return out;
}

} // namespace brindle
