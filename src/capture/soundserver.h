/**
 * @file
 * The sound server as the capture sees it: a snapshot of who plays and records what, record
 * streams on a source (optionally restricted to one playback stream) that the server never moves,
 * and a notice when devices, defaults, streams or clients change. The libpulse implementation
 * talks to PulseAudio and PipeWire alike; tests use a scripted fake. Every member is called and
 * every callback delivered on the main thread, and nothing waits on the server longer than
 * `soundServerTimeLimit`.
 */
#pragma once

#include "audiobuffer.h"

#include <QCoroTask>
#include <QList>
#include <QSet>
#include <QString>

#include <chrono>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

namespace brindle {

/// How long any query or stream start may wait for the server's answer.
constexpr std::chrono::milliseconds soundServerTimeLimit{5000};

/// A failure reported by the sound server, with its own description ("Connection refused",
/// "Entity killed", ...).
class SoundServerError : public std::exception {
public:
    enum class Kind {
        unreachable,  ///< no server, or it refused us
        noSuchEntity, ///< the stream or device we named is gone
        timedOut,     ///< the server did not answer within soundServerTimeLimit
        other,
    };
    SoundServerError(Kind kind, QString description)
        : m_kind(kind)
        , m_description(std::move(description))
        , m_utf8(m_description.toStdString()) {}
    Kind kind() const noexcept { return m_kind; }
    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_utf8.c_str(); }

private:
    Kind m_kind;
    QString m_description;
    std::string m_utf8;
};

/// One stream that plays to an output, with what we know of the client behind it.
struct PlaybackStream {
    std::uint32_t index = 0;    ///< the server's id of the stream
    std::int32_t processID = 0; ///< 0 when neither the stream nor its client names one
    QString applicationName;
    QString identifier;  ///< application id, else the process binary
    QString sinkMonitor; ///< the monitor source of the output it plays to
};

/// One stream that records from a source, with the same fallbacks to its client.
struct RecordingStream {
    bool onMonitor = false; ///< records an output's monitor (or an unlisted source), not an input
    std::int32_t processID = 0;
    QString identifier;
};

struct SoundServerSnapshot {
    QString defaultOutputMonitor; ///< monitor source of the default output; empty without one
    QString defaultInput;         ///< the default input source; empty without one
    QList<PlaybackStream> playback;
    QList<RecordingStream> recording;
    QSet<std::int32_t> clientProcesses; ///< processes with a connection to the server
};

struct RecordRequest {
    QString source;                          ///< source name to record from
    std::optional<std::uint32_t> onlyStream; ///< restrict a monitor to this playback stream
    QString name;                            ///< how the stream shows up in sound settings
    /// Only held open, its audio unused: on PulseAudio a monitor stream with a short fragment
    /// keeps its output from rendering seconds ahead, which a stream's own monitor, attached
    /// once the stream is announced, would never hear.
    bool keepsLatencyLow = false;

    bool operator==(const RecordRequest &) const = default;
};

/// A record stream of 16 kHz mono signed 16-bit audio in fragments of at least 100 ms. The server
/// may end it (the device or playback stream went away) but never moves it to another source.
/// The owner may destroy it from inside either callback.
class RecordStream {
public:
    virtual ~RecordStream() = default;
    std::function<void(const AudioBuffer &)> onBuffer;
    /// The running stream failed; the text is the server's description.
    std::function<void(const QString &description)> onFailure;
    /// Returns once audio flows. Throws SoundServerError.
    virtual QCoro::Task<> start() = 0;
    /// Never fails; returns once the server let go of the stream.
    virtual QCoro::Task<> stop() = 0;
};

class SoundServer {
public:
    virtual ~SoundServer() = default;
    /// Throws SoundServerError.
    virtual QCoro::Task<SoundServerSnapshot> snapshot() = 0;
    /// Prepares a stream; nothing flows until start(). Throws SoundServerError.
    virtual std::unique_ptr<RecordStream> recordStream(const RecordRequest &request) = 0;
    /// Calls `onChange` after a device, a default, a playback stream or a client came or went,
    /// for as long as the returned handle is kept. Notices begin with the next query.
    virtual std::shared_ptr<void> watchChanges(std::function<void()> onChange) = 0;
};

} // namespace brindle
