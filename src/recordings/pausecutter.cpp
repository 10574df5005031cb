#include "pausecutter.h"

#include <algorithm>
#include <cmath>

namespace brindle {

namespace {

constexpr int framesPerSecond = 16000 / PauseCutter::frameSamples;
constexpr int pauseFrames = int(PauseCutter::pauseSeconds * framesPerSecond);
constexpr int shortestFrames = int(PauseCutter::shortestSeconds * framesPerSecond);
constexpr int longestFrames = int(PauseCutter::longestSeconds * framesPerSecond);
constexpr int searchFrames = int(PauseCutter::searchSeconds * framesPerSecond);
constexpr int leadFrames = int(PauseCutter::leadSeconds * framesPerSecond);
/// Below this level a frame is quiet whatever the recording (about -50 dBFS).
constexpr float silentLevel = 100;
/// A frame is quiet below this share of the recent speech level.
constexpr float quietShare = 0.08f;
/// Per frame, the remembered speech level decays to half in about 14 seconds.
constexpr float forgetting = 0.9995f;

float levelOf(const std::int16_t *frame, int count) {
    double sum = 0;
    for (int i = 0; i < count; ++i)
        sum += double(frame[i]) * frame[i];
    return float(std::sqrt(sum / std::max(count, 1)));
}

} // namespace

QList<AudioSegment> PauseCutter::append(const QByteArray &samples) {
    QList<AudioSegment> out;
    QByteArray data = m_partialFrame + samples;
    const auto *values = reinterpret_cast<const std::int16_t *>(data.constData());
    const qsizetype count = data.size() / 2;
    qsizetype at = 0;
    for (; at + frameSamples <= count; at += frameSamples)
        addFrame(values + at, frameSamples, out);
    m_partialFrame = data.mid(at * 2);
    return out;
}

QList<AudioSegment> PauseCutter::finish() {
    QList<AudioSegment> out;
    m_pending += std::exchange(m_partialFrame, {});
    if (!m_pending.isEmpty())
        out.append({m_start, std::exchange(m_pending, {}), !m_heard});
    m_levels.clear();
    m_quietRun = 0;
    m_heard = false;
    return out;
}

void PauseCutter::addFrame(const std::int16_t *frame, int count, QList<AudioSegment> &out) {
    const float level = levelOf(frame, count);
    m_loud = std::max(level, m_loud * forgetting);
    m_pending.append(reinterpret_cast<const char *>(frame), count * 2);
    m_levels.push_back(level);
    const bool quiet = level < std::max(silentLevel, m_loud * quietShare);
    const auto frames = std::int64_t(m_levels.size());
    if (!quiet && !m_heard && m_quietRun >= pauseFrames) {
        // Speech after a long quiet stretch: the stretch is a segment of its own.
        cutAt(frames - 1 - leadFrames, true, out);
    }
    m_quietRun = quiet ? m_quietRun + 1 : 0;
    m_heard = m_heard || !quiet;

    const auto open = std::int64_t(m_levels.size());
    if (m_heard && m_quietRun >= pauseFrames && open - m_quietRun >= shortestFrames) {
        cutAt(open - m_quietRun / 2, false, out);
    } else if (open >= longestFrames) {
        const auto from = m_levels.end() - searchFrames;
        cutAt(std::min_element(from, m_levels.end()) - m_levels.begin() + 1, !m_heard, out);
    }
}

// Ends the open segment after `frames` of its frames; the rest opens the next one.
void PauseCutter::cutAt(std::int64_t frames, bool quiet, QList<AudioSegment> &out) {
    const qsizetype bytes = qsizetype(frames) * frameSamples * 2;
    out.append({m_start, m_pending.left(bytes), quiet});
    m_pending = m_pending.mid(bytes);
    m_start += frames * frameSamples;
    m_levels.erase(m_levels.begin(), m_levels.begin() + frames);
    m_quietRun = std::min<int>(m_quietRun, int(m_levels.size()));
    m_heard = std::any_of(m_levels.begin(), m_levels.end(), [&](float level) {
        return level >= std::max(silentLevel, m_loud * quietShare);
    });
}

} // namespace brindle
