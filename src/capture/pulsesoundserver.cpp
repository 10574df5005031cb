#include "pulsesoundserver.h"

#include "mainthreadwakeup.h"

#include <QHash>
#include <QPointer>

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <set>

namespace brindle {

namespace {

QString proplistValue(const pa_proplist *list, const char *key) {
    const char *value = list ? pa_proplist_gets(list, key) : nullptr;
    return value ? QString::fromUtf8(value) : QString();
}

std::int32_t processOf(const pa_proplist *list) {
    return proplistValue(list, PA_PROP_APPLICATION_PROCESS_ID).toInt();
}

/// The application id, else the process binary.
QString identifierOf(const pa_proplist *list) {
    const QString id = proplistValue(list, PA_PROP_APPLICATION_ID);
    return id.isEmpty() ? proplistValue(list, PA_PROP_APPLICATION_PROCESS_BINARY) : id;
}

SoundServerError::Kind kindOf(int error) {
    switch (error) {
    case PA_ERR_CONNECTIONREFUSED:
    case PA_ERR_ACCESS:
    case PA_ERR_CONNECTIONTERMINATED:
    case PA_ERR_AUTHKEY:
    case PA_ERR_INVALIDSERVER:
        return SoundServerError::Kind::unreachable;
    case PA_ERR_TIMEOUT:
        return SoundServerError::Kind::timedOut;
    case PA_ERR_NOENTITY:
        return SoundServerError::Kind::noSuchEntity;
    default:
        return SoundServerError::Kind::other;
    }
}

SoundServerError errorFrom(int error) {
    return SoundServerError(kindOf(error), QString::fromUtf8(pa_strerror(error)));
}

/// Holds the mainloop lock for a scope.
class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop *loop)
        : m_loop(loop) {
        pa_threaded_mainloop_lock(m_loop);
    }
    ~LoopLock() { pa_threaded_mainloop_unlock(m_loop); }
    LoopLock(const LoopLock &) = delete;
    LoopLock &operator=(const LoopLock &) = delete;

private:
    pa_threaded_mainloop *m_loop;
};

} // namespace

/// Tells the main thread that the server's devices, defaults, streams or clients changed: post()
/// (any thread) makes `changed` fire there. Deleting it drops a post not yet delivered.
class ChangeNotice : public QObject {
    Q_OBJECT
public:
    void post() {
        QMetaObject::invokeMethod(
            this, [this] { emit changed(); }, Qt::QueuedConnection);
    }

Q_SIGNALS:
    void changed();
};

/// One client connection and the thread that runs its mainloop. Every use of the context holds
/// the mainloop lock, and only ever briefly: waits are awaited answers on the main thread.
class PulseConnection {
public:
    PulseConnection()
        : m_loop(pa_threaded_mainloop_new()) {}

    ~PulseConnection() {
        if (m_context) {
            LoopLock lock(m_loop);
            pa_context_set_state_callback(m_context, nullptr, nullptr);
            pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
        }
        pa_threaded_mainloop_stop(m_loop);
        pa_threaded_mainloop_free(m_loop);
    }
    PulseConnection(const PulseConnection &) = delete;
    PulseConnection &operator=(const PulseConnection &) = delete;

    pa_threaded_mainloop *loop() const { return m_loop; }
    pa_context *context() const { return m_context; }
    /// Fires on the main thread when a device, default, stream or client came or went.
    ChangeNotice &changes() { return m_changes; }

    bool isGood() {
        LoopLock lock(m_loop);
        return m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY;
    }

