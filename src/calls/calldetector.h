/**
 * @file
 * Notices when a Slack call begins and ends by asking, every 2 seconds, which processes record
 * from a real input. It never listens to audio. The probe answers asynchronously, and a poll that
 * comes while the previous answer is still out is skipped, so a slow server never piles queries
 * up. Owned and driven by CallPromptPresenter, which starts and stops its timer; the scheduler
 * must outlive a running timer. Main thread only.
 */
#pragma once

#include "scheduler.h"

#include <QCoroTask>
#include <QStringList>

#include <functional>
#include <memory>

namespace brindle {

class CallDetector {
public:
    /// The identifiers of processes recording from an input; empty on any failure.
    using Probe = std::function<QCoro::Task<QStringList>()>;
    /// A probe that answers at once.
    using ImmediateProbe = std::function<QStringList()>;

    static constexpr int endAfterQuietPolls = 3;
    static constexpr double pollIntervalSeconds = 2.0;

    explicit CallDetector(Probe probe);
    explicit CallDetector(ImmediateProbe probe);
    ~CallDetector();
    CallDetector(const CallDetector &) = delete;
    CallDetector &operator=(const CallDetector &) = delete;

    std::function<void()> onCallStarted;
    std::function<void()> onCallEnded;

    bool inCall() const { return m_inCall; }
    int quietPolls() const { return m_quietPolls; }

    /// One detection pass; does nothing while the previous pass awaits its answer.
    void poll();
    bool isAwaitingAnswer() const { return m_asking; }

    /// Polls every 2 seconds until stopTimer(); the first poll comes after one interval.
    void startTimer(Scheduler &scheduler);
    /// Stops polling; the call state stays as it is, so a call still going on when polling
    /// resumes is not reported a second time.
    void stopTimer();
    bool hasTimer() const { return m_timer.isActive(); }

private:
    void arm();
    QCoro::Task<> ask();
    void handle(const QStringList &ids);

    Probe m_probe;
    bool m_asking = false;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    bool m_inCall = false;
    int m_quietPolls = 0;
    Scheduler *m_scheduler = nullptr;
    TimerHandle m_timer;
};

} // namespace brindle
