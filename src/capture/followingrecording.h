/**
 * @file
 * A recording that stays on what the user chose while the sound server changes under it. For each
 * snapshot of the server, `plan` names the server streams that make up the choice (the default
 * output's monitor, the default input, or one monitor stream per playback stream of a process);
 * the recording opens what is new, closes what went and mixes what is open into one channel.
 * The server's change notices, and the end of any of its streams, make it look again. While
 * nothing plays (no stream is open, or the open ones deliver nothing for `quietLimit`) it gives
 * silence, so the listener's timeline goes on: speech ends, and the quiet shows. It fails only
 * when the server fails or `gone` says the choice is gone for good. The server and the scheduler
 * must outlive it. Main thread only.
 */
#pragma once

#include "scheduler.h"
#include "soundserver.h"
#include "streammixer.h"

#include <QObject>

#include <functional>
#include <map>
#include <memory>

namespace brindle {

/// Stops `stream` now and lets it go once the event loop comes round: whoever drops a stream may
/// be running inside one of its callbacks.
void retire(std::shared_ptr<RecordStream> stream);
/// Starts `stream`; its failure comes back as a value, so the caller checks its own state first.
QCoro::Task<std::optional<SoundServerError>> startStream(std::shared_ptr<RecordStream> stream);

class FollowingRecording final : public QObject, public RecordStream {
    Q_OBJECT
public:
    using Plan = std::function<QList<RecordRequest>(const SoundServerSnapshot &)>;
    using Gone = std::function<bool(const SoundServerSnapshot &)>;

    /// `current` is the snapshot the first streams are opened from; `goneDescription` is the
    /// failure's text when `gone` answers true.
    /// How often silence is given while no stream is open.
    static constexpr Duration silenceTick = std::chrono::milliseconds(100);
    /// How long open streams may deliver nothing before that counts as silence.
    static constexpr Duration quietLimit = std::chrono::seconds(1);

    FollowingRecording(Scheduler &scheduler, SoundServer &server, Plan plan, Gone gone,
                       QString goneDescription, SoundServerSnapshot current);
    ~FollowingRecording() override;

    /// Opens the streams the current snapshot names (none is fine). Throws the first stream's
    /// SoundServerError when streams were named and none of them could be opened, or when the
    /// server did not answer.
    QCoro::Task<> start() override;
    QCoro::Task<> stop() override;

    /// The server streams open right now (for tests and tools).
    QList<RecordRequest> openStreams() const;

private:
    struct Piece {
        RecordRequest request;
        std::shared_ptr<RecordStream> stream;
    };

    QCoro::Task<> refresh();
    /// Opens the planned streams not open yet; returns the first failure when none opened.
    QCoro::Task<std::optional<SoundServerError>> follow(SoundServerSnapshot content);
    void close(std::uint64_t key);
    void lost(std::uint64_t key);
    void fail(const QString &description);
    void emitMixed(const QByteArray &samples);
    void armSilence();
    void fillSilence();

    Scheduler &m_scheduler;
    SoundServer &m_server;
    Plan m_plan;
    Gone m_gone;
    QString m_goneDescription;
    SoundServerSnapshot m_current;
    std::shared_ptr<void> m_watch;
    std::map<std::uint64_t, Piece> m_pieces;
    std::uint64_t m_nextKey = 1;
    StreamMixer m_mixer;
    bool m_running = false;
    bool m_refreshing = false;
    bool m_dirty = false;
    Duration m_lastEmitted{};
    TimerHandle m_silence;
};

} // namespace brindle
