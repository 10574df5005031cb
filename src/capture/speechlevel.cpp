#include "speechlevel.h"

#include <algorithm>

namespace brindle {

void SpeechLevel::add(const std::int16_t *samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        m_sum += double(samples[i]) * double(samples[i]);
        if (++m_filled < frameSamples)
            continue;
        const double power = m_sum / double(frameSamples);
        m_loudest = std::max(m_loudest, power);
        m_recent.push_back(power);
        if (m_recent.size() > quietFrames)
            m_recent.pop_front();
        m_sum = 0;
        m_filled = 0;
    }
}

bool SpeechLevel::endsQuietly() const {
    if (m_recent.size() < quietFrames || m_loudest <= 0)
        return false;
    return std::all_of(m_recent.cbegin(), m_recent.cend(),
                       [this](double power) { return power <= m_loudest * quietRatio; });
}

} // namespace brindle
