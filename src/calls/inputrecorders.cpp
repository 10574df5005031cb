#include "inputrecorders.h"

#include "pulsesoundserver.h"

#include <memory>
#include <unistd.h>

namespace brindle {

QStringList inputRecorderIdentifiers(const QList<RecordingStream> &streams,
                                     std::int32_t ownProcessID) {
    QStringList ids;
    for (const auto &stream : streams) {
        if (stream.onMonitor || stream.processID == ownProcessID || stream.identifier.isEmpty())
            continue;
        ids.append(stream.identifier);
    }
    return ids;
}

QCoro::Task<QStringList> inputRecorderIdentifiers(SoundServer &server) {
    try {
        const auto content = co_await server.snapshot();
        co_return inputRecorderIdentifiers(content.recording, std::int32_t(::getpid()));
    } catch (const SoundServerError &) {
        co_return QStringList();
    }
}

namespace {

/// Keeps the server alive for as long as the query runs.
QCoro::Task<QStringList> askServer(std::shared_ptr<PulseSoundServer> server) {
    co_return co_await inputRecorderIdentifiers(*server);
}

} // namespace

CallDetector::Probe soundServerInputProbe() {
    auto server = std::make_shared<PulseSoundServer>();
    return [server] { return askServer(server); };
}

} // namespace brindle
