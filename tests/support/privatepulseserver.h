/**
 * @file
 * A private PulseAudio server for integration tests: its own socket, home and runtime folder
 * inside a folder the test owns, the given modules after the native protocol, and this process's
 * HOME, XDG_RUNTIME_DIR and PULSE_SERVER pointed at it (children started later inherit them).
 * Stopped when the object is destroyed.
 */
#pragma once

#include <QProcess>
#include <QString>

namespace brindle::test {

class PrivatePulseServer {
public:
    PrivatePulseServer() = default;
    PrivatePulseServer(const PrivatePulseServer &) = delete;
    PrivatePulseServer &operator=(const PrivatePulseServer &) = delete;
    ~PrivatePulseServer() { stop(); }

    /// Starts the server in `folder` (owner-only) with `modules` (server.pa lines); true once its
    /// socket exists.
    bool start(const QString &folder, const QString &modules);
    void stop();

private:
    QProcess m_server;
};

} // namespace brindle::test
