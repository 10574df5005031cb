/**
 * @file
 * A private sound server for integration tests, speaking the pulse protocol on its own socket:
 * either PulseAudio, or PipeWire with wireplumber and pipewire-pulse in their own
 * dbus-run-session. Its home and runtime folder are a folder the test owns; this process's HOME,
 * XDG_RUNTIME_DIR and PULSE_SERVER point at it (children started later inherit them). Set-up
 * lines are pactl commands ("load-module module-null-sink sink_name=speakers"). Stopped, with
 * every process it started, when the object is destroyed.
 */
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace brindle::test {

class PrivateSoundServer {
public:
    enum class Kind { pulseAudio, pipeWire };

    PrivateSoundServer() = default;
    PrivateSoundServer(const PrivateSoundServer &) = delete;
    PrivateSoundServer &operator=(const PrivateSoundServer &) = delete;
    ~PrivateSoundServer() { stop(); }

    /// The kind named by BRINDLE_SOUND_SERVER ("pipewire"; PulseAudio otherwise).
    static Kind fromEnvironment();

    /// Starts the server in `folder` (owner-only) and runs `setup`; true once all of it worked.
    bool start(const QString &folder, Kind kind, const QStringList &setup);
    void stop();

    /// Runs one pactl command against the server; its output, or nothing when it failed.
    std::optional<QString> pactl(const QString &command) const;
    /// Asks `holds` (which may run pactl) ten times a second until it is true, at most `limit`
    /// ms. Each pactl is a new client that PipeWire's session manager must admit: a tighter loop
    /// floods it and holds up its work (choosing a new default output took over 10 s so).
    static bool waitUntil(const std::function<bool()> &holds, int limit = 10000);

private:
    static std::optional<QString> runPactl(const QString &command);

    QProcess m_server;
};

} // namespace brindle::test
