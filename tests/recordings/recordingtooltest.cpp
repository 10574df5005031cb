#include "encodedmedia.h"
#include "fakeproviderserver.h"
#include "filetree.h"
#include "researchreply.h"
#include "testregistry.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>

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

    FileTree m_dir;
    FakeProviderServer m_server;
    QString m_speech;

    Run checkRecording(const QString &file) {
        QProcess tool;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), m_dir.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.path(u"config"_s));
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
        m_server.setReply("/v1/kestrun",
                          {200, QByteArray("{\"answers\":{\"checkable\":{\"noul\":0.8}}}")});
        // Every claim is answered at once, as itself: no sources, so no page is fetched.
        m_server.setResponder("/v1/responses", [](const RecordedRequest &request) {
            return FakeReply{200, researchReply(requestedClaim(request.body),
                                                QStringLiteral("unresolved"), {}, {})};
        });
        // Two claims a minute apart.
        const auto first = m_dir.path(u"first.wav"_s);
        const auto second = m_dir.path(u"second.wav"_s);
        QVERIFY(speak(u"The Eiffel Tower was finished in eighteen eighty nine."_s, first));
        QVERIFY(speak(u"The Golden Gate Bridge opened in nineteen thirty two."_s, second));
        m_speech = m_dir.path(u"speech.wav"_s);
        QVERIFY(gstLaunch(u"concat name=c ! audioconvert ! wavenc ! filesink location=%1 "
                          "filesrc location=%2 ! wavparse ! c. "
                          "audiotestsrc wave=silence samplesperbuffer=16000 num-buffers=62 ! "
                          "audio/x-raw,rate=16000,channels=1,format=S16LE ! c. "
                          "filesrc location=%3 ! wavparse ! c."_s.arg(m_speech, first, second)));
    }

    void everyFormatIsCheckedInRecordingOrder_data() { addMediaFormatRows(); }

    void everyFormatIsCheckedInRecordingOrder() {
        const QString file = encodedForThisRow(m_speech, m_dir.path());
        QVERIFY(!file.isEmpty());
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

    // A file that is not what its name says: exit 1 naming it, and nothing sent to a provider.
    void undecodableFileIsNamedAndNothingIsChecked() {
        const auto notes = QByteArray("These are meeting notes, not audio.\n").repeated(40);
        const auto file = m_dir.file(u"notes.mp3"_s, notes).toLocalFile();
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
