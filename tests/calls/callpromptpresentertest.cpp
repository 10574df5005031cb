// The call prompt presenter in virtual time, against the real session controller with fakes.
#include "callpromptpresenter.h"
#include "sessionfakes.h"
#include "sessionstore.h"
#include "testregistry.h"
#include "virtualscheduler.h"

using namespace brindle;
using namespace brindle::test;
using namespace std::chrono_literals;

namespace {

class FakeSurface : public CallPromptSurface {
public:
    bool isOpen = false;
    int opens = 0;
    QString detail;
    CallPromptActions actions;

    void open(const QString &text, CallPromptActions given) override {
        isOpen = true;
        ++opens;
        detail = text;
        actions = std::move(given);
    }
    void close() override { isOpen = false; }
    void position() override {}
};

const AudioSource slackSource{AudioSourceID::application(4242), QStringLiteral("Slack"),
                              QStringLiteral("com.slack.Slack")};
const AudioSource playerSource{AudioSourceID::application(17), QStringLiteral("Player"),
                               QStringLiteral("org.example.player")};

struct Rig {
    VirtualScheduler scheduler;
    FakeSettings settings;
    FakeCapture capture{scheduler};
    FakeChecker checker{scheduler};
    SessionStore store{scheduler, settings, capture, checker};
    QStringList recorders; ///< what the probe answers
    int probes = 0;
    int onStarts = 0;
    FakeSurface *surface = nullptr;
    std::unique_ptr<CallPromptPresenter> presenter;

    explicit Rig(bool promptSetting = true) {
        store.setEvidenceMode(EvidenceMode::web);
        store.setPromptOnSlackCalls(promptSetting);
    }

    void create() {
        auto owned = std::make_unique<FakeSurface>();
        surface = owned.get();
        presenter = std::make_unique<CallPromptPresenter>(store, scheduler,
                                                          std::make_unique<CallDetector>([this] {
                                                              ++probes;
                                                              return recorders;
                                                          }),
                                                          std::move(owned), [this] { ++onStarts; });
    }

    void callBegins() {
        recorders = QStringList{QStringLiteral("slack")};
        scheduler.advance(2s);
    }
    bool shown() const { return presenter->isPromptShown() && surface->isOpen; }
};

} // namespace

class CallPromptPresenterTest : public QObject {
    Q_OBJECT

private slots:
    void pollingFollowsTheSettingAndThePreviewIgnoresIt() {
        Rig rig;
        rig.recorders = QStringList{QStringLiteral("slack")};
        rig.create();
        // On at launch: the first poll is immediate.
        QCOMPARE(rig.probes, 1);
        QVERIFY(rig.shown());

        rig.store.setPromptOnSlackCalls(false);
        QVERIFY(!rig.shown());
        QCOMPARE(rig.scheduler.pendingCount(), 0u); // neither the expiry nor a poll is left
        rig.scheduler.advance(10s);
        QCOMPARE(rig.probes, 1);

        // On again during the same call: polls at once, no second prompt for it.
        rig.store.setPromptOnSlackCalls(true);
        QCOMPARE(rig.probes, 2);
        QCOMPARE(rig.surface->opens, 1);
        rig.scheduler.advance(2s);
        QCOMPARE(rig.probes, 3);

        // Off at launch: no polls, yet the preview shows and names the selected source.
        Rig off(false);
        off.create();
        off.callBegins();
        QCOMPARE(off.probes, 0);
        off.presenter->showPrompt();
        QVERIFY(off.shown());
        QCOMPARE(off.surface->detail, CallPromptPresenter::slackOnlyDetail());
        off.store.refreshSources();
        off.store.setSelectedSourceID(AudioSourceID::allSystemAudio());
        off.presenter->showPrompt();
        QCOMPARE(off.surface->detail, CallPromptPresenter::allSystemAudioDetail());
        QCOMPARE(off.surface->opens, 2);
        // The replaced prompt's expiry went with it.
        off.scheduler.advance(45s);
        QVERIFY(!off.shown());
        QCOMPARE(off.scheduler.pendingCount(), 0u);
    }

