/**
 * @file
 * Where a correction toast appears. AppPresentation decides what shows and when; a surface only
 * builds, places and removes the one floating panel. The production surface is a QML window
 * (QuickToastSurface); tests record the calls.
 */
#pragma once

#include "finding.h"

namespace brindle {

class ToastSurface {
public:
    virtual ~ToastSurface() = default;

    /// Builds a panel for `finding` and puts it on screen without taking focus.
    virtual void open(const Finding &finding) = 0;
    /// Removes the panel on screen, if any.
    virtual void close() = 0;
    /// Moves the panel (if any) to the top-right of the screen under the pointer.
    virtual void position() = 0;
};

} // namespace brindle
