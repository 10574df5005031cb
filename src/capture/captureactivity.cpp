#include "captureactivity.h"

#include <cmath>
#include <cstring>

namespace brindle {

namespace {
constexpr float floatThreshold = 0.002f;
constexpr int signed16Threshold = 66;
constexpr std::int64_t inspectStride = 8;
} // namespace

CaptureActivity::CaptureActivity(Scheduler &scheduler, QString sourceName,
                                 std::function<void(const QString &)> onStatus)
    : m_scheduler(scheduler)
    , m_sourceName(std::move(sourceName))
    , m_onStatus(std::move(onStatus)) {}

void CaptureActivity::start() {
    publish(QStringLiteral("Waiting for audio from ") + m_sourceName + QChar(0x2026));
    scheduleNext();
}

void CaptureActivity::scheduleNext() {
    m_timer = m_scheduler.callAfter(period, [this] {
        reevaluate();
        scheduleNext();
    });
}

void CaptureActivity::noteSpeech() {
    m_lastSpeech = m_scheduler.monotonic();
    publish(QStringLiteral("Transcribing ") + m_sourceName);
}

void CaptureActivity::observe(const AudioBuffer &buffer) {
    if (!buffer.isValid() || !buffer.dataReady || buffer.sampleCount() < 1)
        return;
    const auto now = m_scheduler.monotonic();
    m_lastSample = now;
    if (!isAudible(buffer))
        return;
    const auto previous = m_lastAudible;
    m_lastAudible = now;
    // A steady flow of sound is left to the periodic re-evaluation; only a return after a pause
    // updates the line at once.
    if (!previous || now - *previous > recency)
        reevaluate();
}

void CaptureActivity::reevaluate() {
    const auto now = m_scheduler.monotonic();
    const auto recent = [&](const std::optional<Duration> &at) {
        return at && now - *at < recency;
    };
    if (recent(m_lastSpeech))
        publish(QStringLiteral("Transcribing ") + m_sourceName);
    else if (recent(m_lastAudible))
        publish(QStringLiteral("Audio arriving \u00b7 waiting for speech"));
    else if (recent(m_lastSample))
        publish(QStringLiteral("Source is quiet \u00b7 waiting for speech"));
    else
        publish(QStringLiteral("No recent audio \u00b7 check ") + m_sourceName +
                QStringLiteral(" playback and capture permissions"));
}

void CaptureActivity::publish(const QString &line) {
    if (line == m_lastMessage)
        return;
    m_lastMessage = line;
    if (m_onStatus)
        m_onStatus(line);
}

bool CaptureActivity::isAudible(const AudioBuffer &buffer) {
    if (!buffer.isValid())
        return false;
    const char *bytes = buffer.data.constData();
    if (buffer.format == SampleFormat::float32 && buffer.bitsPerSample == 32) {
        const std::int64_t count = buffer.data.size() / 4;
        for (std::int64_t i = 0; i < count; i += inspectStride) {
            float sample;
            std::memcpy(&sample, bytes + i * 4, sizeof sample);
            if (std::fabs(sample) > floatThreshold)
                return true;
        }
        return false;
    }
    if (buffer.format == SampleFormat::signed16 && buffer.bitsPerSample == 16) {
        const std::int64_t count = buffer.data.size() / 2;
        for (std::int64_t i = 0; i < count; i += inspectStride) {
            std::int16_t sample;
            std::memcpy(&sample, bytes + i * 2, sizeof sample);
            if (std::abs(int(sample)) >= signed16Threshold)
                return true;
        }
        return false;
    }
    return false;
}

} // namespace brindle
