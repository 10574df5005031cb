/**
 * @file
 * Brindle's presence on the desktop once the main window exists: the tray icon and menu, shown
 * while the desktop has a tray, the coordinator told whether it may hide the window, the window
 * opened at launch (or kept in the tray, minimized where there is none, at a login start), and
 * another launch's activation bringing the window forward. The controller, the coordinator, the
 * window, the guard and the scheduler must outlive it. Main thread only.
 */
#pragma once

#include "trayavailability.h"
#include "traymenu.h"

#include <QQuickWindow>

namespace brindle {

class AppPresentation;
class SessionStore;

namespace desktop {
class SingleInstance;
}

class DesktopShell {
public:
    DesktopShell(Scheduler &scheduler, SessionStore &store, AppPresentation &presentation,
                 desktop::TrayAvailability::Probe trayProbe);

    /// Opens the window, or at a login start leaves it in the tray (or minimized).
    void open(QQuickWindow &window, bool loginStart);
    /// A later launch asked for the window.
    void follow(desktop::SingleInstance &guard);

private:
    void trayChanged(bool available);

    AppPresentation &m_presentation;
    TrayMenu m_tray;
    desktop::TrayAvailability m_availability;
};

} // namespace brindle
