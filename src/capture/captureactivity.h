/**
 * @file
 * Tells the user in one status line whether a running capture is healthy: whether buffers arrive,
 * whether they carry sound, and whether speech is being transcribed. One monitor per capture,
 * main thread only; the capture drops it at tear-down, which cancels its periodic re-evaluation.
 */
#pragma once

#include "audiobuffer.h"
#include "scheduler.h"

#include <QString>

#include <functional>
#include <optional>

namespace brindle {

class CaptureActivity {
public:
    static constexpr Duration period = std::chrono::seconds(5);
    static constexpr Duration recency = std::chrono::seconds(10);

    CaptureActivity(Scheduler &scheduler, QString sourceName,
                    std::function<void(const QString &)> onStatus);
    CaptureActivity(const CaptureActivity &) = delete;
    CaptureActivity &operator=(const CaptureActivity &) = delete;

    /// Reports the waiting line and begins the periodic re-evaluation.
    void start();
    /// Every buffer of either channel, before it goes to its transcriber.
    void observe(const AudioBuffer &buffer);
    /// Either transcriber produced text.
    void noteSpeech();

    const QString &sourceName() const { return m_sourceName; }
    const QString &lastMessage() const { return m_lastMessage; }

    /// Whether any inspected sample (every 8th) reaches the level that counts as sound.
    static bool isAudible(const AudioBuffer &buffer);

private:
    void publish(const QString &line);
    void reevaluate();
    void scheduleNext();

    Scheduler &m_scheduler;
    QString m_sourceName;
    std::function<void(const QString &)> m_onStatus;
    std::optional<Duration> m_lastSample;
    std::optional<Duration> m_lastAudible;
    std::optional<Duration> m_lastSpeech;
    QString m_lastMessage;
    TimerHandle m_timer;
};

} // namespace brindle
