#include "encodedmedia.h"

#include <QDir>
#include <QProcess>

namespace brindle::test {

using namespace Qt::Literals::StringLiterals;

namespace {

struct Format {
    const char *name;
    QString suffix;
    QString pipeline; ///< %1 the WAV, %2 the file written; empty: the WAV itself
};

QList<Format> formats() {
    const auto speech = u"filesrc location=%1 ! wavparse ! audioconvert ! audioresample ! "_s;
    // A few frames of pictures beside the sound, with the muxer named first so both link.
    const auto video = [&](const QString &muxer, const QString &audio, const QString &pictures) {
        return muxer + u" name=m ! filesink location=%2 "_s + speech + audio +
               u" ! queue ! m. videotestsrc num-buffers=300 ! "
               "video/x-raw,width=64,height=48,framerate=4/1 ! "_s +
               pictures + u" ! queue ! m."_s;
    };
    return {
        {"wav", u"wav"_s, QString()},
        {"mp3", u"mp3"_s, speech + u"lamemp3enc ! filesink location=%2"_s},
        {"ogg vorbis", u"ogg"_s, speech + u"vorbisenc ! oggmux ! filesink location=%2"_s},
        {"ogg opus", u"opus"_s, speech + u"opusenc ! oggmux ! filesink location=%2"_s},
        {"flac", u"flac"_s, speech + u"flacenc ! filesink location=%2"_s},
        {"m4a aac", u"m4a"_s, speech + u"avenc_aac ! mp4mux ! filesink location=%2"_s},
        // Fragmented: this muxer writes a plain MP4 of MPEG-4 video and AAC that its own demuxer
        // rejects.
        {"mp4 video", u"mp4"_s,
         video(u"mp4mux fragment-duration=1000"_s, u"avenc_aac"_s, u"avenc_mpeg4"_s)},
        {"webm video", u"webm"_s, video(u"webmmux"_s, u"opusenc"_s, u"vp8enc deadline=1"_s)},
    };
}

} // namespace

QList<std::pair<const char *, QString>> mediaFormats() {
    QList<std::pair<const char *, QString>> names;
    for (const auto &format : formats())
        names.append({format.name, format.suffix});
    return names;
}

QString encodedAs(const QString &suffix, const QString &wav, const QString &directory) {
    for (const auto &format : formats()) {
        if (format.suffix != suffix)
            continue;
        if (format.pipeline.isEmpty())
            return wav;
        const auto file = QDir(directory).filePath(u"speech."_s + suffix);
        return gstLaunch(format.pipeline.arg(wav, file)) ? file : QString();
    }
    return {};
}

bool gstLaunch(const QString &pipeline) {
    QProcess gst;
    gst.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    gst.start(u"gst-launch-1.0"_s, QStringList{u"-q"_s} + QProcess::splitCommand(pipeline));
    return gst.waitForFinished(60000) && gst.exitCode() == 0;
}

} // namespace brindle::test
