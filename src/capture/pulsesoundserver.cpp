#include "pulsesoundserver.h"

#include <QCoroSignal>
#include <QHash>
#include <QObject>
#include <QPointer>

#include <pulse/pulseaudio.h>

#include <variant>

namespace brindle {

namespace {

QString proplistValue(const pa_proplist *list, const char *key) {
    const char *value = list ? pa_proplist_gets(list, key) : nullptr;
    return value ? QString::fromUtf8(value) : QString();
}

SoundServerError::Kind kindOf(int error) {
    switch (error) {
    case PA_ERR_CONNECTIONREFUSED:
    case PA_ERR_ACCESS:
    case PA_ERR_CONNECTIONTERMINATED:
    case PA_ERR_AUTHKEY:
    case PA_ERR_INVALIDSERVER:
    case PA_ERR_TIMEOUT:
        return SoundServerError::Kind::unreachable;
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

/// One client connection and the thread that runs its mainloop. Every use of `context` holds the
/// mainloop lock. Never destroyed on the mainloop's own thread (no pulse callback owns one).
class PulseConnection {
public:
    using Opened = std::variant<std::shared_ptr<PulseConnection>, SoundServerError>;
    using Snapshot = std::variant<SoundServerSnapshot, SoundServerError>;

    /// Blocks until connected or refused.
    static Opened open() {
        auto connection = std::shared_ptr<PulseConnection>(new PulseConnection);
        const int error = connection->connect();
        if (error != PA_OK)
            return errorFrom(error);
        return connection;
    }

    ~PulseConnection() {
        if (m_context) {
            {
                LoopLock lock(m_loop);
                pa_context_set_state_callback(m_context, nullptr, nullptr);
                pa_context_disconnect(m_context);
                pa_context_unref(m_context);
            }
        }
        pa_threaded_mainloop_stop(m_loop);
        pa_threaded_mainloop_free(m_loop);
    }

    pa_threaded_mainloop *loop() const { return m_loop; }
    pa_context *context() const { return m_context; }

    bool isGood() {
        LoopLock lock(m_loop);
        return pa_context_get_state(m_context) == PA_CONTEXT_READY;
    }

    /// Blocks until the server answered every query.
    Snapshot snapshot() {
        struct Client {
            std::int32_t processID = 0;
            QString name, identifier;
        };
        struct Query {
            pa_threaded_mainloop *loop;
            int pending = 4;
            QString defaultSink, defaultSource;
            QHash<QString, QString> monitorBySinkName;
            QHash<std::uint32_t, QString> monitorBySinkIndex;
            QHash<std::uint32_t, Client> clients;
            QList<std::pair<PlaybackStream, std::uint32_t>> inputs; // with client index
        } query{m_loop};

        LoopLock lock(m_loop);
        pa_operation *ops[4] = {
            pa_context_get_server_info(
                m_context,
                [](pa_context *, const pa_server_info *info, void *data) {
                    auto *q = static_cast<Query *>(data);
                    if (info) {
                        q->defaultSink = QString::fromUtf8(info->default_sink_name);
                        q->defaultSource = QString::fromUtf8(info->default_source_name);
                    }
                    --q->pending;
                    pa_threaded_mainloop_signal(q->loop, 0);
                },
                &query),
            pa_context_get_sink_info_list(
                m_context,
                [](pa_context *, const pa_sink_info *info, int eol, void *data) {
                    auto *q = static_cast<Query *>(data);
                    if (eol) {
                        --q->pending;
                        pa_threaded_mainloop_signal(q->loop, 0);
                        return;
                    }
                    const auto monitor = QString::fromUtf8(info->monitor_source_name);
                    q->monitorBySinkName.insert(QString::fromUtf8(info->name), monitor);
                    q->monitorBySinkIndex.insert(info->index, monitor);
                },
                &query),
            pa_context_get_client_info_list(
                m_context,
                [](pa_context *, const pa_client_info *info, int eol, void *data) {
                    auto *q = static_cast<Query *>(data);
                    if (eol) {
                        --q->pending;
                        pa_threaded_mainloop_signal(q->loop, 0);
                        return;
                    }
                    Client client;
                    client.processID =
                        proplistValue(info->proplist, PA_PROP_APPLICATION_PROCESS_ID).toInt();
                    client.name = proplistValue(info->proplist, PA_PROP_APPLICATION_NAME);
                    if (client.name.isEmpty() && info->name)
                        client.name = QString::fromUtf8(info->name);
                    client.identifier = proplistValue(info->proplist, PA_PROP_APPLICATION_ID);
                    if (client.identifier.isEmpty())
                        client.identifier =
                            proplistValue(info->proplist, PA_PROP_APPLICATION_PROCESS_BINARY);
                    q->clients.insert(info->index, client);
                },
                &query),
            pa_context_get_sink_input_info_list(
                m_context,
                [](pa_context *, const pa_sink_input_info *info, int eol, void *data) {
                    auto *q = static_cast<Query *>(data);
                    if (eol) {
                        --q->pending;
                        pa_threaded_mainloop_signal(q->loop, 0);
                        return;
                    }
                    PlaybackStream stream;
                    stream.index = info->index;
                    stream.processID =
                        proplistValue(info->proplist, PA_PROP_APPLICATION_PROCESS_ID).toInt();
                    stream.applicationName =
                        proplistValue(info->proplist, PA_PROP_APPLICATION_NAME);
                    stream.identifier = proplistValue(info->proplist, PA_PROP_APPLICATION_ID);
                    if (stream.identifier.isEmpty())
                        stream.identifier =
                            proplistValue(info->proplist, PA_PROP_APPLICATION_PROCESS_BINARY);
                    // Remember the sink by index in the name field until the sinks are known.
                    stream.sinkMonitor = QString::number(info->sink);
                    q->inputs.append({stream, info->client});
                },
                &query),
        };
        bool failed = false;
        for (auto *op : ops) {
            if (!op)
                failed = true;
        }
        if (failed) {
            for (auto *op : ops) {
                if (op) {
                    pa_operation_cancel(op);
                    pa_operation_unref(op);
                }
            }
            return errorFrom(pa_context_errno(m_context));
        }
        while (query.pending > 0) {
            if (pa_context_get_state(m_context) != PA_CONTEXT_READY) {
                for (auto *op : ops) {
                    pa_operation_cancel(op);
                    pa_operation_unref(op);
                }
                return errorFrom(PA_ERR_CONNECTIONTERMINATED);
            }
            pa_threaded_mainloop_wait(m_loop);
        }
        for (auto *op : ops)
            pa_operation_unref(op);

        SoundServerSnapshot snapshot;
        snapshot.defaultOutputMonitor = query.monitorBySinkName.value(query.defaultSink);
        snapshot.defaultInput = query.defaultSource;
        for (auto [stream, clientIndex] : query.inputs) {
            const auto client = query.clients.value(clientIndex);
            if (stream.processID <= 0)
                stream.processID = client.processID;
            if (stream.applicationName.isEmpty())
                stream.applicationName = client.name;
            if (stream.identifier.isEmpty())
                stream.identifier = client.identifier;
            stream.sinkMonitor = query.monitorBySinkIndex.value(stream.sinkMonitor.toUInt());
            snapshot.playback.append(stream);
        }
        return snapshot;
    }

private:
    PulseConnection()
        : m_loop(pa_threaded_mainloop_new()) {}

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
        pa_context_set_state_callback(
            m_context,
            [](pa_context *, void *loop) {
                pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop *>(loop), 0);
            },
            m_loop);
        if (pa_threaded_mainloop_start(m_loop) < 0)
            return PA_ERR_INTERNAL;
        LoopLock lock(m_loop);
        // Never spawn a server of our own: capturing nothing is better than a private silence.
        if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return pa_context_errno(m_context);
        for (;;) {
            const auto state = pa_context_get_state(m_context);
            if (state == PA_CONTEXT_READY)
                return PA_OK;
            if (!PA_CONTEXT_IS_GOOD(state)) {
                const int error = pa_context_errno(m_context);
                return error == PA_OK ? PA_ERR_CONNECTIONREFUSED : error;
            }
            pa_threaded_mainloop_wait(m_loop);
        }
    }

    pa_threaded_mainloop *m_loop;
    pa_context *m_context = nullptr;
};

/// A record stream. Its pulse callbacks run on the mainloop thread and only post to this object,
/// which lives on the main thread; detach() under the lock guarantees no callback runs after it.
class PulseRecordStream final : public QObject, public RecordStream {
    Q_OBJECT
public:
    static constexpr std::size_t fragmentBytes = captureFragmentSamples * sizeof(std::int16_t);

