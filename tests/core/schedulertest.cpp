#include "testregistry.h"
#include "virtualscheduler.h"

#include <QCoroTask>

using namespace brindle;
using namespace std::chrono_literals;

namespace {

QCoro::Task<> sleepAndRecord(Scheduler &scheduler, Duration delay, CancelToken token,
                             std::optional<bool> &outcome) {
    outcome = co_await scheduler.sleep(delay, std::move(token));
}

} // namespace

class SchedulerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cancelledAndDestroyedHandlesNeverRun() {
        test::VirtualScheduler scheduler;
        int runs = 0;
        auto kept = scheduler.callAfter(1s, [&] { ++runs; });
        {
            auto dropped = scheduler.callAfter(1s, [&] { runs += 100; });
        }
        auto cancelled = scheduler.callAfter(1s, [&] { runs += 1000; });
        cancelled.cancel();
        cancelled.cancel();
        // Moving a handle onto a live one cancels the old call.
        auto replaced = scheduler.callAfter(1s, [&] { runs += 10000; });
        replaced = scheduler.callAfter(1s, [&] { runs += 10; });
        scheduler.advance(1s);
        QCOMPARE(runs, 11);
        QCOMPARE(scheduler.pendingCount(), 0u);
    }

    void sleepElapsesOrEndsEarlyOnCancel() {
        test::VirtualScheduler scheduler;
        std::optional<bool> full;
        auto task = sleepAndRecord(scheduler, 3s, {}, full);
        scheduler.advance(2999ms);
        QVERIFY(!full.has_value());
        scheduler.advance(1ms);
        QCOMPARE(full, std::optional<bool>(true));

        CancelSource source;
        std::optional<bool> cut;
        auto cutTask = sleepAndRecord(scheduler, 30s, source.get_token(), cut);
        scheduler.advance(1s);
        source.request_stop();
        QVERIFY2(!cut.has_value(), "resumption is posted, never run inside request_stop()");
        scheduler.runPending();
        QCOMPARE(cut, std::optional<bool>(false));
        QCOMPARE(scheduler.pendingCount(), 0u);

        std::optional<bool> already;
        auto alreadyTask = sleepAndRecord(scheduler, 30s, source.get_token(), already);
        QCOMPARE(already, std::optional<bool>(false));
    }
};

BRINDLE_REGISTER_TEST(SchedulerTest);
#include "schedulertest.moc"
