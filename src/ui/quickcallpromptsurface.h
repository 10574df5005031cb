/**
 * @file
 * The Slack call prompt as a floating QML window: frameless, above other windows, never focused,
 * placed like the correction toasts and moved again when the screens change. Owns the one window
 * on screen. The engine must outlive it.
 */
#pragma once

#include "callpromptsurface.h"

#include <QObject>
#include <QPointer>
#include <QQuickWindow>

class QQmlEngine;
class QScreen;

namespace brindle {

class QuickCallPromptSurface : public QObject, public CallPromptSurface {
    Q_OBJECT
public:
    explicit QuickCallPromptSurface(QQmlEngine &engine);
    ~QuickCallPromptSurface() override;

    void open(const QString &detail, CallPromptActions actions) override;
    void close() override;
    void position() override;

    /// The window on screen, if any (screenshots and tests read it).
    QQuickWindow *window() const { return m_window; }

private Q_SLOTS:
    void relayStart() { relay(&CallPromptActions::onStart); }
    void relayDismiss() { relay(&CallPromptActions::onDismiss); }
    void relayDisable() { relay(&CallPromptActions::onDisable); }

private:
    void relay(std::function<void()> CallPromptActions::*action);
    void watchScreen(QScreen *screen);

    QQmlEngine &m_engine;
    QPointer<QQuickWindow> m_window;
    CallPromptActions m_actions;
};

} // namespace brindle
