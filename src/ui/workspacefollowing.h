/**
 * @file
 * Asks the window manager to show a window on every workspace, so the panel follows the user.
 * Only X11 window managers (EWMH) offer this to clients; elsewhere it does nothing.
 */
#pragma once

class QWindow;

namespace brindle {

/// Marks `window` as present on all workspaces, now and whenever it is shown again.
void followAcrossWorkspaces(QWindow &window);

} // namespace brindle