    /// Connects and waits (awaiting, never blocking) until the server accepted us.
    static QCoro::Task<> open(std::shared_ptr<PulseConnection> self) {
        const auto wakeup = MainThreadWakeup::make();
        {
            LoopLock lock(self->m_loop);
            if (const int error = self->connect(); error != PA_OK)
                throw errorFrom(error);
            self->m_waiting.insert(wakeup);
        }
        std::optional<SoundServerError> failure;
        for (const auto deadline = std::chrono::steady_clock::now() + soundServerTimeLimit;;) {
            {
                LoopLock lock(self->m_loop);
                const auto state = pa_context_get_state(self->m_context);
                if (state == PA_CONTEXT_READY) {
                    // Devices, defaults, playback streams and clients (see onEvent for changes).
                    pa_context_set_subscribe_callback(self->m_context, &PulseConnection::onEvent,
                                                      &self->m_changes);
                    if (auto *op = pa_context_subscribe(
                            self->m_context,
                            pa_subscription_mask_t(
                                PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE |
                                PA_SUBSCRIPTION_MASK_SINK_INPUT | PA_SUBSCRIPTION_MASK_CLIENT |
                                PA_SUBSCRIPTION_MASK_SERVER),
                            nullptr, nullptr))
                        pa_operation_unref(op);
                    break;
                }
                if (!PA_CONTEXT_IS_GOOD(state)) {
                    const int error = pa_context_errno(self->m_context);
                    failure = errorFrom(error == PA_OK ? PA_ERR_CONNECTIONREFUSED : error);
                    break;
                }
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            bool changed = false;
            if (left.count() > 0) {
                auto wait = wakeup->wait(left);
                changed = co_await wait;
            }
            if (!changed) {
                failure = errorFrom(PA_ERR_TIMEOUT);
                break;
            }
        }
        {
            LoopLock lock(self->m_loop);
            self->m_waiting.erase(wakeup);
        }
        if (failure)
            throw *failure;
    }

    /// Runs the operations `issue` starts (lock held; their callbacks on `query` post
    /// `query->answer` once all are done) and waits for `query->answer` or the time limit. Throws
    /// SoundServerError.
    template<typename Query, typename Issue>
    static QCoro::Task<> ask(std::shared_ptr<PulseConnection> self, std::shared_ptr<Query> query,
                             Issue issue) {
        std::vector<pa_operation *> ops;
        {
            LoopLock lock(self->m_loop);
            if (pa_context_get_state(self->m_context) != PA_CONTEXT_READY)
                throw errorFrom(PA_ERR_CONNECTIONTERMINATED);
            ops = issue(self->m_context, query.get());
            self->m_waiting.insert(query->answer);
        }
        const bool issued = std::all_of(ops.cbegin(), ops.cend(), [](auto *op) { return op; });
        bool answered = false;
        if (issued) {
            auto wait = query->answer->wait(soundServerTimeLimit);
            answered = co_await wait;
        }
        int error = PA_OK;
        {
            LoopLock lock(self->m_loop);
            self->m_waiting.erase(query->answer);
            // Nothing may call back into `query` once this returns.
            for (auto *op : ops) {
                if (!op)
                    continue;
                if (pa_operation_get_state(op) == PA_OPERATION_RUNNING)
                    pa_operation_cancel(op);
                pa_operation_unref(op);
            }
            if (pa_context_get_state(self->m_context) != PA_CONTEXT_READY)
                error = PA_ERR_CONNECTIONTERMINATED;
            else if (!issued || query->failed)
                error = pa_context_errno(self->m_context);
        }
        if (error != PA_OK || query->failed)
            throw errorFrom(error == PA_OK ? PA_ERR_UNKNOWN : error);
        if (!answered)
            throw errorFrom(PA_ERR_TIMEOUT);
    }

private:
    /// Starts connecting (lock held); the answer comes through the state callback.
    int connect() {
        pa_proplist *props = pa_proplist_new();
        pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Brindle");
        pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "Brindle");
        pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "production");
        m_context =
            pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_loop), "Brindle", props);
        pa_proplist_free(props);
        if (!m_context)
            return PA_ERR_INTERNAL;
        pa_context_set_state_callback(m_context, &PulseConnection::onState, this);
        // Never spawn a server of our own: capturing nothing is better than a private silence.
        if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return pa_context_errno(m_context);
        if (pa_threaded_mainloop_start(m_loop) < 0)
            return PA_ERR_INTERNAL;
        return PA_OK;
    }

    // --- mainloop thread, lock held ---
    static void onState(pa_context *, void *data) {
        // Wakes every waiter: a connection that failed answers nothing more.
        for (const auto &answer : static_cast<PulseConnection *>(data)->m_waiting)
            answer->post();
    }

    static void onEvent(pa_context *, pa_subscription_event_type_t event, std::uint32_t,
                        void *data) {
        const auto facility = event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        const auto type = event & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        // A playback stream's change may be its move to another output, or (on PipeWire) its
        // first link to one; other changes (volumes, ports) say nothing the capture follows.
        if (facility == PA_SUBSCRIPTION_EVENT_SERVER ||
            facility == PA_SUBSCRIPTION_EVENT_SINK_INPUT || type != PA_SUBSCRIPTION_EVENT_CHANGE)
            static_cast<ChangeNotice *>(data)->post();
    }

    pa_threaded_mainloop *m_loop;
    pa_context *m_context = nullptr;
    ChangeNotice m_changes;
    std::set<std::shared_ptr<MainThreadWakeup>> m_waiting; // lock held
};

namespace {

/// The lists a snapshot is made of, filled on the mainloop thread.
struct SnapshotQuery {
    struct Client {
        std::int32_t processID = 0;
        QString name, identifier;
    };
    struct Output {
        std::uint32_t source, client;
        RecordingStream stream;
    };

