#include "autostartentry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace brindle::desktop {

QString AutostartEntry::standardPath(const QString &applicationId) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/") + applicationId + QStringLiteral(".desktop");
}

AutostartEntry::AutostartEntry(QString path, QString program, QString applicationId,
                               QObject *parent)
    : QObject(parent)
    , m_path(std::move(path))
    , m_program(std::move(program))
    , m_applicationId(std::move(applicationId)) {}

bool AutostartEntry::isEnabled() const {
    return !m_path.isEmpty() && QFileInfo::exists(m_path);
}

void AutostartEntry::setEnabled(bool enabled) {
    if (m_path.isEmpty()) {
        // No place to write: the switch stays off.
    } else if (enabled) {
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        QSaveFile file(m_path);
        if (file.open(QIODevice::WriteOnly))
            file.write(contents().toUtf8());
        file.commit();
    } else {
        QFile::remove(m_path);
    }
    // Emitted even when nothing changed on disk, so a switch that failed shows the truth again.
    Q_EMIT enabledChanged();
}

QString AutostartEntry::contents() const {
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Brindle\n"
                          "Comment=Live fact checker, started at login\n"
                          "Exec=%1 %2\n"
                          "Icon=%3\n"
                          "Terminal=false\n"
                          "NoDisplay=true\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execArgument(m_program), loginArgument(), m_applicationId);
}

QString AutostartEntry::execArgument(const QString &argument) {
    static const QString reserved = QStringLiteral(" \t\"'\\><~|&;$*?#()`");
    const bool quote =
        argument.isEmpty() ||
        std::any_of(argument.begin(), argument.end(), [](QChar c) { return reserved.contains(c); });
    QString text = argument;
    if (quote) {
        QString quoted;
        for (QChar c : argument) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        text = QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    // The Exec value is itself a string value, whose backslashes are escaped once more; the
    // percent sign introduces field codes.
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    text.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return text;
}

} // namespace brindle::desktop
