/**
 * @file
 * Speech the recognizer can hear, and recordings of it in each format Brindle reads (WAV, MP3, Ogg
 * Vorbis and Opus, FLAC, M4A with AAC, the sound of MP4 and WebM video), made at test time with
 * flite and gst-launch-1.0.
 */
#pragma once

#include <QDir>
#include <QProcess>
#include <QTest>

namespace brindle::test {

/// `text` spoken into a 16 kHz mono WAV, by the 16 kHz voice: the recognizer hears the 8 kHz
/// default one poorly.
inline bool speak(const QString &text, const QString &wavPath) {
    return QProcess::execute(QStringLiteral("flite"),
                             {QStringLiteral("-voice"), QStringLiteral("kal16"),
                              QStringLiteral("-t"), text, QStringLiteral("-o"), wavPath}) == 0;
}

/// Runs a gst-launch-1.0 pipeline to its end; false when it fails or takes over a minute.
inline bool gstLaunch(const QString &pipeline) {
    QProcess gst;
    gst.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    gst.start(QStringLiteral("gst-launch-1.0"),
              QStringList{QStringLiteral("-q")} + QProcess::splitCommand(pipeline));
    return gst.waitForFinished(60000) && gst.exitCode() == 0;
}

/// A table row per format: its "suffix" and its "pipeline" (%1 the WAV, %2 the file; empty: the
/// WAV itself).
inline void addMediaFormatRows() {
    using namespace Qt::Literals::StringLiterals;
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("pipeline");
    const auto speech = u"filesrc location=%1 ! wavparse ! audioconvert ! audioresample ! "_s;
    // A few frames of pictures beside the sound, with the muxer named first so both link.
    const auto video = [&](const QString &muxer, const QString &audio, const QString &pictures) {
        return muxer + u" name=m ! filesink location=%2 "_s + speech + audio +
               u" ! queue ! m. videotestsrc num-buffers=300 ! "
               "video/x-raw,width=64,height=48,framerate=4/1 ! "_s +
               pictures + u" ! queue ! m."_s;
    };
    QTest::newRow("wav") << u"wav"_s << QString();
    QTest::newRow("mp3") << u"mp3"_s << speech + u"lamemp3enc ! filesink location=%2"_s;
    QTest::newRow("ogg vorbis") << u"ogg"_s
                                << speech + u"vorbisenc ! oggmux ! filesink location=%2"_s;
    QTest::newRow("ogg opus") << u"opus"_s << speech + u"opusenc ! oggmux ! filesink location=%2"_s;
    QTest::newRow("flac") << u"flac"_s << speech + u"flacenc ! filesink location=%2"_s;
    QTest::newRow("m4a aac") << u"m4a"_s << speech + u"avenc_aac ! mp4mux ! filesink location=%2"_s;
    // Fragmented: this muxer writes a plain MP4 of MPEG-4 video and AAC that its own demuxer
    // rejects.
    QTest::newRow("mp4 video") << u"mp4"_s
                               << video(u"mp4mux fragment-duration=1000"_s, u"avenc_aac"_s,
                                        u"avenc_mpeg4"_s);
    QTest::newRow("webm video") << u"webm"_s
                                << video(u"webmmux"_s, u"opusenc"_s, u"vp8enc deadline=1"_s);
}

/// `wav` encoded as the current row says, into `directory`; "" when encoding fails.
inline QString encodedForThisRow(const QString &wav, const QString &directory) {
    QFETCH(QString, suffix);
    QFETCH(QString, pipeline);
    if (pipeline.isEmpty())
        return wav;
    const auto file = QDir(directory).filePath(QStringLiteral("speech.") + suffix);
    return gstLaunch(pipeline.arg(wav, file)) ? file : QString();
}

} // namespace brindle::test
