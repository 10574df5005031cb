#include "apppresentation.h"
#include "quicktoastsurface.h"
#include "sessionfakes.h"
#include "testregistry.h"
#include "toastsurface.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWindow>

using namespace brindle;
using namespace brindle::test;

namespace {

/// Records what the coordinator asks of the toast panel.
class RecordingSurface : public ToastSurface {
public:
    QList<QUuid> opened;
    std::optional<QUuid> onScreen;

    void open(const Finding &finding) override {
        opened.append(finding.id);
        onScreen = finding.id;
    }
    void close() override { onScreen.reset(); }
    void position() override {}
};

} // namespace

class AppPresentationTest : public QObject {
    Q_OBJECT

    struct Fixture : SessionRig {
        RecordingSurface surface;
        AppPresentation presentation{store, scheduler};
        QWindow window; // the main window, hidden until a test shows it

        Fixture() {
            presentation.setToastSurface(&surface);
            presentation.registerMainWindow(&window);
        }
        /// Types a claim whose check answers after one second with `verdict`.
        void claim(const QString &text, Verdict verdict) {
            checker.answers.push_back(
                ResearchResult{QStringLiteral("claim"), verdict, QStringLiteral("why"), {}});
            type(text);
        }
    };

private Q_SLOTS:
    void visibleWindowSuppressesToastsForGood() {
        Fixture f;
        f.window.show();
        f.claim(QStringLiteral("The moon is made of cheese."), Verdict::contradicted);
        f.scheduler.advance(seconds(1));
        QVERIFY(f.surface.opened.isEmpty());

        f.window.hide();
        Q_EMIT f.store.findingsChanged(); // the same list again, now in the background
        QVERIFY(f.surface.opened.isEmpty());
    }

    // A toast shows while the window is hidden and leaves after 8 s; a queued one follows.
    void queuedToastFollowsAndAnOldTimerDoesNothing() {
        Fixture f;
        f.claim(QStringLiteral("First wrong claim here."), Verdict::contradicted);
        f.claim(QStringLiteral("Second wrong claim here."), Verdict::contradicted);
        f.scheduler.advance(seconds(1));
        QCOMPARE(f.surface.opened.size(), 1);
        const QUuid first = f.surface.opened.first();

        f.scheduler.advance(seconds(5));
        f.presentation.dismissToast(); // the second takes over at 6 s
        QCOMPARE(f.surface.opened.size(), 2);
        const QUuid second = f.surface.opened.last();
        QVERIFY(second != first);

        f.scheduler.advance(seconds(3)); // the first toast's 8 s pass: the second stays
        QCOMPARE(f.surface.onScreen, second);
        f.scheduler.advance(seconds(4.9));
        QVERIFY(f.surface.onScreen);
        f.scheduler.advance(seconds(0.2));
        QVERIFY(!f.surface.onScreen);
        QVERIFY(!f.presentation.displayedID());
    }

    void activatingTheMainWindowClearsTheToast() {
        Fixture f;
        f.claim(QStringLiteral("The moon is made of cheese."), Verdict::contradicted);
        f.scheduler.advance(seconds(1));
        QVERIFY(f.surface.onScreen);
        f.window.show();
        f.window.requestActivate();
        QTRY_VERIFY(f.window.isActive());
        QVERIFY(!f.surface.onScreen);
    }

    void stoppingTheSessionClosesToastsAndEmptiesTheQueue() {
        Fixture f;
        QVERIFY(f.startSession());
        f.claim(QStringLiteral("First wrong claim here."), Verdict::contradicted);
        f.claim(QStringLiteral("Second wrong claim here."), Verdict::context);
        f.scheduler.advance(seconds(1));
        QVERIFY(f.surface.onScreen);
        f.store.stop();
        f.scheduler.runPending();
        QVERIFY(!f.surface.onScreen);
        QVERIFY(f.presentation.delivery().pending.isEmpty());
    }

    void openingAToastSelectsItsFindingAndShowsTheWindow() {
        Fixture f;
        f.claim(QStringLiteral("The moon is made of cheese."), Verdict::contradicted);
        f.scheduler.advance(seconds(1));
        const QUuid id = f.store.findings().first().id;

        f.presentation.openToast();
        QVERIFY(f.window.isVisible());
        QVERIFY(!f.surface.onScreen);
        QCOMPARE(f.presentation.selectedFinding()->id, id);

        f.store.clearContext(); // the selected finding leaves the list
        QVERIFY(!f.presentation.selectedFinding());
    }

    // Without a tray nothing could bring a hidden window back: Background mode minimizes and
    // closing the window quits, after the session has stopped.
    void windowIsNeverStrandedWithoutATray_data() {
        QTest::addColumn<bool>("tray");
        QTest::newRow("tray") << true;
        QTest::newRow("no tray") << false;
    }
    void windowIsNeverStrandedWithoutATray() {
        QFETCH(bool, tray);
        Fixture f;
        QList<bool> runningAtQuit;
        f.presentation.setQuitAction([&] { runningAtQuit.append(f.store.isRunning()); });
        f.presentation.setTrayAvailable(tray);
        f.presentation.showPanel();
        QVERIFY(f.startSession());

        f.presentation.hidePanel();
        QCOMPARE(f.window.isVisible(), !tray);
        QCOMPARE(bool(f.window.windowStates() & Qt::WindowMinimized), !tray);
        QVERIFY(f.store.isRunning());

        f.presentation.mainWindowClosed();
        f.presentation.mainWindowClosed(); // a second close while quitting changes nothing
        f.scheduler.runPending();
        QCOMPARE(runningAtQuit, tray ? QList<bool>{} : QList<bool>{false});
        QCOMPARE(f.store.isRunning(), tray);
    }

    void floatingPanelsSitTopRightOfTheScreenUnderThePointer_data() {
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<int>("screen");
        QTest::newRow("left screen") << QPoint(1279, 799) << 0;
        QTest::newRow("right screen") << QPoint(1280, 10) << 1;
        QTest::newRow("outside every screen: the primary") << QPoint(-5, 900) << 0;
    }
    void floatingPanelsSitTopRightOfTheScreenUnderThePointer() {
        QFETCH(QPoint, pointer);
        QFETCH(int, screen);
        const auto screens = QGuiApplication::screens();
        QCOMPARE(screens.size(), 2);
        QCOMPARE(QGuiApplication::primaryScreen(), screens[0]);
        const QRect area = screens[screen]->availableGeometry();
        QCOMPARE(floatingPanelOrigin(QSize(400, 260), pointer),
                 std::optional(QPoint(area.right() + 1 - 400 - 16, area.top() + 16)));
    }
};

BRINDLE_REGISTER_TEST(AppPresentationTest);
#include "apppresentationtest.moc"
