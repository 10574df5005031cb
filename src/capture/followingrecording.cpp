#include "followingrecording.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>

namespace brindle {

namespace {

bool serverItself(const SoundServerError &error) {
    return error.kind() == SoundServerError::Kind::unreachable ||
           error.kind() == SoundServerError::Kind::timedOut;
}

QCoro::Task<> stopAndDrop(std::shared_ptr<RecordStream> stream) {
    co_await stream->stop();
}

} // namespace

QCoro::Task<std::optional<SoundServerError>> startStream(std::shared_ptr<RecordStream> stream) {
    try {
        co_await stream->start();
    } catch (const SoundServerError &error) {
        co_return error;
    }
    co_return std::nullopt;
}

void retire(std::shared_ptr<RecordStream> stream) {
    if (!stream)
        return;
    stopAndDrop(stream);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [stream] {}, Qt::QueuedConnection);
}

FollowingRecording::FollowingRecording(Scheduler &scheduler, SoundServer &server, Plan plan,
                                       Gone gone, QString goneDescription,
                                       SoundServerSnapshot current)
    : m_scheduler(scheduler)
    , m_server(server)
    , m_plan(std::move(plan))
    , m_gone(std::move(gone))
    , m_goneDescription(std::move(goneDescription))
    , m_current(std::move(current)) {}

FollowingRecording::~FollowingRecording() {
    m_running = false;
    for (auto &[key, piece] : m_pieces) {
        piece.stream->onBuffer = nullptr;
        piece.stream->onFailure = nullptr;
        retire(piece.stream);
    }
}

QCoro::Task<> FollowingRecording::start() {
    QPointer<FollowingRecording> self(this);
    m_running = true;
    m_watch = m_server.watchChanges([self] {
        if (self && self->m_running) {
            self->m_dirty = true;
            self->refresh();
        }
    });
    const auto failure = co_await follow(m_current);
    if (failure && self) {
        m_running = false;
        m_watch.reset();
    }
    if (failure)
        throw *failure;
    if (self && m_running) {
        m_lastEmitted = m_scheduler.monotonic();
        armSilence();
    }
}

QCoro::Task<> FollowingRecording::stop() {
    m_running = false;
    m_watch.reset();
    m_silence.cancel();
    auto pieces = std::exchange(m_pieces, {});
    for (auto &[key, piece] : pieces)
        co_await piece.stream->stop();
}

QList<RecordRequest> FollowingRecording::openStreams() const {
    QList<RecordRequest> open;
    for (const auto &[key, piece] : m_pieces)
        open.append(piece.request);
    return open;
}

QCoro::Task<> FollowingRecording::refresh() {
    if (m_refreshing)
        co_return; // the running pass looks again once it is done
    QPointer<FollowingRecording> self(this);
    m_refreshing = true;
    while (self && m_running && m_dirty) {
        m_dirty = false;
        std::optional<SoundServerSnapshot> content;
        std::optional<SoundServerError> failure;
        try {
            content = co_await m_server.snapshot();
        } catch (const SoundServerError &error) {
            failure = error;
        }
        if (!self || !m_running)
            co_return;
        if (failure) {
            fail(failure->description());
            break;
        }
        const auto followFailure = co_await follow(*content);
        if (!self || !m_running)
            co_return;
        if (followFailure && serverItself(*followFailure)) {
            fail(followFailure->description());
            break;
        }
    }
    if (self)
        m_refreshing = false;
}

QCoro::Task<std::optional<SoundServerError>>
FollowingRecording::follow(SoundServerSnapshot content) {
    QPointer<FollowingRecording> self(this);
    if (m_gone && m_gone(content)) {
        fail(m_goneDescription);
        co_return std::nullopt;
    }
    const auto wanted = m_plan(content);
    std::vector<std::uint64_t> unwanted;
    for (const auto &[key, piece] : m_pieces) {
        if (!wanted.contains(piece.request))
            unwanted.push_back(key);
    }
    for (const auto key : unwanted)
        close(key);

    // New streams take their place (and their callbacks) before they start, so no early audio
    // is dropped and a pass that runs meanwhile sees them; they all start at once.
    bool opened = false;
    std::vector<std::pair<std::uint64_t, QCoro::Task<std::optional<SoundServerError>>>> starting;
    for (const auto &request : wanted) {
        if (std::any_of(m_pieces.cbegin(), m_pieces.cend(),
                        [&](const auto &entry) { return entry.second.request == request; })) {
            opened = true;
            continue;
        }
        std::shared_ptr<RecordStream> stream = m_server.recordStream(request);
        const auto key = m_nextKey++;
        if (!request.keepsLatencyLow) {
            m_mixer.add(key);
            stream->onBuffer = [self, key](const AudioBuffer &buffer) {
                if (self && self->m_pieces.contains(key))
                    self->emitMixed(self->m_mixer.push(key, buffer.data));
            };
        }
        // A closed stream may still deliver what was posted before it stopped, even to a
        // recording that is gone by then.
        stream->onFailure = [self, key](const QString &) {
            if (self)
                self->lost(key);
        };
        m_pieces.emplace(key, Piece{request, stream});
        starting.emplace_back(key, startStream(stream));
    }
    std::optional<SoundServerError> firstFailure;
    for (auto &[key, task] : starting) {
        auto &started = task;
        const auto failure = co_await started;
        if (!self || !m_running)
            co_return std::nullopt;
        if (!failure) {
            opened = opened || m_pieces.contains(key);
            continue;
        }
        // A stream that ended while we opened it is simply not there any more; a server that
        // fails or stays silent ends the recording.
        close(key);
        if (!firstFailure)
            firstFailure = failure;
    }
    if (firstFailure && (!opened || serverItself(*firstFailure)))
        co_return firstFailure;
    co_return std::nullopt;
}

void FollowingRecording::close(std::uint64_t key) {
    const auto it = m_pieces.find(key);
    if (it == m_pieces.end())
        return;
    // Its callbacks stay (this may run inside one); they ignore a key that is no longer open.
    auto stream = std::move(it->second.stream);
    m_pieces.erase(it);
    emitMixed(m_mixer.remove(key));
    retire(std::move(stream));
}

void FollowingRecording::lost(std::uint64_t key) {
    // The server ended one of our streams (its device or playback stream went away): look again.
    if (!m_pieces.contains(key))
        return;
    close(key);
    if (!m_running)
        return;
    m_dirty = true;
    refresh();
}

void FollowingRecording::fail(const QString &description) {
    if (!m_running)
        return;
    m_running = false;
    m_watch.reset();
    m_silence.cancel();
    for (auto &[key, piece] : std::exchange(m_pieces, {}))
        retire(piece.stream);
    if (onFailure)
        onFailure(description);
}

void FollowingRecording::emitMixed(const QByteArray &samples) {
    if (samples.isEmpty())
        return;
    m_lastEmitted = m_scheduler.monotonic();
    if (onBuffer)
        onBuffer(AudioBuffer{samples});
}

void FollowingRecording::armSilence() {
    m_silence = m_scheduler.callAfter(silenceTick, [this] {
        armSilence();
        fillSilence();
    });
}

void FollowingRecording::fillSilence() {
    const auto quiet = m_scheduler.monotonic() - m_lastEmitted;
    if (quiet < (m_mixer.isEmpty() ? silenceTick : quietLimit))
        return;
    const auto samples = std::min<qsizetype>(
        captureSampleRate * std::chrono::duration_cast<std::chrono::milliseconds>(quiet).count() /
            1000,
        captureSampleRate * 2);
    emitMixed(QByteArray(samples * qsizetype(sizeof(std::int16_t)), '\0'));
}

} // namespace brindle
