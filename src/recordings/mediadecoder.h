/**
 * @file
 * Decodes the audio of any file GStreamer reads (WAV, MP3, Ogg, FLAC, M4A, the sound of MP4 or
 * WebM video...) to 16 kHz mono signed 16-bit samples, as fast as the machine allows, on a thread
 * of its own. Decoding runs at most `aheadSeconds` ahead of what the owner has released, so a long
 * file never sits in memory whole. Every handler runs on the main thread, posted; none runs after
 * the decoder is destroyed, which stops and joins its thread.
 */
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace brindle {

class MediaDecoder {
public:
    static constexpr double aheadSeconds = 120;

    struct Handlers {
        std::function<void(QByteArray samples)> onAudio;
        std::function<void(double seconds)> onDuration; ///< once, when the length is known
        std::function<void()> onEnd;                    ///< every sample has been delivered
        std::function<void(QString message)> onError;   ///< decoding stopped; names the file
    };

    MediaDecoder(QString path, Handlers handlers);
    ~MediaDecoder();
    MediaDecoder(const MediaDecoder &) = delete;
    MediaDecoder &operator=(const MediaDecoder &) = delete;

    /// The owner is done with this many samples; decoding may run that much further ahead.
    void release(qint64 samples);

    /// "Could not read “NAME” as audio: DETAIL"
    static QString failureMessage(const QString &path, const QString &detail);

private:
    class Worker;
    std::unique_ptr<QObject> m_postTarget;
    std::shared_ptr<Worker> m_worker;
};

} // namespace brindle
