// Builds the long-lived objects and wires them together. Nothing else lives here.
#include "apperror.h"
#include "appidentity.h"
#include "apppresentation.h"
#include "appsettings.h"
#include "autostartentry.h"
#include "calldetector.h"
#include "callpromptpresenter.h"
#include "desktopshell.h"
#include "historypreference.h"
#include "historysingleton.h"
#include "inputrecorders.h"
#include "livechain.h"
#include "livesessionrecorder.h"
#include "pocketsphinxrecognizer.h"
#include "qmlsingletons.h"
#include "qmlurls.h"
#include "quickcallpromptsurface.h"
#include "quickreferencedialogs.h"
#include "quicktoastsurface.h"
#include "recordinghistoryrecorder.h"
#include "recordingsession.h"
#include "recordingviewmodel.h"
#include "referencefiles.h"
#include "screenshottour.h"
#include "sessionhistory.h"
#include "sessionstore.h"
#include "sessionviewmodel.h"
#include "settingspreferencestore.h"
#include "singleinstance.h"
#include "storereferenceside.h"
#include "symbolicons.h"
#include "systemscheduler.h"
#include "workspacefollowing.h"

#include <QApplication>
#include <QPointer>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>

#include <cstdio>
#include <cstring>

Q_IMPORT_QML_PLUGIN(Brindle_UIPlugin)

namespace {

// The capture of unattended runs (self-test, screenshots): it lists the system-audio entry and
// never touches the sound server.
class OfflineCapture : public brindle::AudioCapturePort {
public:
    QCoro::Task<QList<brindle::AudioSource>> availableSources() override {
        co_return QList<brindle::AudioSource>{brindle::allSystemAudioSource()};
    }
    QCoro::Task<> start(brindle::AudioSourceID, QString, bool) override {
        throw brindle::CaptureError(
            QStringLiteral("Capture is not available in an unattended run."));
        co_return;
    }
    QCoro::Task<> stop() override { co_return; }
    void resetTranscription() override {}
    void openCapturePermissions() override {}
};

bool hasArgument(int argc, char *argv[], const char *name) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return true;
    }
    return false;
}

QString argumentAfter(int argc, char *argv[], const char *name) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return QString::fromLocal8Bit(argv[i + 1]);
    }
    return {};
}

// Qt aborts when it cannot reach a display; say so plainly instead.
bool chooseDisplay() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (platform.isEmpty()) {
        // Floating panels can place themselves only under X11, so prefer XWayland.
        if (x11)
            qputenv("QT_QPA_PLATFORM", "xcb");
        return x11 || wayland;
    }
    if (platform.startsWith("xcb"))
        return x11;
    if (platform.startsWith("wayland"))
        return wayland;
    return true;
}

} // namespace