    std::shared_ptr<MainThreadWakeup> answer = MainThreadWakeup::make();
    int pending = 6;
    bool failed = false;
    QString defaultSink, defaultSource;
    QHash<QString, QString> monitorBySinkName;
    QHash<std::uint32_t, QString> monitorBySinkIndex;
    QHash<std::uint32_t, bool> sourceIsMonitor;
    QHash<std::uint32_t, Client> clients;
    QList<std::pair<PlaybackStream, std::uint32_t>> inputs; // with the sink index
    QList<std::uint32_t> inputClients;
    QList<Output> outputs;

    /// One list is complete (or failed).
    void done(int eol) {
        if (eol < 0)
            failed = true;
        if (--pending == 0 || failed)
            answer->post();
    }

    static std::vector<pa_operation *> issue(pa_context *context, SnapshotQuery *q) {
        return {
            pa_context_get_server_info(
                context,
                [](pa_context *, const pa_server_info *info, void *data) {
                    auto *q = static_cast<SnapshotQuery *>(data);
                    if (info) {
                        q->defaultSink = QString::fromUtf8(info->default_sink_name);
                        q->defaultSource = QString::fromUtf8(info->default_source_name);
                    }
                    q->done(info ? 1 : -1);
                },
                q),
            pa_context_get_sink_info_list(
                context,
                [](pa_context *, const pa_sink_info *info, int eol, void *data) {
                    auto *q = static_cast<SnapshotQuery *>(data);
                    if (eol != 0 || !info)
                        return q->done(eol);
                    const auto monitor = QString::fromUtf8(info->monitor_source_name);
                    q->monitorBySinkName.insert(QString::fromUtf8(info->name), monitor);
                    q->monitorBySinkIndex.insert(info->index, monitor);
                },
                q),
            pa_context_get_source_info_list(
                context,
                [](pa_context *, const pa_source_info *info, int eol, void *data) {
                    auto *q = static_cast<SnapshotQuery *>(data);
                    if (eol != 0 || !info)
                        return q->done(eol);
                    q->sourceIsMonitor.insert(info->index,
                                              info->monitor_of_sink != PA_INVALID_INDEX);
                },
                q),
            pa_context_get_client_info_list(
                context,
                [](pa_context *, const pa_client_info *info, int eol, void *data) {
                    auto *q = static_cast<SnapshotQuery *>(data);
                    if (eol != 0 || !info)
                        return q->done(eol);
                    Client client{processOf(info->proplist),
                                  proplistValue(info->proplist, PA_PROP_APPLICATION_NAME),
                                  identifierOf(info->proplist)};
                    if (client.name.isEmpty() && info->name)
                        client.name = QString::fromUtf8(info->name);
                    q->clients.insert(info->index, client);
                },
                q),
            pa_context_get_sink_input_info_list(
                context,
                [](pa_context *, const pa_sink_input_info *info, int eol, void *data) {
                    auto *q = static_cast<SnapshotQuery *>(data);
                    if (eol != 0 || !info)
                        return q->done(eol);
                    PlaybackStream stream{info->index, processOf(info->proplist),
                                          proplistValue(info->proplist, PA_PROP_APPLICATION_NAME),
                                          identifierOf(info->proplist), QString()};
                    q->inputs.append({stream, info->sink});
                    q->inputClients.append(info->client);
                },
                q),
            pa_context_get_source_output_info_list(
                context,
                [](pa_context *, const pa_source_output_info *info, int eol, void *data) {
                    auto *q = static_cast<SnapshotQuery *>(data);
                    if (eol != 0 || !info)
                        return q->done(eol);
                    q->outputs.append(
                        {info->source,
                         info->client,
                         {false, processOf(info->proplist), identifierOf(info->proplist)}});
                },
                q),
        };
    }

    /// The snapshot, the client's facts standing in for what a stream does not name.
    SoundServerSnapshot result() const {
        SoundServerSnapshot snapshot;
        snapshot.defaultOutputMonitor = monitorBySinkName.value(defaultSink);
        snapshot.defaultInput = defaultSource;
        for (qsizetype i = 0; i < inputs.size(); ++i) {
            auto [stream, sink] = inputs[i];
            const auto client = clients.value(inputClients[i]);
            if (stream.processID <= 0)
                stream.processID = client.processID;
            if (stream.applicationName.isEmpty())
                stream.applicationName = client.name;
            if (stream.identifier.isEmpty())
                stream.identifier = client.identifier;
            stream.sinkMonitor = monitorBySinkIndex.value(sink);
            snapshot.playback.append(stream);
        }
        for (auto [source, clientIndex, stream] : outputs) {
            const auto client = clients.value(clientIndex);
            // A stream on a source that was not listed is taken for a monitor: no guess counts.
            stream.onMonitor = sourceIsMonitor.value(source, true);
            if (stream.processID <= 0)
                stream.processID = client.processID;
            if (stream.identifier.isEmpty())
                stream.identifier = client.identifier;
            snapshot.recording.append(stream);
        }
        for (const auto &client : clients) {
            if (client.processID > 0)
                snapshot.clientProcesses.insert(client.processID);
        }
        return snapshot;
    }
};

} // namespace

