/**
 * @file
 * Offers to start checking when a Slack call begins. Owns the call detector (and drives its poll
 * timer from the "Suggest Start when a Slack call begins" setting) and the prompt panel; closes
 * the prompt after 45 seconds, when the call ends, or when a session starts. Created once, lives
 * as long as the process; the session controller and the scheduler must outlive it. Main thread
 * only.
 */
#pragma once

#include "calldetector.h"
#include "callpromptsurface.h"
#include "scheduler.h"

#include <QCoroTask>
#include <QObject>

#include <functional>
#include <memory>

namespace brindle {

class SessionStore;

class CallPromptPresenter : public QObject {
    Q_OBJECT

public:
    static constexpr double expirySeconds = 45;

    static QString allSystemAudioDetail() { return QStringLiteral("Listens to all system audio"); }
    static QString slackOnlyDetail() { return QStringLiteral("Listens to Slack only"); }
    static QString slackUnavailableMessage() {
        return QStringLiteral("Slack is not available as an audio source. Allow capture "
                              "permission, then refresh sources.");
    }

    /// `onStart` brings the main window forward when the user accepts. Starts polling at once
    /// when the setting is on.
    CallPromptPresenter(SessionStore &store, Scheduler &scheduler,
                        std::unique_ptr<CallDetector> detector,
                        std::unique_ptr<CallPromptSurface> surface, std::function<void()> onStart,
                        QObject *parent = nullptr);
    ~CallPromptPresenter() override;

    /// Shows the prompt (replacing one on screen), whatever the setting.
    void showPrompt();
    void closePrompt();
    void positionPrompt();
    bool isPromptShown() const { return m_shown; }

    /// "Start checking": closes the prompt, brings the window forward and starts a session,
    /// first switching to the Slack source unless all system audio is chosen.
    void startChecking();
    /// "Don't ask again": switches the setting off (which stops polling and closes the prompt).
    void disablePrompts();

    CallDetector &detector() { return *m_detector; }
    CallPromptSurface *surface() const { return m_surface.get(); }

private:
    void setPolling(bool enabled);
    void callStarted();
    QCoro::Task<> startForCall();

    SessionStore &m_store;
    Scheduler &m_scheduler;
    std::unique_ptr<CallDetector> m_detector;
    std::unique_ptr<CallPromptSurface> m_surface;
    std::function<void()> m_onStart;
    bool m_shown = false;
    TimerHandle m_expiry;
};

} // namespace brindle
