/**
 * @file
 * The sound server through libpulse (PulseAudio, or PipeWire's pulse server). One connection with
 * its threaded mainloop is opened on first use and reopened after it fails. Record streams post
 * their buffers and failures to the main thread. Connecting and querying block the calling thread
 * for the few milliseconds a local server takes; the server object must outlive the streams it
 * made.
 */
#pragma once

#include "soundserver.h"

#include <functional>
#include <memory>

struct pa_context;
struct pa_threaded_mainloop;

namespace brindle {

class PulseConnection;

class PulseSoundServer final : public SoundServer {
public:
    PulseSoundServer();
    ~PulseSoundServer() override;

    QCoro::Task<SoundServerSnapshot> snapshot() override;
    std::unique_ptr<RecordStream> recordStream(const RecordRequest &request) override;

    /// For queries beyond the capture's own (call detection): runs `query` on the open
    /// connection, opening one when needed, with the mainloop lock held. The query may wait on
    /// the mainloop. Throws SoundServerError.
    void withConnection(const std::function<void(pa_threaded_mainloop *, pa_context *)> &query);

private:
    friend class PulseRecordStream;
    /// The open connection, opening one when there is none or the last one failed. Throws
    /// SoundServerError.
    std::shared_ptr<PulseConnection> connection();

    std::shared_ptr<PulseConnection> m_connection;
};

} // namespace brindle
