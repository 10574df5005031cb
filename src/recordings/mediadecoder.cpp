#include "mediadecoder.h"

#include "audiobuffer.h"

#include <QFileInfo>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace brindle {

namespace {

constexpr qint64 aheadSamples = qint64(MediaDecoder::aheadSeconds * captureSampleRate);
constexpr GstClockTime pullStep = 100 * GST_MSECOND;

QString errorText(GError *error) {
    return error && error->message ? QString::fromUtf8(error->message).trimmed()
                                   : QStringLiteral("unknown error");
}

// uridecodebin exposes a pad per stream; audio goes on to the converter, anything else (the
// pictures of a video, subtitles) into a fakesink so its demuxer is never stalled.
void linkDecodedPad(GstElement *decodebin, GstPad *pad, gpointer converter) {
    GstCaps *caps = gst_pad_get_current_caps(pad);
    if (!caps)
        caps = gst_pad_query_caps(pad, nullptr);
    const gchar *name = caps && gst_caps_get_size(caps) > 0
                            ? gst_structure_get_name(gst_caps_get_structure(caps, 0))
                            : "";
    const bool audio = g_str_has_prefix(name, "audio/x-raw");
    if (caps)
        gst_caps_unref(caps);
    GstPad *sink = nullptr;
    if (audio) {
        sink = gst_element_get_static_pad(GST_ELEMENT(converter), "sink");
        if (gst_pad_is_linked(sink)) { // a second audio stream: the first one is the recording
            gst_object_unref(sink);
            sink = nullptr;
        }
    }
    if (!sink) {
        GstElement *discard = gst_element_factory_make("fakesink", nullptr);
        g_object_set(discard, "sync", FALSE, "async", FALSE, nullptr);
        gst_bin_add(GST_BIN(GST_ELEMENT_PARENT(decodebin)), discard);
        gst_element_sync_state_with_parent(discard);
        sink = gst_element_get_static_pad(discard, "sink");
    }
    gst_pad_link(pad, sink);
    gst_object_unref(sink);
}

} // namespace

class MediaDecoder::Worker {
public:
    Worker(QString path, Handlers handlers, QObject *target)
        : m_path(std::move(path))
        , m_handlers(std::make_shared<const Handlers>(std::move(handlers)))
        , m_target(target)
        , m_thread([this] { run(); }) {}

