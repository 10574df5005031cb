#include "traymenu.h"

#include "appidentity.h"
#include "apppresentation.h"
#include "sessionstore.h"
#include "symbolicons.h"

#include <QPainter>

namespace brindle {

TrayMenu::TrayMenu(SessionStore &store, AppPresentation &presentation, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_presentation(presentation) {
    m_status = m_menu.addAction(QString());
    m_status->setEnabled(false);
    m_menu.addAction(QStringLiteral("Show panel"), &m_presentation, &AppPresentation::showPanel);
    m_session = m_menu.addAction(QString(), this, &TrayMenu::toggleSession);
    auto *background = m_menu.addAction(QStringLiteral("Background mode"), &m_presentation,
                                        &AppPresentation::hidePanel);
    background->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+B")));
    m_preview = m_menu.addAction(QStringLiteral("Preview background toast"), &m_presentation,
                                 &AppPresentation::previewBackgroundToast);
    m_slackPrompt = m_menu.addAction(QStringLiteral("Suggest Start when a Slack call begins"));
    m_slackPrompt->setCheckable(true);
    connect(m_slackPrompt, &QAction::toggled, this,
            [this](bool on) { m_store.setPromptOnSlackCalls(on); });
    m_menu.addSeparator();
    auto *quit =
        m_menu.addAction(QStringLiteral("Quit Brindle"), &m_presentation, &AppPresentation::quit);
    quit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    quit->setIcon(symbolIcon(QStringLiteral("power")));

    m_icon.setContextMenu(&m_menu);
    connect(&m_icon, &QSystemTrayIcon::activated, this, [this](auto reason) {
        if (reason == QSystemTrayIcon::Trigger)
            m_presentation.showPanel();
    });
    for (auto signal : {&SessionStore::statusChanged, &SessionStore::isRunningChanged,
                        &SessionStore::isStartingChanged, &SessionStore::promptOnSlackCallsChanged})
        connect(&m_store, signal, this, &TrayMenu::update);
    update();
}

void TrayMenu::setTrayAvailable(bool available) {
    // Shown afresh, so the icon docks into a tray that has just arrived.
    m_icon.hide();
    if (available)
        m_icon.show();
}

QString TrayMenu::sessionTitle() const {
    if (m_store.isStarting())
        return QStringLiteral("Cancel start");
    return m_store.isRunning() ? QStringLiteral("Stop") : QStringLiteral("Start");
}

void TrayMenu::toggleSession() {
    // The flags are read again when the item runs, not when the menu was built.
    if (!m_store.isRunning() && !m_store.isStarting()) {
        m_presentation.showPanel();
        m_store.start();
    } else {
        m_store.stop();
    }
}

void TrayMenu::update() {
    const bool busy = m_store.isRunning() || m_store.isStarting();
    m_status->setText(m_store.status());
    m_session->setText(sessionTitle());
    m_preview->setEnabled(!busy);
    {
        const QSignalBlocker blocker(m_slackPrompt);
        m_slackPrompt->setChecked(m_store.promptOnSlackCalls());
    }
    const bool listening = m_store.isRunning();
    m_icon.setIcon(trayIcon(listening));
    m_icon.setToolTip(listening ? QStringLiteral("Brindle listening") : QStringLiteral("Brindle"));
}

QIcon TrayMenu::trayIcon(bool listening) const {
    // A mint dot in the corner while a session listens.
    const QIcon base = desktop::applicationIcon();
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap = base.pixmap(QSize(size, size));
        if (listening) {
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            const double dot = size * 0.38;
            painter.setPen(QPen(QColor(0x15, 0x18, 0x1C), size / 16.0));
            painter.setBrush(QColor(0x66, 0xD4, 0xCF));
            painter.drawEllipse(QRectF(0.5, size - dot - 0.5, dot, dot));
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace brindle
