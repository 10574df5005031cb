#include "toastdelivery.h"
#include "mapped.h"
#include "testregistry.h"

#include <QTest>

using namespace brindle;

namespace {

const QDateTime t0 = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);

Finding finding(Verdict verdict, double createdSecondsAfterT0 = 0) {
    return {.id = QUuid::createUuid(),
            .verdict = verdict,
            .createdAt = t0.addMSecs(qint64(createdSecondsAfterT0 * 1000))};
}

} // namespace

class ToastDeliveryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fourCorrectionsInOneUpdateQueueTheNewestThreeOldestFirst() {
        ToastDelivery delivery;
        const auto f1 = finding(Verdict::contradicted);
        const auto f2 = finding(Verdict::contradicted);
        const auto f3 = finding(Verdict::context);
        const auto f4 = finding(Verdict::contradicted);
        const auto supported = finding(Verdict::supported);
        const auto unresolved = finding(Verdict::unresolved);
        // Newest first, as published; only corrections become toasts.
        delivery.receive({f4, supported, f3, f2, unresolved, f1}, false, t0);
        QCOMPARE(delivery.current->id, f2.id);
        QCOMPARE(test::mapped(delivery.pending, &Finding::id), (QList<QUuid>{f3.id, f4.id}));
    }

    void staleQueuedToastIsSkipped_data() {
        QTest::addColumn<double>("age");
        QTest::addColumn<bool>("shown");
        QTest::newRow("exactly 30 s stays") << 30.0 << true;
        QTest::newRow("older than 30 s is dropped") << 30.5 << false;
    }
    void staleQueuedToastIsSkipped() {
        QFETCH(double, age);
        QFETCH(bool, shown);
        ToastDelivery delivery;
        const auto first = finding(Verdict::contradicted);
        const auto second = finding(Verdict::context);
        delivery.receive({second, first}, false, t0);
        QCOMPARE(delivery.current->id, first.id);
        delivery.current.reset();
        delivery.advance(t0.addMSecs(qint64(age * 1000)));
        QCOMPARE(delivery.current.has_value(), shown);
        QVERIFY(delivery.pending.isEmpty());
    }

    void findingSeenWhileSuppressedIsNeverToasted() {
        ToastDelivery delivery;
        const auto queued = finding(Verdict::contradicted);
        delivery.receive({queued}, false, t0);
        const auto seen = finding(Verdict::contradicted, 1);
        delivery.receive({seen, queued}, true, t0.addSecs(1));
        QVERIFY(!delivery.current);
        QVERIFY(delivery.pending.isEmpty());

        // The window is hidden again: the finding that arrived meanwhile stays quiet, a new one
        // shows.
        delivery.receive({seen, queued}, false, t0.addSecs(2));
        QVERIFY(!delivery.current);
        const auto fresh = finding(Verdict::context, 3);
        delivery.receive({fresh, seen, queued}, false, t0.addSecs(3));
        QCOMPARE(delivery.current->id, fresh.id);
    }

    void removedFindingsLeaveTheQueue() {
        ToastDelivery delivery;
        const auto a = finding(Verdict::contradicted);
        const auto b = finding(Verdict::contradicted);
        const auto c = finding(Verdict::contradicted);
        delivery.receive({c, b, a}, false, t0);
        delivery.receive({c, a}, false, t0); // b withdrawn, a still current
        QCOMPARE(delivery.current->id, a.id);
        QCOMPARE(test::mapped(delivery.pending, &Finding::id), QList<QUuid>{c.id});
        delivery.receive({}, false, t0); // the list was cleared
        QVERIFY(!delivery.current);
        QVERIFY(delivery.pending.isEmpty());
        QVERIFY(delivery.observed.isEmpty());
    }
};

BRINDLE_REGISTER_TEST(ToastDeliveryTest);
#include "toastdeliverytest.moc"
