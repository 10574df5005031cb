#include "trayavailability.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QGuiApplication>
#include <QSystemTrayIcon>

#include <xcb/xcb.h>

#include <cstdlib>

namespace brindle::desktop {

namespace {

// A tray over D-Bus (KDE, GNOME's AppIndicator extension) registers a host with the watcher.
bool statusNotifierHostRegistered() {
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(watcher))
        return false;
    QDBusInterface props(watcher, QStringLiteral("/StatusNotifierWatcher"), watcher, bus);
    return props.property("IsStatusNotifierHostRegistered").toBool();
}

// An X11 tray owns the screen's system-tray selection. Asked directly: Qt keeps its first answer.
std::optional<bool> xembedTrayOwned() {
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return std::nullopt;
    xcb_connection_t *connection = x11->connection();
    int screen = 0;
    if (const QByteArray display = qgetenv("DISPLAY"); display.contains('.'))
        screen = display.mid(display.lastIndexOf('.') + 1).toInt();
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen);
    auto *atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()),
        nullptr);
    if (!atom)
        return false;
    auto *owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    const bool owned = owner && owner->owner != XCB_NONE;
    std::free(owner);
    std::free(atom);
    return owned;
}

} // namespace

TrayAvailability::TrayAvailability(Scheduler &scheduler, Probe probe, QObject *parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_probe(std::move(probe)) {
    m_available = m_probe();
    m_next = m_scheduler.callAfter(seconds(intervalSeconds), [this] { check(); });
}

TrayAvailability::Probe TrayAvailability::systemProbe() {
    return [] {
        if (statusNotifierHostRegistered())
            return true;
        if (const auto owned = xembedTrayOwned())
            return *owned;
        return QSystemTrayIcon::isSystemTrayAvailable();
    };
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
