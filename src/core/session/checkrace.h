/**
 * @file
 * The race between a claim check and its time budget. Whichever settles first wins; later
 * outcomes are ignored. Shared (std::shared_ptr) between the awaiting pipeline task, the detached
 * task that awaits the check, and the scheduler calls, so none of them outlives it. Main thread
 * only.
 */
#pragma once

#include "researchresult.h"
#include "scheduler.h"

#include <QCoroTask>

#include <coroutine>
#include <exception>
#include <memory>
#include <optional>

namespace brindle {

class CheckRace : public std::enable_shared_from_this<CheckRace> {
public:
    using Outcome = std::optional<ResearchResult>;

    bool isSettled() const { return m_settled; }

    /// Settles with the check's outcome.
    void succeed(Outcome outcome);
    /// Settles with a failure.
    void fail(std::exception_ptr failure);
    /// Settles with a failure at the scheduler's next turn (never inside the caller's frame).
    void failSoon(Scheduler &scheduler, std::exception_ptr failure);

    /// Awaits `work` on a detached task and settles with what it yields.
    static void settleWith(std::shared_ptr<CheckRace> race, QCoro::Task<Outcome> work);

    /// `co_await race->settled()`: the winning outcome, or rethrows the winning failure.
    auto settled() {
        struct Awaiter {
            std::shared_ptr<CheckRace> race;
            bool await_ready() const noexcept { return race->m_settled; }
            void await_suspend(std::coroutine_handle<> handle) { race->m_waiter = handle; }
            Outcome await_resume() {
                if (race->m_failure)
                    std::rethrow_exception(race->m_failure);
                return std::move(race->m_outcome);
            }
        };
        return Awaiter{shared_from_this()};
    }

    /// Holds the budget timer so it dies with the race.
    TimerHandle budget;

private:
    void settle();

    bool m_settled = false;
    Outcome m_outcome;
    std::exception_ptr m_failure;
    std::coroutine_handle<> m_waiter;
    TimerHandle m_soon;
};

} // namespace brindle
