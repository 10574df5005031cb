#include "apppresentation.h"

#include "callpromptpresenter.h"
#include "findingvalues.h"
#include "sessionstore.h"
#include "toastsurface.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

namespace brindle {

AppPresentation::AppPresentation(SessionStore &store, Scheduler &scheduler, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_scheduler(scheduler)
    , m_wasRunning(store.isRunning())
    , m_quit([] { QCoreApplication::quit(); }) {
    connect(&m_store, &SessionStore::findingsChanged, this, &AppPresentation::receiveFindings);
    // Only a change to "not running" after launch takes the toasts away, not the initial value.
    connect(&m_store, &SessionStore::isRunningChanged, this, [this] {
        const bool running = m_store.isRunning();
        const bool stopped = m_wasRunning && !running;
        m_wasRunning = running;
        if (stopped)
            clearToasts();
    });
    const auto watchScreen = [this](QScreen *screen) {
        connect(screen, &QScreen::availableGeometryChanged, this, &AppPresentation::positionToast);
    };
    for (auto *screen : QGuiApplication::screens())
        watchScreen(screen);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this, watchScreen](QScreen *screen) {
        watchScreen(screen);
        positionToast();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &AppPresentation::positionToast);
    receiveFindings();
}

AppPresentation::~AppPresentation() = default;

void AppPresentation::setCallPrompt(std::unique_ptr<CallPromptPresenter> prompt) {
    m_callPrompt = std::move(prompt);
    Q_EMIT callPromptChanged();
}

void AppPresentation::registerMainWindow(QWindow *window) {
    if (m_mainWindow == window)
        return;
    if (m_mainWindow)
        m_mainWindow->disconnect(this);
    m_mainWindow = window;
    if (!window)
        return;
    // The main window coming forward (focused, or restored from the taskbar) takes the toasts.
    connect(window, &QWindow::activeChanged, this, [this] {
        if (m_mainWindow && m_mainWindow->isActive())
            clearToasts();
    });
    connect(window, &QWindow::windowStateChanged, this, [this](Qt::WindowState state) {
        if (state != Qt::WindowMinimized && m_mainWindow && m_mainWindow->isVisible())
            clearToasts();
    });
}

bool AppPresentation::isMainWindowVisible() const {
    return m_mainWindow && m_mainWindow->isVisible() &&
           m_mainWindow->visibility() != QWindow::Minimized &&
           m_mainWindow->visibility() != QWindow::Hidden;
}

QVariant AppPresentation::selectedFindingValue() const {
    return m_selectedFinding ? QVariant(findingValue(*m_selectedFinding)) : QVariant();
}

void AppPresentation::selectFinding(std::optional<Finding> finding) {
    if (m_selectedFinding == finding)
        return;
    m_selectedFinding = std::move(finding);
    Q_EMIT selectedFindingChanged();
}

void AppPresentation::showPanel() {
    clearToasts();
    if (m_openPanel)
        m_openPanel();
    if (m_mainWindow) {
        if (m_mainWindow->windowStates() & Qt::WindowMinimized)
            m_mainWindow->setWindowStates(m_mainWindow->windowStates() & ~Qt::WindowMinimized);
        m_mainWindow->show();
        m_mainWindow->raise();
        m_mainWindow->requestActivate();
    }
}

void AppPresentation::hidePanel() {
    selectFinding(std::nullopt);
    if (!m_mainWindow)
        return;
    if (m_trayAvailable)
        m_mainWindow->hide();
    else
        m_mainWindow->showMinimized();
}

void AppPresentation::setTrayAvailable(bool available) {
    if (available == m_trayAvailable)
        return;
    m_trayAvailable = available;
    // The tray went away under a hidden window: only the taskbar can reach it now.
    if (!available && m_mainWindow && !m_mainWindow->isVisible())
        m_mainWindow->showMinimized();
}

void AppPresentation::mainWindowClosed() {
    if (!m_trayAvailable)
        quit();
}

void AppPresentation::quit() {
    stopThenQuit();
}

QCoro::Task<> AppPresentation::stopThenQuit() {
    if (std::exchange(m_quitting, true))
        co_return;
    const QPointer<AppPresentation> self(this);
    if (m_store.isRunning() || m_store.isStarting())
        co_await m_store.stop();
    if (self && self->m_quit)
        self->m_quit();
}

void AppPresentation::previewBackgroundToast() {
    if (m_store.isRunning() || m_store.isStarting())
        return;
    hidePanel();
    m_store.runDemo();
}

void AppPresentation::previewCallPrompt() {
    if (m_store.isRunning() || m_store.isStarting())
        return;
    if (m_callPrompt)
        m_callPrompt->showPrompt();
}

void AppPresentation::receiveFindings() {
    const auto &findings = m_store.findings();
    if (m_selectedFinding && std::none_of(findings.begin(), findings.end(), [&](const Finding &f) {
            return f.id == m_selectedFinding->id;
        }))
        selectFinding(std::nullopt);
    m_delivery.receive(findings, isMainWindowVisible(), m_scheduler.now());
    refreshToast();
}

void AppPresentation::clearToasts() {
    m_delivery.current.reset();
    m_delivery.pending.clear();
    refreshToast();
}

void AppPresentation::refreshToast() {
    std::optional<QUuid> wanted;
    if (m_delivery.current)
        wanted = m_delivery.current->id;
    if (wanted == m_displayedID)
        return; // the right panel is up; its timer keeps running
    m_dismissal.cancel();
    if (m_surface)
        m_surface->close();
    m_displayedID = wanted;
    if (!m_delivery.current)
        return;
    if (m_surface) {
        m_surface->open(*m_delivery.current);
        m_surface->position();
    }
    const QUuid id = *wanted;
    m_dismissal =
        m_scheduler.callAfter(seconds(dismissAfterSeconds), [this, id] { dismissalFired(id); });
}

void AppPresentation::dismissalFired(QUuid id) {
    // A newer toast may have taken the screen meanwhile; only the one this timer was for goes.
    if (m_displayedID != id)
        return;
    m_delivery.current.reset();
    m_delivery.advance(m_scheduler.now());
    refreshToast();
}

void AppPresentation::positionToast() {
    if (m_surface && m_displayedID)
        m_surface->position();
}

void AppPresentation::openToast() {
    if (!m_delivery.current)
        return;
    const Finding finding = *m_delivery.current;
    showPanel();
    selectFinding(finding);
}

void AppPresentation::dismissToast() {
    m_delivery.current.reset();
    m_delivery.advance(m_scheduler.now());
    refreshToast();
}

} // namespace brindle
