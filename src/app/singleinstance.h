/**
 * @file
 * One Brindle per user. The first process claims the application id on the session bus and
 * answers org.freedesktop.Application.Activate there; a later process finds the name taken, asks
 * the first one to come forward and then exits. Without a session bus every process runs on its
 * own (best effort). Main thread only; needs the application object to exist.
 */
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

namespace brindle::desktop {

class SingleInstance : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    enum class Role {
        primary,    ///< this process holds the name and answers activation
        activated,  ///< another process holds it and was asked to come forward
        unanswered, ///< another process holds it but did not answer
        unguarded,  ///< no session bus (or the name could not be claimed): run alone
    };

    SingleInstance(QString applicationId, QString objectPath, QObject *parent = nullptr);

    /// Claims the name on `bus`, or activates the process that holds it.
    Role claim(QDBusConnection bus);

public Q_SLOTS:
    // org.freedesktop.Application, called by later launches (and by desktops that activate
    // applications over D-Bus).
    Q_SCRIPTABLE void Activate(const QVariantMap &platformData);
    Q_SCRIPTABLE void Open(const QStringList &uris, const QVariantMap &platformData);
    Q_SCRIPTABLE void ActivateAction(const QString &name, const QVariantList &parameter,
                                     const QVariantMap &platformData);

Q_SIGNALS:
    /// Another launch asked for the main window.
    void activationRequested();

private:
    bool activateRunning(QDBusConnection &bus) const;

    QString m_applicationId;
    QString m_objectPath;
};

} // namespace brindle::desktop
