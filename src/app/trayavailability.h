/**
 * @file
 * Whether the desktop shows a system tray, now and as it changes (GNOME shows none unless an
 * extension provides one, and the user can switch that on or off while Brindle runs). Qt has no
 * signal for it and remembers its first answer, so the probe asks the desktop itself, at launch
 * and then at a fixed interval on the scheduler.
 * The scheduler must outlive the object. Main thread only.
 */
#pragma once

#include "scheduler.h"

#include <QObject>

#include <functional>

namespace brindle::desktop {

class TrayAvailability : public QObject {
    Q_OBJECT

public:
    using Probe = std::function<bool()>;
    static constexpr double intervalSeconds = 3;

    /// Asks `probe` at once, then every intervalSeconds.
    TrayAvailability(Scheduler &scheduler, Probe probe, QObject *parent = nullptr);
    /// The desktop's answer: a StatusNotifier host on the session bus or an X11 tray selection
    /// owner; elsewhere, Qt's.
    static Probe systemProbe();

    bool isAvailable() const { return m_available; }

Q_SIGNALS:
    void availableChanged(bool available);

private:
    void check();

    Scheduler &m_scheduler;
    Probe m_probe;
    bool m_available = false;
    TimerHandle m_next;
};

} // namespace brindle::desktop
