#include "privatesoundserver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTest>

#include <signal.h>
#include <unistd.h>

namespace brindle::test {

PrivateSoundServer::Kind PrivateSoundServer::fromEnvironment() {
    return qgetenv("BRINDLE_SOUND_SERVER") == "pipewire" ? Kind::pipeWire : Kind::pulseAudio;
}

bool PrivateSoundServer::start(const QString &folder, Kind kind, const QStringList &setup) {
    const QDir dir(folder);
    qputenv("HOME", folder.toUtf8());
    qputenv("XDG_RUNTIME_DIR", folder.toUtf8());
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.setStandardOutputFile(QProcess::nullDevice());
    // Its own process group, so stop() reaches every process the server started.
    m_server.setChildProcessModifier([] { ::setsid(); });
    QString socket;
    if (kind == Kind::pulseAudio) {
        socket = dir.filePath(QStringLiteral("native"));
        QFile config(dir.filePath(QStringLiteral("server.pa")));
        if (!config.open(QIODevice::WriteOnly))
            return false;
        config.write(QStringLiteral("load-module module-native-protocol-unix auth-anonymous=1 "
                                    "socket=%1\n")
                         .arg(socket)
                         .toUtf8());
        config.close();
        m_server.start(
            QStringLiteral("pulseaudio"),
            QStringLiteral("--daemonize=no -n --exit-idle-time=-1 --log-level=error -F").split(u' ')
                << config.fileName());
    } else {
        socket = dir.filePath(QStringLiteral("pulse/native"));
        // The session manager and the pulse server need the PipeWire daemon's socket first.
        const QString script =
            QStringLiteral("pipewire & "
                           "while [ ! -S \"$XDG_RUNTIME_DIR/pipewire-0\" ]; do sleep 0.05; done; "
                           "wireplumber & exec pipewire-pulse");
        m_server.start(QStringLiteral("dbus-run-session"),
                       {QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"), script});
    }
    qputenv("PULSE_SERVER", (QStringLiteral("unix:") + socket).toUtf8());
    if (!m_server.waitForStarted() ||
        !QTest::qWaitFor([&] { return QFile::exists(socket) && pactl(QStringLiteral("info")); },
                         10000))
        return false;
    for (const auto &line : setup) {
        if (!pactl(line)) {
            qWarning() << "pactl" << line << "failed";
            return false;
        }
    }
    return true;
}

std::optional<QString> PrivateSoundServer::pactl(const QString &command) const {
    // PipeWire adds a loaded module's device a moment after the load returns, so a command naming
    // it may fail at first; only such idempotent commands are tried again.
    auto output = runPactl(command);
    if (!output && command.startsWith(QLatin1String("set-")))
        waitUntil([&] { return bool(output = runPactl(command)); }, 5000);
    return output;
}

bool PrivateSoundServer::waitUntil(const std::function<bool()> &holds, int limit) {
    for (QDeadlineTimer deadline(limit); !deadline.hasExpired(); QTest::qWait(100)) {
        if (holds())
            return true;
    }
    return false;
}

std::optional<QString> PrivateSoundServer::runPactl(const QString &command) {
    QProcess process;
    process.start(QStringLiteral("pactl"), QProcess::splitCommand(command));
    if (!process.waitForFinished(5000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

void PrivateSoundServer::stop() {
    if (m_server.state() == QProcess::NotRunning)
        return;
    const auto group = pid_t(m_server.processId());
    ::kill(-group, SIGTERM);
    if (!m_server.waitForFinished(5000)) {
        ::kill(-group, SIGKILL);
        m_server.waitForFinished();
    }
}

} // namespace brindle::test
