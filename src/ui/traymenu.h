/**
 * @file
 * Brindle's place in the system tray: the application icon (with a dot while listening) and the
 * panel menu with the status line, the window commands, the session item and the Slack-prompt
 * switch. The controller and the coordinator must outlive it. Main thread only.
 */
#pragma once

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

namespace brindle {

class AppPresentation;
class SessionStore;

class TrayMenu : public QObject {
    Q_OBJECT

public:
    TrayMenu(SessionStore &store, AppPresentation &presentation, QObject *parent = nullptr);

    /// Shows the icon while the desktop has a tray.
    void setTrayAvailable(bool available);

    QMenu &menu() { return m_menu; }
    /// The session item: "Start", "Stop" or "Cancel start".
    QString sessionTitle() const;
    /// Runs the session item: start (bringing the window forward first) or stop.
    void toggleSession();

private:
    void update();
    QIcon trayIcon(bool listening) const;

    SessionStore &m_store;
    AppPresentation &m_presentation;
    QMenu m_menu;
    QSystemTrayIcon m_icon;
    QAction *m_status = nullptr;
    QAction *m_session = nullptr;
    QAction *m_preview = nullptr;
    QAction *m_slackPrompt = nullptr;
};

} // namespace brindle