    void promptClosesByItself_data() {
        QTest::addColumn<int>("closer");
        QTest::newRow("after 45 seconds") << 0;
        QTest::newRow("call ends") << 1;
        QTest::newRow("session starts, and none while it runs") << 2;
    }
    void promptClosesByItself() {
        QFETCH(int, closer);
        Rig rig;
        rig.store.refreshSources();
        rig.store.setSelectedSourceID(AudioSourceID::allSystemAudio());
        rig.create();
        rig.callBegins();
        QVERIFY(rig.shown());
        switch (closer) {
        case 0:
            rig.scheduler.advance(44s);
            QVERIFY(rig.shown());
            rig.scheduler.advance(1s);
            break;
        case 1:
            rig.recorders.clear();
            rig.scheduler.advance(4s);
            QVERIFY(rig.shown());
            rig.scheduler.advance(2s);
            break;
        case 2:
            rig.capture.startDelay = 5s;
            rig.store.start();
            QVERIFY(rig.store.isStarting());
            QVERIFY(!rig.shown());
            rig.scheduler.advance(5s);
            QVERIFY(rig.store.isRunning());
            rig.recorders.clear(); // the call ends and a new one begins
            rig.scheduler.advance(6s);
            rig.callBegins();
            QCOMPARE(rig.surface->opens, 1);
            break;
        }
        QVERIFY(!rig.shown());
        if (closer != 2) // the expiry went; only the poll timer may be left
            QCOMPARE(rig.scheduler.pendingCount(), 1u);
    }

    void startChecking_data() {
        QTest::addColumn<QList<AudioSource>>("listed");
        QTest::addColumn<int>("selection"); // 0 nothing, 1 all system audio, 2 the player
        QTest::addColumn<bool>("starts");
        QTest::addColumn<std::optional<AudioSourceID>>("capturing");
        const QList<AudioSource> withSlack{allSystemAudioSource(), playerSource, slackSource};
        const QList<AudioSource> withoutSlack{allSystemAudioSource(), playerSource};
        QTest::newRow("all system audio starts at once")
            << withSlack << 1 << true << std::optional(AudioSourceID::allSystemAudio());
        QTest::newRow("an application selected switches to Slack")
            << withSlack << 2 << true << std::optional(slackSource.id);
        QTest::newRow("nothing selected switches to Slack")
            << withSlack << 0 << true << std::optional(slackSource.id);
        QTest::newRow("Slack not listed")
            << withoutSlack << 2 << false << std::optional(playerSource.id);
    }
    void startChecking() {
        QFETCH(QList<AudioSource>, listed);
        QFETCH(int, selection);
        QFETCH(bool, starts);
        QFETCH(std::optional<AudioSourceID>, capturing);
        Rig rig;
        if (selection > 0) {
            rig.capture.sourceList = {allSystemAudioSource(), playerSource};
            rig.store.refreshSources();
            rig.store.setSelectedSourceID(selection == 1 ? AudioSourceID::allSystemAudio()
                                                         : playerSource.id);
        }
        // Slack shows up only once the sources are listed again.
        rig.capture.sourceList = listed;
        rig.create();
        rig.callBegins();
        QVERIFY(rig.shown());
        rig.surface->actions.onStart();
        rig.scheduler.runPending();
        QVERIFY(!rig.shown());
        QCOMPARE(rig.onStarts, 1);
        QCOMPARE(rig.store.isRunning(), starts);
        QCOMPARE(rig.store.selectedSourceID(), capturing);
        QCOMPARE(rig.store.errorText(),
                 starts ? QString() : CallPromptPresenter::slackUnavailableMessage());
        if (selection == 1) // started without listing the sources again
            QCOMPARE(rig.store.sources(),
                     (QList<AudioSource>{allSystemAudioSource(), playerSource}));
    }

    void actionsOfAGonePresenterDoNothing() {
        Rig rig;
        rig.create();
        rig.callBegins();
        const auto actions = rig.surface->actions;
        rig.presenter.reset();
        actions.onStart();
        actions.onDisable();
        rig.scheduler.advance(60s);
        QVERIFY(rig.store.promptOnSlackCalls());
        QVERIFY(!rig.store.isRunning());
        QCOMPARE(rig.onStarts, 0);
    }
};

BRINDLE_REGISTER_TEST(CallPromptPresenterTest);
#include "callpromptpresentertest.moc"