/// A record stream. Its pulse callbacks run on the mainloop thread and only post to this object,
/// which lives on the main thread; detach() under the lock guarantees no callback runs after it.
class PulseRecordStream final : public QObject, public RecordStream {
    Q_OBJECT
public:
    static constexpr std::size_t fragmentBytes = captureFragmentSamples * sizeof(std::int16_t);

    PulseRecordStream(PulseSoundServer &server, RecordRequest request)
        : m_server(&server)
        , m_request(std::move(request)) {}
    ~PulseRecordStream() override {
        detach();
        m_settledWakeup->post(); // a start still waiting finds the stream gone
    }

    QCoro::Task<> start() override {
        QPointer<PulseRecordStream> self(this);
        QPointer<PulseSoundServer> server = m_server;
        m_server = nullptr;
        if (!server || m_stopped)
            throw SoundServerError(SoundServerError::Kind::other, QStringLiteral("Stream stopped"));
        auto connection = co_await server->connection();
        if (!self || m_stopped)
            throw SoundServerError(SoundServerError::Kind::other, QStringLiteral("Stream stopped"));
        m_connection = std::move(connection);
        if (const int error = connectRecord(); error != PA_OK) {
            detach();
            throw errorFrom(error);
        }
        bool inTime = m_settled;
        if (!inTime) {
            const auto wakeup = m_settledWakeup;
            auto wait = wakeup->wait(soundServerTimeLimit);
            inTime = co_await wait;
        }
        if (!self)
            throw SoundServerError(SoundServerError::Kind::other, QStringLiteral("Stream stopped"));
        if (!inTime) {
            detach();
            throw errorFrom(PA_ERR_TIMEOUT);
        }
        if (m_startError != PA_OK) {
            const int error = m_startError;
            detach();
            throw errorFrom(error);
        }
    }

