/**
 * @file
 * The time of a recording being checked: its clock reads the recording's start plus the position
 * the transcription has reached, so the claim intake's pauses and the pipeline's budgets count
 * recording seconds, however fast the file is decoded. The recording session moves it forward;
 * calls that are already due (zero delays, posted resumptions) run at the next turn of the event
 * loop without moving time. Main thread only.
 */
#pragma once

#include "scheduler.h"

#include <QObject>

#include <functional>
#include <map>
#include <unordered_map>

namespace brindle {

class RecordingClock final : public Scheduler {
public:
    explicit RecordingClock(QDateTime origin);
    ~RecordingClock() override;

    QDateTime now() const override;
    Duration monotonic() const override { return m_position; }
    const QDateTime &origin() const { return m_origin; }

    /// Moves towards `target`, running each call that falls due on the way at its due time. Stops
    /// at the due time of the call after which `hold()` is true; returns whether `target` was
    /// reached.
    bool advanceTo(Duration target, const std::function<bool()> &hold);
    bool hasPendingCalls() const { return !m_queue.empty(); }

protected:
    std::uint64_t schedule(Duration delay, std::function<void()> call) override;
    void unschedule(std::uint64_t id) override;

private:
    void runDue();

    using Key = std::pair<Duration, std::uint64_t>; // due time, then scheduling order
    QDateTime m_origin;
    Duration m_position{0};
    std::uint64_t m_nextId = 1;
    std::map<Key, std::function<void()>> m_queue;
    std::unordered_map<std::uint64_t, Key> m_keys;
    QObject m_poster; // posted runs of due calls die with the clock
    bool m_runPosted = false;
};

} // namespace brindle
