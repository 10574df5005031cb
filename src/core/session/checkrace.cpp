#include "checkrace.h"

namespace brindle {

namespace {

QCoro::Task<> awaitAndSettle(std::shared_ptr<CheckRace> race,
                             QCoro::Task<CheckRace::Outcome> work) {
    try {
        auto outcome = co_await std::move(work);
        race->succeed(std::move(outcome));
    } catch (...) {
        race->fail(std::current_exception());
    }
}

} // namespace

void CheckRace::succeed(Outcome outcome) {
    if (m_settled)
        return;
    m_outcome = std::move(outcome);
    settle();
}

void CheckRace::fail(std::exception_ptr failure) {
    if (m_settled)
        return;
    m_failure = std::move(failure);
    settle();
}

void CheckRace::failSoon(Scheduler &scheduler, std::exception_ptr failure) {
    m_soon = scheduler.callAfter(Duration::zero(), [weak = weak_from_this(), failure] {
        if (auto race = weak.lock())
            race->fail(failure);
    });
}

void CheckRace::settleWith(std::shared_ptr<CheckRace> race, QCoro::Task<Outcome> work) {
    awaitAndSettle(std::move(race), std::move(work));
}

void CheckRace::settle() {
    m_settled = true;
    budget.cancel();
    if (auto waiter = std::exchange(m_waiter, {}))
        waiter.resume();
}

} // namespace brindle
