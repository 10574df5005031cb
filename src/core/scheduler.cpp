#include "scheduler.h"

namespace brindle {

double secondsBetween(const QDateTime &from, const QDateTime &to) {
    return static_cast<double>(from.msecsTo(to)) / 1000.0;
}

TimerHandle &TimerHandle::operator=(TimerHandle &&other) noexcept {
    if (this != &other) {
        cancel();
        m_scheduler = std::exchange(other.m_scheduler, nullptr);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

void TimerHandle::cancel() {
    if (auto *scheduler = std::exchange(m_scheduler, nullptr))
        scheduler->unschedule(m_id);
}

TimerHandle Scheduler::callAfter(Duration delay, std::function<void()> call) {
    return {this, schedule(delay, std::move(call))};
}

SleepAwaiter::SleepAwaiter(Scheduler &scheduler, Duration delay, CancelToken token)
    : m_scheduler(&scheduler)
    , m_delay(delay)
    , m_token(std::move(token)) {}

void SleepAwaiter::await_suspend(std::coroutine_handle<> handle) {
    m_handle = handle;
    m_timer = m_scheduler->callAfter(m_delay, [this] {
        m_elapsed = true;
        m_stopCallback.reset();
        m_handle.resume();
    });
    // May run at once if the token was stopped in the meantime; it only posts the wake-up.
    m_stopCallback.emplace(m_token, OnStop{this});
}

void SleepAwaiter::OnStop::operator()() const noexcept {
    self->m_timer.cancel();
    self->m_wakeOnStop =
        self->m_scheduler->callAfter(Duration::zero(), [s = self] { s->m_handle.resume(); });
}

bool SleepAwaiter::await_resume() noexcept {
    return m_elapsed;
}

} // namespace brindle
