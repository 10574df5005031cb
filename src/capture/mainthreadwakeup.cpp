#include "mainthreadwakeup.h"

#include <QCoreApplication>
#include <QTimer>

namespace brindle {

void MainThreadWakeup::post() {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [self = shared_from_this()] { self->resume(true); },
        Qt::QueuedConnection);
}

MainThreadWakeup::Awaiter MainThreadWakeup::wait(std::chrono::milliseconds limit) {
    return Awaiter(shared_from_this(), limit);
}

bool MainThreadWakeup::Awaiter::await_ready() const noexcept {
    if (!m_wakeup->m_pending)
        return false;
    m_wakeup->m_pending = false;
    m_wakeup->m_posted = true;
    return true;
}

void MainThreadWakeup::Awaiter::await_suspend(std::coroutine_handle<> waiter) {
    m_wakeup->m_waiter = waiter;
    const auto round = ++m_wakeup->m_round;
    const std::weak_ptr<MainThreadWakeup> weak = m_wakeup;
    QTimer::singleShot(m_limit, QCoreApplication::instance(), [weak, round] {
        if (const auto wakeup = weak.lock(); wakeup && wakeup->m_round == round)
            wakeup->resume(false);
    });
}

void MainThreadWakeup::resume(bool posted) {
    if (!m_waiter) {
        m_pending = m_pending || posted;
        return;
    }
    ++m_round; // retires the pending time-out
    m_posted = posted;
    // The caller holds a reference to this object for as long as the waiter runs.
    std::exchange(m_waiter, {}).resume();
}

} // namespace brindle
