#include "traymenu.h"
#include "apppresentation.h"
#include "sessionfakes.h"
#include "testregistry.h"

#include <QTest>
#include <QWindow>

using namespace brindle;
using namespace brindle::test;

class TrayMenuTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The session item is read again when it runs: Start brings the window forward, and the
    // preview waits while a session starts or runs.
    void menuFollowsTheSession() {
        SessionRig f;
        AppPresentation presentation{f.store, f.scheduler};
        TrayMenu tray{f.store, presentation};
        QAction *preview = tray.menu().actions().at(4);
        QCOMPARE(preview->text(), QStringLiteral("Preview background toast"));
        f.capture.startDelay = seconds(2);
        QWindow window;
        presentation.registerMainWindow(&window);
        tray.toggleSession();
        QVERIFY(window.isVisible());
        QCOMPARE(tray.sessionTitle(), QStringLiteral("Cancel start"));
        QVERIFY(!preview->isEnabled());
        QCOMPARE(tray.menu().actions().first()->text(),
                 QStringLiteral("Starting local transcription…"));

        tray.toggleSession();
        f.scheduler.advance(seconds(2));
        QVERIFY(!f.store.isRunning());
        QCOMPARE(tray.sessionTitle(), QStringLiteral("Start"));

        f.capture.startDelay = seconds(0);
        tray.toggleSession();
        f.scheduler.runPending();
        QCOMPARE(tray.sessionTitle(), QStringLiteral("Stop"));
        tray.toggleSession();
        f.scheduler.runPending();
        QVERIFY(!f.store.isRunning());
        QVERIFY(preview->isEnabled());
    }
};

BRINDLE_REGISTER_TEST(TrayMenuTest);
#include "traymenutest.moc"
