#include "systemscheduler.h"

#include <QTimer>

namespace brindle {

SystemScheduler::SystemScheduler(QObject *parent)
    : QObject(parent) {}

SystemScheduler::~SystemScheduler() {
    for (auto &[id, timer] : m_timers)
        delete timer;
}

QDateTime SystemScheduler::now() const {
    return QDateTime::currentDateTimeUtc();
}

Duration SystemScheduler::monotonic() const {
    return std::chrono::steady_clock::now().time_since_epoch();
}

std::uint64_t SystemScheduler::schedule(Duration delay, std::function<void()> call) {
    const auto id = m_nextId++;
    auto *timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(std::max(delay, Duration::zero()));
    timer->setInterval(ms);
    connect(timer, &QTimer::timeout, this, [this, id, call = std::move(call)]() mutable {
        auto it = m_timers.find(id);
        if (it == m_timers.end())
            return;
        it->second->deleteLater();
        m_timers.erase(it);
        // Moved out first: the call may cancel its own handle or schedule new timers.
        auto run = std::move(call);
        run();
    });
    m_timers.emplace(id, timer);
    timer->start();
    return id;
}

void SystemScheduler::unschedule(std::uint64_t id) {
    auto it = m_timers.find(id);
    if (it == m_timers.end())
        return;
    it->second->stop();
    it->second->deleteLater();
    m_timers.erase(it);
}

} // namespace brindle