    PulseRecordStream(PulseSoundServer &server, RecordRequest request)
        : m_server(&server)
        , m_request(std::move(request)) {}
    ~PulseRecordStream() override { detach(); }

    QCoro::Task<> start() override {
        QPointer<PulseRecordStream> self(this);
        auto *server = m_server;
        m_server = nullptr;
        if (!server || m_stopped)
            throw SoundServerError(SoundServerError::Kind::other, QStringLiteral("Stream stopped"));
        m_connection = server->connection();
        if (const int error = connectRecord(); error != PA_OK) {
            detach();
            throw errorFrom(error);
        }
        if (!m_settled)
            co_await qCoro(this, &PulseRecordStream::settled);
        if (!self)
            co_return;
        if (m_startError != PA_OK) {
            const int error = m_startError;
            detach();
            throw errorFrom(error);
        }
    }

    QCoro::Task<> stop() override {
        m_stopped = true;
        detach();
        if (!m_settled) {
            m_settled = true;
            m_startError = PA_ERR_KILLED;
            emit settled();
        }
        co_return;
    }

Q_SIGNALS:
    void settled();

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
        if (pa_stream_connect_record(m_stream, m_request.source.toUtf8().constData(), &attr,
                                     PA_STREAM_ADJUST_LATENCY) < 0)
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
        emit settled();
    }