    QCoro::Task<> stop() override {
        m_stopped = true;
        detach();
        settle(PA_ERR_KILLED);
        co_return;
    }

private:
    /// Creates and connects the pa_stream; the answer arrives through the state callback.
    int connectRecord() {
        const auto loop = m_connection->loop();
        auto *context = m_connection->context();
        LoopLock lock(loop);
        if (pa_context_get_state(context) != PA_CONTEXT_READY)
            return PA_ERR_CONNECTIONTERMINATED;
        const pa_sample_spec format{PA_SAMPLE_S16LE, std::uint32_t(captureSampleRate), 1};
        m_stream = pa_stream_new(context, m_request.name.toUtf8().constData(), &format, nullptr);
        if (!m_stream)
            return pa_context_errno(context);
        if (m_request.onlyStream &&
            pa_stream_set_monitor_stream(m_stream, *m_request.onlyStream) < 0)
            return pa_context_errno(context);
        pa_stream_set_state_callback(m_stream, &PulseRecordStream::onState, this);
        pa_stream_set_read_callback(m_stream, &PulseRecordStream::onRead, this);
        pa_buffer_attr attr;
        attr.maxlength = std::uint32_t(-1);
        attr.fragsize = std::uint32_t(fragmentBytes);
        attr.tlength = attr.prebuf = attr.minreq = std::uint32_t(-1);
        // The server must end the stream rather than move it: a moved stream records the wrong
        // audio (the microphone, or a device nobody listens to) without a word.
        if (pa_stream_connect_record(
                m_stream, m_request.source.toUtf8().constData(), &attr,
                pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE)) < 0)
            return pa_context_errno(context);
        return PA_OK;
    }

    void detach() {
        if (!m_stream)
            return;
        LoopLock lock(m_connection->loop());
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_read_callback(m_stream, nullptr, nullptr);
        if (PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream)))
            pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }

    // --- mainloop thread, lock held ---
    static void onState(pa_stream *stream, void *data) {
        auto *self = static_cast<PulseRecordStream *>(data);
        const auto state = pa_stream_get_state(stream);
        if (state == PA_STREAM_READY) {
            QMetaObject::invokeMethod(
                self, [self] { self->settle(PA_OK); }, Qt::QueuedConnection);
        } else if (state == PA_STREAM_FAILED) {
            const int error = pa_context_errno(pa_stream_get_context(stream));
            QMetaObject::invokeMethod(
                self, [self, error] { self->fail(error == PA_OK ? PA_ERR_UNKNOWN : error); },
                Qt::QueuedConnection);
        }
    }

    static void onRead(pa_stream *stream, std::size_t, void *data) {
        auto *self = static_cast<PulseRecordStream *>(data);
        const void *bytes = nullptr;
        std::size_t size = 0;
        while (pa_stream_readable_size(stream) > 0) {
            if (pa_stream_peek(stream, &bytes, &size) < 0 || size == 0)
                return;
            if (bytes)
                self->m_pending.append(static_cast<const char *>(bytes), qsizetype(size));
            else // a hole in the stream: keep the timeline with silence
                self->m_pending.append(qsizetype(size), '\0');
            pa_stream_drop(stream);
        }
        if (std::size_t(self->m_pending.size()) < fragmentBytes)
            return;
        QByteArray chunk;
        chunk.swap(self->m_pending);
        QMetaObject::invokeMethod(
            self, [self, chunk] { self->deliver(chunk); }, Qt::QueuedConnection);
    }

    // --- main thread ---
    void settle(int error) {
        if (m_settled)
            return;
        m_settled = true;
        m_startError = error;
        m_settledWakeup->post();
    }

    void fail(int error) {
        if (m_stopped)
            return; // a failure posted before the stop is no news to its owner
        if (!m_settled) {
            settle(error);
            return;
        }
        detach();
        if (onFailure)
            onFailure(QString::fromUtf8(pa_strerror(error)));
    }

    void deliver(const QByteArray &chunk) {
        if (m_stream && onBuffer)
            onBuffer(AudioBuffer{chunk});
    }

    QPointer<PulseSoundServer> m_server;
    RecordRequest m_request;
    std::shared_ptr<PulseConnection> m_connection;
    pa_stream *m_stream = nullptr;
    QByteArray m_pending; // mainloop thread only
    bool m_settled = false;
    std::shared_ptr<MainThreadWakeup> m_settledWakeup = MainThreadWakeup::make();
    bool m_stopped = false;
    int m_startError = PA_OK;
};

PulseSoundServer::PulseSoundServer(QObject *parent)
    : QObject(parent)
    , m_watchers(std::make_shared<std::vector<std::weak_ptr<std::function<void()>>>>()) {}

PulseSoundServer::~PulseSoundServer() = default;

QCoro::Task<std::shared_ptr<PulseConnection>> PulseSoundServer::connection() {
    QPointer<PulseSoundServer> self(this);
    if (m_connection && m_connection->isGood()) {
        // A copy: g++ 12 moves a member named in co_return, which would drop the connection.
        auto current = m_connection;
        co_return current;
    }
    auto opened = std::make_shared<PulseConnection>();
    QObject::connect(&opened->changes(), &ChangeNotice::changed, this,
                     &PulseSoundServer::notifyChanged);
    co_await PulseConnection::open(opened);
    if (self)
        self->m_connection = opened;
    co_return opened;
}

QCoro::Task<SoundServerSnapshot> PulseSoundServer::snapshot() {
    QPointer<PulseSoundServer> self(this);
    auto connection = co_await this->connection();
    auto query = std::make_shared<SnapshotQuery>();
    try {
        co_await PulseConnection::ask(connection, query, &SnapshotQuery::issue);
    } catch (const SoundServerError &) {
        // A server that stopped answering gets a fresh connection next time.
        if (self && self->m_connection == connection)
            self->m_connection.reset();
        throw;
    }
    co_return query->result();
}

std::unique_ptr<RecordStream> PulseSoundServer::recordStream(const RecordRequest &request) {
    return std::make_unique<PulseRecordStream>(*this, request);
}

std::shared_ptr<void> PulseSoundServer::watchChanges(std::function<void()> onChange) {
    auto watcher = std::make_shared<std::function<void()>>(std::move(onChange));
    auto &list = *m_watchers;
    std::erase_if(list, [](const auto &weak) { return weak.expired(); });
    list.push_back(watcher);
    return watcher;
}

void PulseSoundServer::notifyChanged() {
    const auto watchers = *m_watchers; // a watcher may add or drop watchers
    for (const auto &weak : watchers) {
        if (const auto watcher = weak.lock())
            (*watcher)();
    }
}

} // namespace brindle

#include "pulsesoundserver.moc"
