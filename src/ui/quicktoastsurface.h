/**
 * @file
 * The correction toast as a floating QML window: frameless, above other windows, never focused,
 * in the top-right of the screen under the pointer. Owns the one window on screen. The engine
 * must outlive it.
 */
#pragma once

#include "toastsurface.h"

#include <QPointer>
#include <QQuickWindow>

class QQmlEngine;

namespace brindle {

class QuickToastSurface : public ToastSurface {
public:
    explicit QuickToastSurface(QQmlEngine &engine);
    ~QuickToastSurface() override;

    void open(const Finding &finding) override;
    void close() override;
    void position() override;

    /// The window on screen, if any (screenshots and tests read it).
    QQuickWindow *window() const { return m_window; }

private:
    QQmlEngine &m_engine;
    QPointer<QQuickWindow> m_window;
};

/// Top-right corner of the available area of the screen under the pointer (else the primary
/// screen), `margin` pixels in. Nothing when there is no screen at all.
std::optional<QPoint> floatingPanelOrigin(const QSize &panelSize, const QPoint &pointer,
                                          int margin = 16);

} // namespace brindle
