/**
 * @file
 * "Start at login": an XDG autostart entry ($XDG_CONFIG_HOME/autostart/<id>.desktop) that starts
 * Brindle with --autostart, which opens it in the tray (or minimized) rather than over the
 * user's windows. The switch reads whether the file exists; turning it on writes the file
 * atomically, turning it off removes it. Main thread only.
 */
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace brindle::desktop {

class AutostartEntry : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool enabled READ isEnabled WRITE setEnabled NOTIFY enabledChanged)

public:
    /// The flag the entry passes; main.cpp starts hidden when it sees it.
    static QString loginArgument() { return QStringLiteral("--autostart"); }
    /// Where the entry for `applicationId` goes for this user.
    static QString standardPath(const QString &applicationId);

    /// `program` is the executable the entry starts (normally the running one). An empty `path`
    /// is a switch that stays off.
    AutostartEntry(QString path, QString program, QString applicationId, QObject *parent = nullptr);

    bool isEnabled() const;
    /// Writes or removes the entry; a failure leaves the switch showing what is on disk.
    void setEnabled(bool enabled);

    /// The entry's text.
    QString contents() const;
    /// One argument of an Exec line, quoted and escaped as desktop entries require.
    static QString execArgument(const QString &argument);

Q_SIGNALS:
    void enabledChanged();

private:
    QString m_path;
    QString m_program;
    QString m_applicationId;
};

} // namespace brindle::desktop
