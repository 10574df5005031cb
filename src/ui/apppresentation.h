/**
 * @file
 * The one UI coordinator per process, created in main.cpp after the session controller. It owns
 * the finding selected for the details sheet, knows the main window, and runs the correction
 * toasts: it observes the controller's findings and running flag, feeds ToastDelivery, and keeps
 * the toast surface in step with it. The session controller, the scheduler and the surface must
 * outlive it. Main thread only.
 */
#pragma once

#include "toastdelivery.h"

#include <QObject>
#include <QPointer>
#include <QVariantMap>
#include <QWindow>

#include <functional>
#include <memory>

#include "scheduler.h"

#include <QCoroTask>

namespace brindle {

class CallPromptPresenter;
class SessionStore;
class ToastSurface;

class AppPresentation : public QObject {
    Q_OBJECT
    /// The finding the details sheet shows, as a finding map; null when none.
    Q_PROPERTY(QVariant selectedFinding READ selectedFindingValue NOTIFY selectedFindingChanged)
    /// Whether "Preview Slack call prompt" has something to show.
    Q_PROPERTY(bool hasCallPrompt READ hasCallPrompt NOTIFY callPromptChanged)

public:
    static constexpr double dismissAfterSeconds = 8;

    AppPresentation(SessionStore &store, Scheduler &scheduler, QObject *parent = nullptr);
    ~AppPresentation() override;

    void setToastSurface(ToastSurface *surface) { m_surface = surface; }
    /// Reopens the main window when it was closed; installed by whoever owns the window.
    void setOpenPanel(std::function<void()> openPanel) { m_openPanel = std::move(openPanel); }
    /// Takes the Slack call prompt; until it is set the preview command does nothing. Setting
    /// nothing destroys it (main.cpp does so before the QML engine goes).
    void setCallPrompt(std::unique_ptr<CallPromptPresenter> prompt);
    CallPromptPresenter *callPrompt() const { return m_callPrompt.get(); }

    /// Registered by the main window once it exists.
    Q_INVOKABLE void registerMainWindow(QWindow *window);
    QWindow *mainWindow() const { return m_mainWindow; }
    bool isMainWindowVisible() const;

    const std::optional<Finding> &selectedFinding() const { return m_selectedFinding; }
    QVariant selectedFindingValue() const;
    void selectFinding(std::optional<Finding> finding);
    Q_INVOKABLE void clearSelectedFinding() { selectFinding(std::nullopt); }
    bool hasCallPrompt() const { return bool(m_callPrompt); }

    Q_INVOKABLE void showPanel();
    /// Background mode: hides the window where a tray can bring it back, else minimizes it.
    Q_INVOKABLE void hidePanel();
    /// Whether the desktop shows Brindle's tray icon. Without one, no window may stay hidden:
    /// closing the window quits and a hidden window comes back minimized.
    void setTrayAvailable(bool available);
    bool isTrayAvailable() const { return m_trayAvailable; }
    /// The user closed the main window.
    Q_INVOKABLE void mainWindowClosed();
    /// "Quit Brindle": stops a running session, then ends the process.
    Q_INVOKABLE void quit();
    /// What ending the process means (QCoreApplication::quit unless replaced).
    void setQuitAction(std::function<void()> quit) { m_quit = std::move(quit); }
    Q_INVOKABLE void previewBackgroundToast();
    Q_INVOKABLE void previewCallPrompt();

    const ToastDelivery &delivery() const { return m_delivery; }
    std::optional<QUuid> displayedID() const { return m_displayedID; }
    Q_INVOKABLE void clearToasts();
    void refreshToast();
    void positionToast();
    /// "Open details" on the toast on screen.
    Q_INVOKABLE void openToast();
    /// The toast's close button.
    Q_INVOKABLE void dismissToast();

Q_SIGNALS:
    void selectedFindingChanged();
    void callPromptChanged();

private:
    void receiveFindings();
    void dismissalFired(QUuid id);
    QCoro::Task<> stopThenQuit();

    SessionStore &m_store;
    Scheduler &m_scheduler;
    ToastSurface *m_surface = nullptr;
    std::function<void()> m_openPanel;
    std::unique_ptr<CallPromptPresenter> m_callPrompt;
    QPointer<QWindow> m_mainWindow;
    std::optional<Finding> m_selectedFinding;
    ToastDelivery m_delivery;
    std::optional<QUuid> m_displayedID;
    TimerHandle m_dismissal;
    bool m_wasRunning = false;
    bool m_trayAvailable = true;
    bool m_quitting = false;
    std::function<void()> m_quit;
};

} // namespace brindle
