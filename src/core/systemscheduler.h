/**
 * @file
 * The production Scheduler: the system's wall clock, a steady monotonic clock and QTimers on the
 * thread that owns the scheduler (the main thread).
 */
#pragma once

#include "scheduler.h"

#include <QObject>

#include <unordered_map>

class QTimer;

namespace brindle {

class SystemScheduler final : public QObject, public Scheduler {
public:
    explicit SystemScheduler(QObject *parent = nullptr);
    ~SystemScheduler() override;

    QDateTime now() const override;
    Duration monotonic() const override;

protected:
    std::uint64_t schedule(Duration delay, std::function<void()> call) override;
    void unschedule(std::uint64_t id) override;

private:
    std::uint64_t m_nextId = 1;
    std::unordered_map<std::uint64_t, QTimer *> m_timers;
};

} // namespace brindle
