#include "fakeproviderserver.h"
#include "researchreply.h"
#include "testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace brindle::test;
using namespace Qt::Literals::StringLiterals;

namespace {

struct Run {
    int exitCode = -1;
    QList<QJsonObject> findings;
    QString errors;
};

} // namespace

class RecordingToolTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    FakeProviderServer m_server;
    QString m_speech;

    bool gstLaunch(const QString &pipeline) {
        QProcess gst;
        gst.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        gst.start(QStringLiteral("gst-launch-1.0"),
                  QStringList{QStringLiteral("-q")} + QProcess::splitCommand(pipeline));
        return gst.waitForFinished(60000) && gst.exitCode() == 0;
    }

    bool flite(const QString &text, const QString &path) {
        // The 16 kHz voice: the recognizer hears the 8 kHz default one poorly.
        return QProcess::execute(QStringLiteral("flite"),
                                 {u"-voice"_s, u"kal16"_s, u"-t"_s, text, u"-o"_s, path}) == 0;
    }

    Run checkRecording(const QString &file) {
        QProcess tool;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), m_dir.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(u"config"_s));
        tool.setProcessEnvironment(environment);
        QSignalSpy done(&tool, &QProcess::finished);
        tool.start(QStringLiteral(BRINDLE_TOOL),
                   {u"check-recording"_s, u"--mode"_s, u"web"_s, u"--key"_s, u"selka=s"_s,
                    u"--key"_s, u"research=r"_s, u"--key"_s, u"openrouter=o"_s, u"--endpoint"_s,
                    u"research="_s + m_server.url(u"/v1/responses"_s).toString(), u"--endpoint"_s,
                    u"selection="_s + m_server.url(u"/v1/kestrun"_s).toString(), file});
        // The fake provider answers from this thread, so wait with the event loop running.
        if (!done.wait(240000))
            tool.kill();
        Run run;
        run.exitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
        const QByteArray output = tool.readAllStandardOutput();
        run.errors = QString::fromUtf8(tool.readAllStandardError() + output);
        for (const auto &line : output.split('\n')) {
            if (!line.isEmpty())
                run.findings.append(QJsonDocument::fromJson(line).object());
        }
        return run;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_server.setReply("/v1/kestrun",
                          {200, QByteArray("{\"answers\":{\"checkable\":{\"noul\":0.8}}}")});
        // Every claim is answered at once, as itself: no sources, so no page is fetched.
        m_server.setResponder("/v1/responses", [](const RecordedRequest &request) {
            return FakeReply{200, researchReply(claimOfResearchRequest(request.body),
                                                QStringLiteral("unresolved"), {}, {})};
        });
        // Two claims a minute apart.
        const auto first = m_dir.filePath(u"first.wav"_s);
        const auto second = m_dir.filePath(u"second.wav"_s);
        QVERIFY(flite(u"The Eiffel Tower was finished in eighteen eighty nine."_s, first));
        QVERIFY(flite(u"The Golden Gate Bridge opened in nineteen thirty two."_s, second));
        m_speech = m_dir.filePath(u"speech.wav"_s);
        QVERIFY(gstLaunch(u"concat name=c ! audioconvert ! wavenc ! filesink location=%1 "
                          "filesrc location=%2 ! wavparse ! c. "
                          "audiotestsrc wave=silence samplesperbuffer=16000 num-buffers=62 ! "
                          "audio/x-raw,rate=16000,channels=1,format=S16LE ! c. "
                          "filesrc location=%3 ! wavparse ! c."_s.arg(m_speech, first, second)));
    }

    void everyFormatIsCheckedInRecordingOrder_data() {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("pipeline"); // %1 the speech, %2 the file; empty: the WAV
        const auto speech = u"filesrc location=%1 ! wavparse ! audioconvert ! audioresample ! "_s;
        // A few frames of pictures beside the sound, with the muxer named first so both link.
        const auto video = [&](const QString &muxer, const QString &audio,
                               const QString &pictures) {
            return muxer + u" name=m ! filesink location=%2 "_s + speech + audio +
                   u" ! queue ! m. videotestsrc num-buffers=300 ! "
                   "video/x-raw,width=64,height=48,framerate=4/1 ! "_s +
                   pictures + u" ! queue ! m."_s;
        };
        QTest::newRow("wav") << u"wav"_s << QString();
        QTest::newRow("mp3") << u"mp3"_s << speech + u"lamemp3enc ! filesink location=%2"_s;
        QTest::newRow("ogg vorbis")
            << u"ogg"_s << speech + u"vorbisenc ! oggmux ! filesink location=%2"_s;
        QTest::newRow("ogg opus") << u"opus"_s
                                  << speech + u"opusenc ! oggmux ! filesink location=%2"_s;
        QTest::newRow("flac") << u"flac"_s << speech + u"flacenc ! filesink location=%2"_s;
        QTest::newRow("m4a aac") << u"m4a"_s
                                 << speech + u"avenc_aac ! mp4mux ! filesink location=%2"_s;
        // Fragmented: this muxer writes a plain MP4 of MPEG-4 video and AAC that its own
        // demuxer rejects.
        QTest::newRow("mp4 video")
            << u"mp4"_s
            << video(u"mp4mux fragment-duration=1000"_s, u"avenc_aac"_s, u"avenc_mpeg4"_s);
        QTest::newRow("webm video")
            << u"webm"_s << video(u"webmmux"_s, u"opusenc"_s, u"vp8enc deadline=1"_s);
    }

    void everyFormatIsCheckedInRecordingOrder() {
        QFETCH(QString, suffix);
        QFETCH(QString, pipeline);
        QString file = m_speech;
        if (!pipeline.isEmpty()) {
            file = m_dir.filePath(u"speech."_s + suffix);
            QVERIFY(gstLaunch(pipeline.arg(m_speech, file)));
        }
        const Run run = checkRecording(file);
        QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
        // Each sentence is heard at its end: about 4 s in, and about 4 + 62 + 4 s in. Lossy
        // encodings may cut a sentence into more than one claim; the order and places hold.
        QStringList places;
        for (const auto &finding : run.findings) {
            places.append(finding[u"at"_s].toString());
            QCOMPARE(finding[u"verdict"_s].toString(), u"unresolved"_s);
            QVERIFY(finding[u"sources"_s].isArray());
        }
        QVERIFY2(std::is_sorted(places.begin(), places.end()), qPrintable(places.join(u' ')));
        const auto heard = [&](const QString &word, const QString &from, const QString &to) {
            return std::any_of(run.findings.begin(), run.findings.end(), [&](const auto &f) {
                const auto at = f[u"at"_s].toString();
                return f[u"claim"_s].toString().contains(word) && at >= from && at <= to;
            });
        };
        QVERIFY2(heard(u"tower"_s, u"00:01"_s, u"00:06"_s), qPrintable(run.errors));
        QVERIFY2(heard(u"bridge"_s, u"01:08"_s, u"01:14"_s), qPrintable(run.errors));
    }

    void undecodableFileIsNamedAndNothingIsChecked() {
        const auto file = m_dir.filePath(u"notes.mp3"_s);
        QFile text(file);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write(QByteArray("These are meeting notes, not audio.\n").repeated(40));
        text.close();
        const auto before = m_server.requests().size();
        const Run run = checkRecording(file);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.findings.isEmpty());
        QVERIFY2(run.errors.contains(u"Could not read \u201Cnotes.mp3\u201D as audio"_s),
                 qPrintable(run.errors));
        QCOMPARE(m_server.requests().size(), before);
    }
};

BRINDLE_REGISTER_TEST(RecordingToolTest);
#include "recordingtooltest.moc"
