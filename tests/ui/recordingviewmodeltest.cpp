#include "recordingviewmodel.h"
#include "encodedmedia.h"
#include "filetree.h"
#include "recordingsession.h"
#include "scriptedrecognizer.h"
#include "sessionfakes.h"
#include "systemscheduler.h"
#include "testregistry.h"
#include "wavfile.h"

#include <memory>

using namespace brindle;
using namespace brindle::test;
using namespace Qt::Literals::StringLiterals;

class RecordingViewModelTest : public QObject {
    Q_OBJECT

    FileTree m_files;

    // A recording's checks answer at once in real time; the session's run on the rig's clock.
    struct Rig : SessionRig {
        SystemScheduler checkerTime;
        FakeChecker recordingChecker{checkerTime};
        std::shared_ptr<QStringList> sentences = std::make_shared<QStringList>(
            QStringList{u"The bridge opened in 1932."_s, u"The tower opened in 1889."_s});
        RecordingSession recording{settings, recordingChecker, [this] {
                                       return std::make_unique<ScriptedRecognizer>(sentences);
                                   }};
        RecordingViewModel view{recording, store};

        Rig() { recordingChecker.delay = Duration::zero(); }
    };

private Q_SLOTS:
    void checksAFileAndKeepsItsResultsWhenTheNextCannotBeRead() {
        Rig rig;
        rig.view.checkRecording(m_files.file(u"talk.wav"_s, wavBytes(utterances(2))));
        QVERIFY(rig.view.isRunning());
        QVERIFY(!rig.view.canStart());
        QTRY_VERIFY(!rig.view.isRunning());

        const auto findings = rig.view.findings();
        QCOMPARE(findings.size(), 2);
        // Each claim is placed where its utterance ended: after 3 s and after 6 s.
        QCOMPARE(findings[0].toMap()[u"quote"_s], u"The bridge opened in 1932."_s);
        QCOMPARE(findings[0].toMap()[u"position"_s], u"00:03"_s);
        QCOMPARE(findings[1].toMap()[u"position"_s], u"00:06"_s);
        QCOMPARE(rig.view.fileName(), u"talk.wav"_s);
        QCOMPARE(rig.view.progressText(),
                 u"00:06 / 00:07 \u00B7 2 claims found \u00B7 2 checks done"_s);
        QVERIFY(rig.view.error().isEmpty());

        rig.view.checkRecording(m_files.file(u"notes.mp3"_s, "Meeting notes, not audio.\n"));
        QTRY_VERIFY(!rig.view.isRunning());
        QVERIFY2(rig.view.error().startsWith(u"Could not read \u201Cnotes.mp3\u201D as audio"_s),
                 qPrintable(rig.view.error()));
        QCOMPARE(rig.view.findings(), findings);
        QCOMPARE(rig.view.fileName(), u"talk.wav"_s);
        QVERIFY(rig.view.canStart());
    }

    // The window decodes through the same path as the tool: every format reaches findings.
    void eachFormatIsCheckedFromTheWindow_data() { addMediaFormatRows(); }
    void eachFormatIsCheckedFromTheWindow() {
        Rig rig;
        m_files.file(u"tones.wav"_s, wavBytes(utterances(2)));
        const auto recording = encodedForThisRow(m_files.path(u"tones.wav"_s), m_files.path());
        QVERIFY(!recording.isEmpty());
        rig.view.checkRecording(QUrl::fromLocalFile(recording));
        QTRY_VERIFY(!rig.view.isRunning());
        QVERIFY2(rig.view.error().isEmpty(), qPrintable(rig.view.error()));
        QCOMPARE(rig.view.findings().size(), 2);
    }

    void aRecordingAndListeningNeverRunTogether() {
        Rig rig;
        rig.sentences->clear(); // the recording never ends by itself
        const auto recording = m_files.file(u"talk.wav"_s, wavBytes(utterances(2)));
        rig.view.checkRecording(recording);
        QVERIFY(rig.view.isRunning());
        QVERIFY(!rig.startSession());
        QCOMPARE(rig.capture.starts, 0);
        QVERIFY(!rig.store.errorText().isEmpty());

        rig.view.cancel();
        QVERIFY(!rig.view.isRunning());
        QVERIFY(rig.view.canStart());
        QVERIFY(rig.startSession());
        QVERIFY(!rig.view.canStart());
        rig.view.checkRecording(recording);
        QVERIFY(!rig.view.isRunning());
        QCOMPARE(rig.view.error(), RecordingSession::liveSessionRunningMessage());
    }
};

BRINDLE_REGISTER_TEST(RecordingViewModelTest);
#include "recordingviewmodeltest.moc"
