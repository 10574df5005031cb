/**
 * @file
 * The one source of time. Every clock read, timer and sleep in Brindle goes through a Scheduler so
 * tests can swap in a virtual one whose time moves only when the test advances it.
 *
 * All members are called on the main thread and all callbacks and resumptions are delivered there.
 * A TimerHandle owns its pending call: destroying or cancelling it guarantees the call never runs.
 * The scheduler must outlive every handle and every sleep made from it.
 */
#pragma once

#include "cancellation.h"

#include <QDateTime>

#include <chrono>
#include <coroutine>
#include <cstdint>
#include <functional>
#include <optional>

namespace brindle {

using Duration = std::chrono::nanoseconds;

/// Converts seconds given as a double (how durations are specified) to a Duration.
constexpr Duration seconds(double s) {
    return std::chrono::duration_cast<Duration>(std::chrono::duration<double>(s));
}

/// Seconds from `from` to `to`, as a double (negative when `to` is earlier).
double secondsBetween(const QDateTime &from, const QDateTime &to);

class Scheduler;

/// A pending call made with Scheduler::callAfter. Move-only; cancels the call when destroyed.
class TimerHandle {
public:
    TimerHandle() = default;
    TimerHandle(Scheduler *scheduler, std::uint64_t id)
        : m_scheduler(scheduler)
        , m_id(id) {}
    TimerHandle(TimerHandle &&other) noexcept { *this = std::move(other); }
    TimerHandle &operator=(TimerHandle &&other) noexcept;
    TimerHandle(const TimerHandle &) = delete;
    TimerHandle &operator=(const TimerHandle &) = delete;
    ~TimerHandle() { cancel(); }

    /// Cancels the call if it has not run yet. Safe to call repeatedly, and from inside the call.
    void cancel();
    bool isActive() const { return m_scheduler != nullptr; }

private:
    Scheduler *m_scheduler = nullptr;
    std::uint64_t m_id = 0;
};

/// Awaitable returned by Scheduler::sleep. Resumes with true after the delay, or with false as
/// soon as the token is stopped (the resumption is posted, never run inside request_stop()).
class SleepAwaiter {
public:
    SleepAwaiter(Scheduler &scheduler, Duration delay, CancelToken token);
    /// Moving is only meaningful before the awaiter is suspended (the coroutine machinery may
    /// move it into place); nothing pending is carried over.
    SleepAwaiter(SleepAwaiter &&other) noexcept
        : SleepAwaiter(*other.m_scheduler, other.m_delay, std::move(other.m_token)) {}
    SleepAwaiter &operator=(SleepAwaiter &&) = delete;

    bool await_ready() const noexcept { return m_token.stop_requested(); }
    void await_suspend(std::coroutine_handle<> handle);
    bool await_resume() noexcept;

private:
    struct OnStop {
        SleepAwaiter *self;
        void operator()() const noexcept;
    };

    Scheduler *m_scheduler;
    Duration m_delay;
    CancelToken m_token;
    std::coroutine_handle<> m_handle;
    TimerHandle m_timer;
    TimerHandle m_wakeOnStop;
    bool m_elapsed = false;
    std::optional<std::stop_callback<OnStop>> m_stopCallback;
};

class Scheduler {
public:
    virtual ~Scheduler() = default;

    /// Wall-clock time, for timestamps such as heardAt and createdAt.
    virtual QDateTime now() const = 0;
    /// Monotonic time since an arbitrary origin, for measuring durations.
    virtual Duration monotonic() const = 0;

    /// Runs `call` on the main thread after `delay` of monotonic time unless the handle is
    /// cancelled or destroyed first. A delay of zero or less runs it at the next opportunity.
    [[nodiscard]] TimerHandle callAfter(Duration delay, std::function<void()> call);

    /// `co_await scheduler.sleep(d, token)`: true when the delay elapsed, false when cancelled.
    SleepAwaiter sleep(Duration delay, CancelToken token = {}) {
        return {*this, delay, std::move(token)};
    }

protected:
    virtual std::uint64_t schedule(Duration delay, std::function<void()> call) = 0;
    virtual void unschedule(std::uint64_t id) = 0;

private:
    friend class TimerHandle;
};

} // namespace brindle
