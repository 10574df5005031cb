/**
 * @file
 * Who Brindle is to the desktop: one application id shared by the D-Bus name, the desktop entry,
 * the icon and the AppStream metadata, and the icon itself (from the icon theme when installed,
 * else from the resources built into the executable).
 */
#pragma once

#include <QIcon>
#include <QString>

namespace brindle::desktop {

/// Reverse-DNS application id; packaging/ names its files after it.
inline QString applicationId() {
    return QStringLiteral("org.brindle.Brindle");
}

/// The D-Bus object path that goes with the id ("/org/brindle/Brindle").
QString applicationObjectPath();

/// The application icon: the installed theme icon, or the copy in the resources.
QIcon applicationIcon();

} // namespace brindle::desktop
