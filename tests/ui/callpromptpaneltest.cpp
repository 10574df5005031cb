// The Slack call prompt's panel and the coordinator's preview, on the offscreen platform.
#include "apppresentation.h"
#include "callpromptpresenter.h"
#include "qmlurls.h"
#include "quickcallpromptsurface.h"
#include "sessionfakes.h"
#include "testregistry.h"

#include <QQmlEngine>
#include <QQuickItem>

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
    };

private Q_SLOTS:
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
        auto *clicked = f.surface->window()->findChild<QQuickItem *>(QLatin1String(button));
        QVERIFY2(clicked, button.constData());
        QVERIFY(QMetaObject::invokeMethod(clicked, "clicked"));
        QVERIFY(!f.surface->window());
        QVERIFY(!f.presentation.callPrompt()->isPromptShown());
        QCOMPARE(f.store.promptOnSlackCalls(), settingAfter);
        QCOMPARE(f.panelsShown, panelsShown);
    }
};

BRINDLE_REGISTER_TEST(CallPromptPanelTest);
#include "callpromptpaneltest.moc"
