// The Slack call prompt's panel and the coordinator's preview, on the offscreen platform.
#include "apppresentation.h"
#include "callpromptpresenter.h"
#include "qmlurls.h"
#include "quickcallpromptsurface.h"
#include "sessionfakes.h"
#include "testregistry.h"

#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickItem>
#include <QScreen>

using namespace brindle;
using namespace brindle::test;

class CallPromptPanelTest : public QObject {
    Q_OBJECT

    struct Fixture : SessionRig {
        QQmlEngine engine;
        AppPresentation presentation{store, scheduler};
        QuickCallPromptSurface *surface = nullptr;
        int panelsShown = 0;

        Fixture() {
            engine.addImportPath(qml::importPath());
            store.setPromptOnSlackCalls(false);
            auto owned = std::make_unique<QuickCallPromptSurface>(engine);
            surface = owned.get();
            presentation.setCallPrompt(std::make_unique<CallPromptPresenter>(
                store, scheduler, std::make_unique<CallDetector>([] { return QStringList(); }),
                std::move(owned), [this] { ++panelsShown; }));
        }
        ~Fixture() { presentation.setCallPrompt(nullptr); }

        QQuickItem *item(const char *name) const {
            QQuickWindow *window = surface->window();
            return window ? window->findChild<QQuickItem *>(QLatin1String(name)) : nullptr;
        }
        void click(const char *name) {
            QQuickItem *button = item(name);
            QVERIFY2(button, name);
            QVERIFY(QMetaObject::invokeMethod(button, "clicked"));
        }
    };

private Q_SLOTS:
    void previewShowsANeverFocusedPanelTopRight() {
        Fixture f;
        QVERIFY(f.presentation.hasCallPrompt());
        f.presentation.previewCallPrompt();
        QQuickWindow *window = f.surface->window();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->title(), QStringLiteral("Brindle Slack call"));
        QCOMPARE(window->size(), QSize(400, 150));
        for (auto flag : {Qt::Tool, Qt::FramelessWindowHint, Qt::WindowStaysOnTopHint,
                          Qt::WindowDoesNotAcceptFocus})
            QVERIFY(window->flags().testFlag(flag));
        QVERIFY(!window->isActive());
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(window->position(), QPoint(area.right() + 1 - 400 - 16, area.top() + 16));
        QVERIFY(f.item("promptMessage"));
        QVERIFY(f.item("promptMessage")
                    ->property("text")
                    .toString()
                    .contains(QStringLiteral("Fact-check this call? Listens to all system audio")));
    }

    void buttonsReachThePresenter_data() {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<bool>("settingAfter");
        QTest::addColumn<int>("panelsShown");
        QTest::newRow("Start checking") << QByteArray("startButton") << true << 1;
        QTest::newRow("Not now") << QByteArray("notNowButton") << true << 0;
        QTest::newRow("Dismiss") << QByteArray("dismissButton") << true << 0;
        QTest::newRow("Don't ask again") << QByteArray("disableButton") << false << 0;
    }
    void buttonsReachThePresenter() {
        QFETCH(QByteArray, button);
        QFETCH(bool, settingAfter);
        QFETCH(int, panelsShown);
        Fixture f;
        f.store.setPromptOnSlackCalls(true);
        f.presentation.previewCallPrompt();
        QVERIFY(f.surface->window());
        f.click(button.constData());
        QVERIFY(!f.surface->window());
        QVERIFY(!f.presentation.callPrompt()->isPromptShown());
        QCOMPARE(f.store.promptOnSlackCalls(), settingAfter);
        QCOMPARE(f.panelsShown, panelsShown);
    }
};

BRINDLE_REGISTER_TEST(CallPromptPanelTest);
#include "callpromptpaneltest.moc"
