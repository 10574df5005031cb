/**
 * @file
 * Where the Slack call prompt appears. CallPromptPresenter decides what shows and when; a surface
 * only builds, places and removes the one floating panel and relays its buttons. The production
 * surface is a QML window; tests record the calls.
 */
#pragma once

#include <QString>

#include <functional>

namespace brindle {

struct CallPromptActions {
    std::function<void()> onStart;   ///< "Start checking"
    std::function<void()> onDismiss; ///< "Not now" and the close button
    std::function<void()> onDisable; ///< "Don't ask again"
};

class CallPromptSurface {
public:
    virtual ~CallPromptSurface() = default;

    /// Builds a panel with `detail` under its message and puts it on screen without taking focus.
    /// The actions may close the panel from inside.
    virtual void open(const QString &detail, CallPromptActions actions) = 0;
    /// Removes the panel on screen, if any.
    virtual void close() = 0;
    /// Moves the panel (if any) to the top-right of the screen under the pointer.
    virtual void position() = 0;
};

} // namespace brindle
