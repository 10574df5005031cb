#include "singleinstance.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace brindle::desktop {

namespace {
// A later launch must be gone within a second even when the first process is busy.
constexpr int activationTimeoutMs = 800;
} // namespace

SingleInstance::SingleInstance(QString applicationId, QString objectPath, QObject *parent)
    : QObject(parent)
    , m_applicationId(std::move(applicationId))
    , m_objectPath(std::move(objectPath)) {}

SingleInstance::Role SingleInstance::claim(QDBusConnection bus) {
    if (!bus.isConnected() || !bus.interface())
        return Role::unguarded;
    // The object is in place before the name is, so an activation never finds the name without
    // anyone to answer.
    if (!bus.registerObject(m_objectPath, this, QDBusConnection::ExportScriptableSlots))
        return Role::unguarded;
    const auto reply = bus.interface()->registerService(
        m_applicationId, QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
        return Role::primary;
    bus.unregisterObject(m_objectPath);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceNotRegistered)
        return activateRunning(bus) ? Role::activated : Role::unanswered;
    return Role::unguarded;
}

bool SingleInstance::activateRunning(QDBusConnection &bus) const {
    QVariantMap platformData;
    const QByteArray startupId = qgetenv("DESKTOP_STARTUP_ID");
    if (!startupId.isEmpty())
        platformData.insert(QStringLiteral("desktop-startup-id"), QString::fromUtf8(startupId));
    auto call = QDBusMessage::createMethodCall(m_applicationId, m_objectPath,
                                               QStringLiteral("org.freedesktop.Application"),
                                               QStringLiteral("Activate"));
    call << platformData;
    return bus.call(call, QDBus::Block, activationTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

void SingleInstance::Activate(const QVariantMap &) {
    Q_EMIT activationRequested();
}

void SingleInstance::Open(const QStringList &, const QVariantMap &) {
    Q_EMIT activationRequested();
}

void SingleInstance::ActivateAction(const QString &, const QVariantList &, const QVariantMap &) {
    Q_EMIT activationRequested();
}

} // namespace brindle::desktop
