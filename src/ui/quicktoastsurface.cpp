#include "quicktoastsurface.h"

#include "findingvalues.h"
#include "qmlurls.h"

#include <QCursor>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QScreen>

namespace brindle {

QuickToastSurface::QuickToastSurface(QQmlEngine &engine)
    : m_engine(engine) {}

QuickToastSurface::~QuickToastSurface() {
    close();
}

void QuickToastSurface::open(const Finding &finding) {
    close();
    QQmlComponent component(&m_engine, qml::toastWindow());
    if (!component.isReady()) {
        qWarning("Correction toast could not be built: %s", qPrintable(component.errorString()));
        return;
    }
    QObject *object =
        component.createWithInitialProperties({{QStringLiteral("finding"), findingValue(finding)}});
    m_window = qobject_cast<QQuickWindow *>(object);
    if (!m_window) {
        qWarning("Correction toast could not be built: %s", qPrintable(component.errorString()));
        delete object;
        return;
    }
    position();
    // A new window that stays on top opens above the others; showing it must not activate it.
    m_window->setVisible(true);
}

void QuickToastSurface::close() {
    if (m_window) {
        m_window->setVisible(false);
        m_window->deleteLater();
        m_window = nullptr;
    }
}

void QuickToastSurface::position() {
    if (!m_window)
        return;
    if (const auto origin = floatingPanelOrigin(m_window->size(), QCursor::pos()))
        m_window->setPosition(*origin);
}

std::optional<QPoint> floatingPanelOrigin(const QSize &panelSize, const QPoint &pointer,
                                          int margin) {
    QScreen *target = nullptr;
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen->geometry().contains(pointer)) {
            target = screen;
            break;
        }
    }
    if (!target)
        target = QGuiApplication::primaryScreen();
    if (!target)
        return std::nullopt;
    const QRect area = target->availableGeometry();
    return QPoint(area.right() + 1 - panelSize.width() - margin, area.top() + margin);
}

} // namespace brindle
