/**
 * @file
 * The sound server through libpulse (PulseAudio, or PipeWire's pulse server). One connection with
 * its threaded mainloop is opened on first use and reopened after it fails or stops answering.
 * Nothing here blocks the calling thread: the mainloop thread only fills in answers and posts them
 * to the main thread, where every wait is an awaited signal with `soundServerTimeLimit`. Record
 * streams are made so that the server cannot move them. The server object must outlive the
 * streams it made. Main thread only.
 */
#pragma once

#include "soundserver.h"

#include <QObject>

#include <memory>

namespace brindle {

class PulseConnection;

class PulseSoundServer final : public QObject, public SoundServer {
    Q_OBJECT
public:
    explicit PulseSoundServer(QObject *parent = nullptr);
    ~PulseSoundServer() override;

    QCoro::Task<SoundServerSnapshot> snapshot() override;
    std::unique_ptr<RecordStream> recordStream(const RecordRequest &request) override;
    std::shared_ptr<void> watchChanges(std::function<void()> onChange) override;

private:
    friend class PulseRecordStream;
    /// The open connection, opening one when there is none or the last one failed. Throws
    /// SoundServerError.
    QCoro::Task<std::shared_ptr<PulseConnection>> connection();
    void notifyChanged();

    std::shared_ptr<PulseConnection> m_connection;
    std::shared_ptr<std::vector<std::weak_ptr<std::function<void()>>>> m_watchers;
};

} // namespace brindle
