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

    struct Fixture : SessionRig {
        AppPresentation presentation{store, scheduler};
        TrayMenu tray{store, presentation};

        QStringList titles() {
            QStringList list;
            for (auto *action : tray.menu().actions())
                list.append(action->isSeparator() ? QStringLiteral("-") : action->text());
            return list;
        }
        QAction *action(const QString &title) {
            for (auto *action : tray.menu().actions()) {
                if (action->text() == title)
                    return action;
            }
            return nullptr;
        }
    };

private Q_SLOTS:
    void menuFollowsTheSession() {
        Fixture f;
        QCOMPARE(f.titles(),
                 (QStringList{QStringLiteral("Ready"), QStringLiteral("Show panel"),
                              QStringLiteral("Start"), QStringLiteral("Background mode"),
                              QStringLiteral("Preview background toast"),
                              QStringLiteral("Suggest Start when a Slack call begins"),
                              QStringLiteral("-"), QStringLiteral("Quit Brindle")}));
        f.capture.startDelay = seconds(2);
        QWindow window;
        f.presentation.registerMainWindow(&window);
        f.action(QStringLiteral("Start"))->trigger();
        QVERIFY(window.isVisible()); // starting brings the window forward first
        QCOMPARE(f.tray.sessionTitle(), QStringLiteral("Cancel start"));
        QVERIFY(!f.action(QStringLiteral("Preview background toast"))->isEnabled());
        QCOMPARE(f.titles().first(), QStringLiteral("Starting local transcription…"));

        f.action(QStringLiteral("Cancel start"))->trigger();
        f.scheduler.advance(seconds(2));
        QVERIFY(!f.store.isRunning());
        QCOMPARE(f.tray.sessionTitle(), QStringLiteral("Start"));

        f.capture.startDelay = seconds(0);
        f.tray.toggleSession();
        f.scheduler.runPending();
        QCOMPARE(f.tray.sessionTitle(), QStringLiteral("Stop"));
        f.tray.toggleSession();
        f.scheduler.runPending();
        QVERIFY(!f.store.isRunning());
        QVERIFY(f.action(QStringLiteral("Preview background toast"))->isEnabled());
    }
};

BRINDLE_REGISTER_TEST(TrayMenuTest);
#include "traymenutest.moc"
