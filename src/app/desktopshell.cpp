#include "desktopshell.h"

#include "apppresentation.h"
#include "singleinstance.h"

namespace brindle {

DesktopShell::DesktopShell(Scheduler &scheduler, SessionStore &store, AppPresentation &presentation,
                           desktop::TrayAvailability::Probe trayProbe)
    : m_presentation(presentation)
    , m_tray(store, presentation)
    , m_availability(scheduler, std::move(trayProbe)) {
    QObject::connect(&m_availability, &desktop::TrayAvailability::availableChanged, &m_tray,
                     [this](bool available) { trayChanged(available); });
    trayChanged(m_availability.isAvailable());
}

void DesktopShell::trayChanged(bool available) {
    m_tray.setTrayAvailable(available);
    m_presentation.setTrayAvailable(available);
}

void DesktopShell::open(QQuickWindow &window, bool loginStart) {
    if (!loginStart) {
        m_presentation.showPanel();
        return;
    }
    // Background mode from the start: hidden with a tray, minimized without.
    if (!m_presentation.isTrayAvailable())
        window.showMinimized();
}

void DesktopShell::follow(desktop::SingleInstance &guard) {
    QObject::connect(&guard, &desktop::SingleInstance::activationRequested, &m_tray,
                     [this] { m_presentation.showPanel(); });
}

} // namespace brindle
