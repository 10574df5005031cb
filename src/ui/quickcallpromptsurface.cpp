#include "quickcallpromptsurface.h"

#include "qmlurls.h"
#include "quicktoastsurface.h"

#include <QCursor>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QScreen>

namespace brindle {

QuickCallPromptSurface::QuickCallPromptSurface(QQmlEngine &engine)
    : m_engine(engine) {
    for (auto *screen : QGuiApplication::screens())
        watchScreen(screen);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen *screen) {
        watchScreen(screen);
        position();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &QuickCallPromptSurface::position);
}

QuickCallPromptSurface::~QuickCallPromptSurface() {
    close();
}

void QuickCallPromptSurface::watchScreen(QScreen *screen) {
    connect(screen, &QScreen::availableGeometryChanged, this, &QuickCallPromptSurface::position);
}

void QuickCallPromptSurface::open(const QString &detail, CallPromptActions actions) {
    close();
    QQmlComponent component(&m_engine, qml::callPromptWindow());
    if (!component.isReady()) {
        qWarning("Slack call prompt could not be built: %s", qPrintable(component.errorString()));
        return;
    }
    QObject *object = component.createWithInitialProperties({{QStringLiteral("detail"), detail}});
    m_window = qobject_cast<QQuickWindow *>(object);
    if (!m_window) {
        qWarning("Slack call prompt could not be built: %s", qPrintable(component.errorString()));
        delete object;
        return;
    }
    m_actions = std::move(actions);
    connect(m_window, SIGNAL(start()), this, SLOT(relayStart()));
    connect(m_window, SIGNAL(dismiss()), this, SLOT(relayDismiss()));
    connect(m_window, SIGNAL(disable()), this, SLOT(relayDisable()));
    position();
    // A new window that stays on top opens above the others; showing it must not activate it.
    m_window->setVisible(true);
}

void QuickCallPromptSurface::close() {
    m_actions = {};
    if (m_window) {
        m_window->disconnect(this);
        m_window->setVisible(false);
        m_window->deleteLater();
        m_window = nullptr;
    }
}

void QuickCallPromptSurface::position() {
    if (!m_window)
        return;
    if (const auto origin = floatingPanelOrigin(m_window->size(), QCursor::pos()))
        m_window->setPosition(*origin);
}

void QuickCallPromptSurface::relay(std::function<void()> CallPromptActions::*action) {
    // The action usually closes this panel, which drops the stored actions: call a copy.
    const auto call = m_actions.*action;
    if (call)
        call();
}

} // namespace brindle
