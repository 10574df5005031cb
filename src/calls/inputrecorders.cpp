#include "inputrecorders.h"

#include "pulsesoundserver.h"

#include <QHash>

#include <pulse/pulseaudio.h>

#include <memory>
#include <unistd.h>

namespace brindle {

namespace {

QString property(const pa_proplist *list, const char *key) {
    const char *value = list ? pa_proplist_gets(list, key) : nullptr;
    return value ? QString::fromUtf8(value) : QString();
}

std::int32_t processOf(const pa_proplist *list) {
    return property(list, PA_PROP_APPLICATION_PROCESS_ID).toInt();
}

QString identifierOf(const pa_proplist *list) {
    const QString id = property(list, PA_PROP_APPLICATION_ID);
    return id.isEmpty() ? property(list, PA_PROP_APPLICATION_PROCESS_BINARY) : id;
}

struct Client {
    std::int32_t processID = 0;
    QString identifier;
};

struct Stream {
    std::uint32_t source = PA_INVALID_INDEX;
    std::uint32_t client = PA_INVALID_INDEX;
    std::int32_t processID = 0;
    QString identifier;
};

/// The three lists, filled on the mainloop thread while the caller waits.
struct Query {
    pa_threaded_mainloop *loop = nullptr;
    int pending = 3;
    bool failed = false;
    QHash<std::uint32_t, bool> sourceIsMonitor;
    QHash<std::uint32_t, Client> clients;
    QList<Stream> streams;

    void finish(int eol) {
        if (eol < 0)
            failed = true;
        --pending;
        pa_threaded_mainloop_signal(loop, 0);
    }
};

void onSource(pa_context *, const pa_source_info *info, int eol, void *data) {
    auto *query = static_cast<Query *>(data);
    if (eol != 0 || !info)
        return query->finish(eol);
    query->sourceIsMonitor.insert(info->index, info->monitor_of_sink != PA_INVALID_INDEX);
}

void onClient(pa_context *, const pa_client_info *info, int eol, void *data) {
    auto *query = static_cast<Query *>(data);
    if (eol != 0 || !info)
        return query->finish(eol);
    query->clients.insert(info->index, {processOf(info->proplist), identifierOf(info->proplist)});
}

void onSourceOutput(pa_context *, const pa_source_output_info *info, int eol, void *data) {
    auto *query = static_cast<Query *>(data);
    if (eol != 0 || !info)
        return query->finish(eol);
    query->streams.append(
        {info->source, info->client, processOf(info->proplist), identifierOf(info->proplist)});
}

/// Runs with the mainloop lock held; false when the server failed us.
bool collect(pa_threaded_mainloop *loop, pa_context *context, Query &query) {
    query.loop = loop;
    pa_operation *ops[] = {
        pa_context_get_source_info_list(context, onSource, &query),
        pa_context_get_client_info_list(context, onClient, &query),
        pa_context_get_source_output_info_list(context, onSourceOutput, &query),
    };
    bool ok = true;
    for (auto *op : ops)
        ok = ok && op;
    while (ok && query.pending > 0) {
        if (pa_context_get_state(context) != PA_CONTEXT_READY) {
            ok = false;
            break;
        }
        pa_threaded_mainloop_wait(loop);
    }
    for (auto *op : ops) {
        if (!op)
            continue;
        // Nothing may call back into `query` once it is gone.
        if (pa_operation_get_state(op) == PA_OPERATION_RUNNING)
            pa_operation_cancel(op);
        pa_operation_unref(op);
    }
    return ok && !query.failed;
}

} // namespace

QStringList inputRecorderIdentifiers(const QList<RecordingStreamFacts> &streams,
                                     std::int32_t ownProcessID) {
    QStringList ids;
    for (const auto &stream : streams) {
        if (stream.onMonitor)
            continue;
        const auto processID = stream.processID > 0 ? stream.processID : stream.clientProcessID;
        if (processID == ownProcessID)
            continue;
        const QString id =
            stream.identifier.isEmpty() ? stream.clientIdentifier : stream.identifier;
        if (!id.isEmpty())
            ids.append(id);
    }
    return ids;
}

QStringList inputRecorderIdentifiers(PulseSoundServer &server) {
    Query query;
    bool ok = false;
    try {
        server.withConnection([&](pa_threaded_mainloop *loop, pa_context *context) {
            ok = collect(loop, context, query);
        });
    } catch (const SoundServerError &) {
        return {};
    }
    if (!ok)
        return {};
    QList<RecordingStreamFacts> facts;
    for (const auto &stream : query.streams) {
        // A stream on a source that was not listed is taken for a monitor: no guess counts.
        const auto client = query.clients.value(stream.client);
        facts.append({query.sourceIsMonitor.value(stream.source, true), stream.processID,
                      stream.identifier, client.processID, client.identifier});
    }
    return inputRecorderIdentifiers(facts, std::int32_t(::getpid()));
}

CallDetector::Probe soundServerInputProbe() {
    auto server = std::make_shared<PulseSoundServer>();
    return [server] { return inputRecorderIdentifiers(*server); };
}

} // namespace brindle