int main(int argc, char *argv[]) {
    const bool selfTest = hasArgument(argc, argv, "--self-test");
    const QString screenshotDir = argumentAfter(argc, argv, "--screenshot");
    const bool unattended = selfTest || !screenshotDir.isEmpty();
    if (hasArgument(argc, argv, "--screenshot") && screenshotDir.isEmpty()) {
        std::fprintf(stderr, "usage: brindle [--self-test | --screenshot DIR | --autostart]\n");
        return 2;
    }
    if (unattended && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!chooseDisplay()) {
        std::fprintf(stderr, "Brindle needs a graphical desktop: no X11 or Wayland display was "
                             "found (DISPLAY and WAYLAND_DISPLAY are not set).\n");
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brindle"));
    QApplication::setApplicationDisplayName(QStringLiteral("Brindle"));
    QApplication::setDesktopFileName(brindle::desktop::applicationId());
    QApplication::setWindowIcon(brindle::desktop::applicationIcon());
    // Closing the main window leaves Brindle in the tray; without a tray it quits on purpose.
    QApplication::setQuitOnLastWindowClosed(false);

    // One Brindle per user: a later launch brings the running one forward and leaves.
    brindle::desktop::SingleInstance instance(brindle::desktop::applicationId(),
                                              brindle::desktop::applicationObjectPath());
    if (!unattended) {
        switch (instance.claim(QDBusConnection::sessionBus())) {
        case brindle::desktop::SingleInstance::Role::activated:
            return 0;
        case brindle::desktop::SingleInstance::Role::unanswered:
            std::fprintf(stderr, "Brindle is already running but did not answer.\n");
            return 1;
        default:
            break;
        }
    }
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    // The floating panels have rounded, see-through corners.
    QQuickWindow::setDefaultAlphaBuffer(true);
    brindle::installIconThemeFallback();

    brindle::SystemScheduler scheduler;
    // Unattended runs use the isolated settings: they never read or touch the user's keys.
    auto settings = brindle::AppSettings::create(!unattended, scheduler);
    // Read once, before any view, timer or connection exists that could run while it waits.
    QCoro::waitFor(settings->loadKeys());
    OfflineCapture offlineCapture;
    brindle::LiveChain live(scheduler);
    brindle::AudioCapturePort &capture =
        unattended ? static_cast<brindle::AudioCapturePort &>(offlineCapture) : live.capture();
    brindle::TourChecker tourChecker;
    brindle::ClaimCheckerPort &checker =
        unattended ? static_cast<brindle::ClaimCheckerPort &>(tourChecker) : live.client();

    auto engine = std::make_unique<QQmlApplicationEngine>();
    engine->addImportPath(brindle::qml::importPath());
    brindle::QuickReferenceDialogs referenceDialogs(*engine);
    brindle::ReferenceFiles referenceFiles;
    // Unattended runs neither restore nor save the user's session choices.
    const auto preferences = unattended ? nullptr : brindle::SettingsPreferenceStore::standard();

    brindle::SessionStore store(scheduler, *settings, capture, checker,
                                {&referenceFiles, &referenceDialogs, preferences.get()});
    brindle::AppPresentation presentation(store, scheduler);
    brindle::SessionViewModel session(store, capture);
    brindle::StoreReferenceSide referenceSide(store, session);
    brindle::RecordingSession recording(
        *settings, checker, [] { return std::make_unique<brindle::PocketSphinxRecognizer>(); });
    brindle::RecordingViewModel recordingView(recording, store);

    // Every live session and checked recording is kept on the device; unattended runs keep theirs
    // in a throwaway folder.
    const QTemporaryDir unattendedData;
    brindle::SessionHistory history(unattended
                                        ? unattendedData.filePath(QStringLiteral("history.sqlite"))
                                        : brindle::SessionHistory::standardPath());
    brindle::HistoryPreference historyPreference(unattended
                                                     ? brindle::AppSettings::ephemeralDefaults()
                                                     : brindle::AppSettings::standardDefaults());
    brindle::LiveSessionRecorder recorder(
        store, history, scheduler, [&historyPreference] { return historyPreference.keep(); });
    brindle::RecordingHistoryRecorder recordingRecorder(
        recording, history, scheduler, [&historyPreference] { return historyPreference.keep(); });
    brindle::HistoryViewModel historyView(history, historyPreference);
    historyView.setLastRecording([&recordingRecorder] { return recordingRecorder.lastRun(); });

    brindle::AppPresentationForeign::provide(&presentation);
    brindle::SessionForeign::provide(&session);
    brindle::SettingsForeign::provide(settings.get());
    brindle::HistoryForeign::provide(&historyView);
    // Unattended runs get a login switch that never touches the user's autostart folder.
    brindle::desktop::AutostartEntry loginStart(
        unattended
            ? QString()
            : brindle::desktop::AutostartEntry::standardPath(brindle::desktop::applicationId()),
        QCoreApplication::applicationFilePath(), brindle::desktop::applicationId());
    brindle::LoginStartForeign::provide(&loginStart);
    brindle::RecordingForeign::provide(&recordingView);

    // The views go before the objects they show.
    const auto closeViews = qScopeGuard([&engine] { engine.reset(); });
    brindle::QuickToastSurface toasts(*engine);
    presentation.setToastSurface(&toasts);

    engine->load(brindle::qml::mainWindow());
    auto *mainWindow = engine->rootObjects().isEmpty()
                           ? nullptr
                           : qobject_cast<QQuickWindow *>(engine->rootObjects().first());
    if (!mainWindow) {
        std::fprintf(stderr, "Brindle could not load its main window.\n");
        return 1;
    }
    referenceDialogs.setParentWindow(mainWindow);
    brindle::followAcrossWorkspaces(*mainWindow);
    // The toast surface and the window go before the coordinator does: forget them first.
    const auto detachViews = qScopeGuard([&presentation] {
        presentation.setCallPrompt(nullptr);
        presentation.registerMainWindow(nullptr);
        presentation.setToastSurface(nullptr);
    });

    // The Slack call prompt belongs to the coordinator; unattended runs never ask the real sound
    // server who records.
    auto promptSurface = std::make_unique<brindle::QuickCallPromptSurface>(*engine);
    brindle::QuickCallPromptSurface *promptWindows = promptSurface.get();
    auto detector = std::make_unique<brindle::CallDetector>(
        unattended ? brindle::CallDetector::Probe(
                         []() -> QCoro::Task<QStringList> { co_return QStringList(); })
                   : brindle::soundServerInputProbe());
    const QPointer<brindle::AppPresentation> weakPresentation(&presentation);
    presentation.setCallPrompt(std::make_unique<brindle::CallPromptPresenter>(
        store, scheduler, std::move(detector), std::move(promptSurface), [weakPresentation] {
            if (weakPresentation)
                weakPresentation->showPanel();
        }));

    if (unattended) {
        mainWindow->show();
        brindle::ScreenshotTour tour(
            {*engine, *mainWindow, store, presentation, *settings, scheduler});
        tour.setCallPromptWindow([&presentation, promptWindows]() -> QQuickWindow * {
            presentation.callPrompt()->showPrompt();
            return promptWindows->window();
        });
        int exitCode = 1;
        auto run = [&]() -> QCoro::Task<> {
            exitCode = selfTest ? co_await tour.selfTest() : co_await tour.capture(screenshotDir);
            QApplication::exit(exitCode);
        };
        run();
        QApplication::exec();
        return exitCode;
    }

    brindle::DesktopShell shell(scheduler, store, presentation,
                                brindle::desktop::TrayAvailability::systemProbe());
    shell.follow(instance);
    shell.open(*mainWindow, hasArgument(argc, argv, "--autostart"));
    store.refreshSources();
    return QApplication::exec();
}