    ~Worker() {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    void release(qint64 samples) {
        {
            std::lock_guard lock(m_mutex);
            m_outstanding -= samples;
        }
        m_wake.notify_all();
    }

private:
    void run() {
        if (!gst_is_initialized())
            gst_init(nullptr, nullptr);
        if (!QFileInfo(m_path).isFile()) {
            fail(QStringLiteral("the file does not exist or is not a regular file"));
            return;
        }
        GstElement *pipeline = gst_pipeline_new("recording");
        GstElement *source = gst_element_factory_make("uridecodebin", nullptr);
        GstElement *convert = gst_element_factory_make("audioconvert", nullptr);
        GstElement *resample = gst_element_factory_make("audioresample", nullptr);
        GstElement *sink = gst_element_factory_make("appsink", nullptr);
        if (!pipeline || !source || !convert || !resample || !sink) {
            for (GstElement *e : {pipeline, source, convert, resample, sink})
                if (e)
                    gst_object_unref(e);
            fail(QStringLiteral("the GStreamer base plug-ins are not installed"));
            return;
        }
        gchar *uri = gst_filename_to_uri(QFile::encodeName(m_path).constData(), nullptr);
        GstCaps *audioOnly = gst_caps_from_string("audio/x-raw");
        // Video and other streams stay undecoded: only raw audio is worth the work.
        g_object_set(source, "uri", uri, "caps", audioOnly, nullptr);
        gst_caps_unref(audioOnly);
        g_free(uri);
        GstCaps *wanted = gst_caps_new_simple(
            "audio/x-raw", "format", G_TYPE_STRING, "S16LE", "rate", G_TYPE_INT, captureSampleRate,
            "channels", G_TYPE_INT, 1, "layout", G_TYPE_STRING, "interleaved", nullptr);
        g_object_set(sink, "caps", wanted, "sync", FALSE, "max-buffers", 8, nullptr);
        gst_caps_unref(wanted);
        gst_bin_add_many(GST_BIN(pipeline), source, convert, resample, sink, nullptr);
        gst_element_link_many(convert, resample, sink, nullptr);
        g_signal_connect(source, "pad-added", G_CALLBACK(linkDecodedPad), convert);

        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        pump(pipeline, GST_APP_SINK(sink));
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
    }

    void pump(GstElement *pipeline, GstAppSink *sink) {
        GstBus *bus = gst_element_get_bus(pipeline);
        qint64 delivered = 0;
        bool durationSent = false;
        for (;;) {
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_quit || m_outstanding < aheadSamples; });
                if (m_quit)
                    break;
            }
            if (GstMessage *message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
                GError *error = nullptr;
                gst_message_parse_error(message, &error, nullptr);
                fail(errorText(error));
                g_clear_error(&error);
                gst_message_unref(message);
                break;
            }
            if (GstSample *sample = gst_app_sink_try_pull_sample(sink, pullStep)) {
                GstMapInfo map;
                GstBuffer *buffer = gst_sample_get_buffer(sample);
                if (buffer && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
                    QByteArray samples(reinterpret_cast<const char *>(map.data),
                                       qsizetype(map.size & ~gsize(1)));
                    gst_buffer_unmap(buffer, &map);
                    const qint64 count = samples.size() / 2;
                    delivered += count;
                    {
                        std::lock_guard lock(m_mutex);
                        m_outstanding += count;
                    }
                    post([samples](const Handlers &h) {
                        if (h.onAudio)
                            h.onAudio(samples);
                    });
                }
                gst_sample_unref(sample);
                if (!durationSent) {
                    gint64 length = 0;
                    if (gst_element_query_duration(pipeline, GST_FORMAT_TIME, &length) &&
                        length > 0) {
                        durationSent = true;
                        const double seconds = double(length) / double(GST_SECOND);
                        post([seconds](const Handlers &h) {
                            if (h.onDuration)
                                h.onDuration(seconds);
                        });
                    }
                }
                continue;
            }
            if (gst_app_sink_is_eos(sink)) {
                if (delivered == 0)
                    fail(QStringLiteral("it holds no audio"));
                else
                    post([](const Handlers &h) {
                        if (h.onEnd)
                            h.onEnd();
                    });
                break;
            }
        }
        gst_object_unref(bus);
    }

    void fail(const QString &detail) {
        const QString message = failureMessage(m_path, detail);
        post([message](const Handlers &h) {
            if (h.onError)
                h.onError(message);
        });
    }

    template<typename Call>
    void post(Call call) {
        QMetaObject::invokeMethod(
            m_target, [handlers = m_handlers, call = std::move(call)] { call(*handlers); },
            Qt::QueuedConnection);
    }

    QString m_path;
    std::shared_ptr<const Handlers> m_handlers;
    QObject *m_target;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_quit = false;
    qint64 m_outstanding = 0;
    std::thread m_thread; // last: starts once everything above exists
};

MediaDecoder::MediaDecoder(QString path, Handlers handlers)
    : m_postTarget(std::make_unique<QObject>()) {
    m_worker = std::make_shared<Worker>(std::move(path), std::move(handlers), m_postTarget.get());
}

MediaDecoder::~MediaDecoder() {
    m_worker.reset();     // joins the thread
    m_postTarget.reset(); // and drops what it posted but was not yet delivered
}

void MediaDecoder::release(qint64 samples) {
    m_worker->release(samples);
}

QString MediaDecoder::failureMessage(const QString &path, const QString &detail) {
    return QStringLiteral("Could not read \u201C%1\u201D as audio: %2.")
        .arg(QFileInfo(path).fileName(), detail.endsWith(u'.') ? detail.chopped(1) : detail);
}

} // namespace brindle
