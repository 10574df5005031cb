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
    void callsRunInDueOrderAndMoveTheClocks() {
        test::VirtualScheduler scheduler;
        const auto start = scheduler.now();
        QStringList order;
        QList<qint64> seenAt;
        auto b = scheduler.callAfter(2s, [&] {
            order << QStringLiteral("b");
            seenAt << start.msecsTo(scheduler.now());
        });
        auto a = scheduler.callAfter(1s, [&] {
            order << QStringLiteral("a");
            seenAt << start.msecsTo(scheduler.now());
        });
        auto tie = scheduler.callAfter(2s, [&] { order << QStringLiteral("tie"); });
        scheduler.advance(1500ms);
        QCOMPARE(order, QStringList{QStringLiteral("a")});
        scheduler.advance(10s);
        QCOMPARE(order,
                 (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("tie")}));
        QCOMPARE(seenAt, (QList<qint64>{1000, 2000}));
        QCOMPARE(scheduler.monotonic(), Duration(11500ms));
    }

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

    void callsScheduledWhileRunningAreHonoured() {
        test::VirtualScheduler scheduler;
        TimerHandle inner;
        QList<qint64> times;
        auto outer = scheduler.callAfter(1s, [&] {
            times << scheduler.monotonic().count() / 1'000'000;
            inner = scheduler.callAfter(500ms, [&] {
                times << scheduler.monotonic().count() / 1'000'000;
                inner.cancel(); // cancelling oneself while running is harmless
            });
        });
        scheduler.advance(2s);
        QCOMPARE(times, (QList<qint64>{1000, 1500}));
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

    void secondsHelpers() {
        QCOMPARE(seconds(0.85), Duration(850ms));
        test::VirtualScheduler scheduler;
        const auto before = scheduler.now();
        scheduler.advance(seconds(0.3));
        QCOMPARE(secondsBetween(before, scheduler.now()), 0.3);
        QCOMPARE(secondsBetween(scheduler.now(), before), -0.3);
    }
};

BRINDLE_REGISTER_TEST(SchedulerTest);
#include "schedulertest.moc"
