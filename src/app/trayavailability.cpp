#include "trayavailability.h"

#include <QSystemTrayIcon>

namespace brindle::desktop {

TrayAvailability::TrayAvailability(Scheduler &scheduler, Probe probe, QObject *parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_probe(std::move(probe)) {
    m_available = m_probe();
    m_next = m_scheduler.callAfter(seconds(intervalSeconds), [this] { check(); });
}

TrayAvailability::Probe TrayAvailability::systemProbe() {
    return [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
}

void TrayAvailability::check() {
    const bool available = m_probe();
    m_next = m_scheduler.callAfter(seconds(intervalSeconds), [this] { check(); });
    if (available == m_available)
        return;
    m_available = available;
    Q_EMIT availableChanged(available);
}

} // namespace brindle::desktop
