/**
 * @file
 * A Scheduler whose time moves only when the test says so. advance() runs every call that falls
 * due, in due order (ties in the order they were scheduled), moving the clocks to each call's due
 * time before running it; calls scheduled while advancing run too when they fall due in the window.
 * Zero-delay calls (posted resumptions) run on the next advance(), including advance(0).
 */
#pragma once

#include "scheduler.h"

#include <map>
#include <unordered_map>

namespace brindle::test {

class VirtualScheduler final : public Scheduler {
public:
    /// Wall-clock time starts at `start` (2026-01-01T00:00:00Z by default), monotonic time at 0.
    explicit VirtualScheduler(QDateTime start = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC));

    QDateTime now() const override;
    Duration monotonic() const override { return m_monotonic; }

    /// Moves time forward by `by`, running everything that falls due.
    void advance(Duration by);
    /// Runs what is due now without moving time.
    void runPending() { advance(Duration::zero()); }
    /// Number of calls still waiting.
    std::size_t pendingCount() const { return m_queue.size(); }

protected:
    std::uint64_t schedule(Duration delay, std::function<void()> call) override;
    void unschedule(std::uint64_t id) override;

private:
    using Key = std::pair<Duration, std::uint64_t>; // due time, then scheduling order
    QDateTime m_start;
    Duration m_monotonic{0};
    std::uint64_t m_nextId = 1;
    std::map<Key, std::function<void()>> m_queue;
    std::unordered_map<std::uint64_t, Key> m_keys;
};

} // namespace brindle::test