    void fail(int error) {
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

    PulseSoundServer *m_server;
    RecordRequest m_request;
    std::shared_ptr<PulseConnection> m_connection;
    pa_stream *m_stream = nullptr;
    QByteArray m_pending; // mainloop thread only
    bool m_settled = false;
    bool m_stopped = false;
    int m_startError = PA_OK;
};

PulseSoundServer::PulseSoundServer() = default;
PulseSoundServer::~PulseSoundServer() = default;

std::shared_ptr<PulseConnection> PulseSoundServer::connection() {
    if (m_connection && m_connection->isGood())
        return m_connection;
    auto opened = PulseConnection::open();
    if (auto *error = std::get_if<SoundServerError>(&opened))
        throw SoundServerError(*error);
    m_connection = std::get<std::shared_ptr<PulseConnection>>(std::move(opened));
    return m_connection;
}

QCoro::Task<SoundServerSnapshot> PulseSoundServer::snapshot() {
    // A local server answers within milliseconds; without a server the connect fails at once.
    auto result = connection()->snapshot();
    if (auto *error = std::get_if<SoundServerError>(&result))
        throw SoundServerError(*error);
    co_return SoundServerSnapshot(std::get<SoundServerSnapshot>(std::move(result)));
}

std::unique_ptr<RecordStream> PulseSoundServer::recordStream(const RecordRequest &request) {
    return std::make_unique<PulseRecordStream>(*this, request);
}

void PulseSoundServer::withConnection(
    const std::function<void(pa_threaded_mainloop *, pa_context *)> &query) {
    const auto open = connection();
    LoopLock lock(open->loop());
    query(open->loop(), open->context());
}

} // namespace brindle

#include "pulsesoundserver.moc"
