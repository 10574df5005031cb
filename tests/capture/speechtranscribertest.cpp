// The transcriber's segment, flush and buffering rules in virtual time with a scripted recognizer.
#include "speechtranscriber.h"
#include "capturefakes.h"
#include "testregistry.h"
#include "virtualscheduler.h"

using namespace brindle;
using namespace brindle::test;

namespace {

const QString heldAudioLost = QStringLiteral(
    "Speech recognition could not finish its previous segment. Capture stopped before buffered "
    "audio was lost.");
const QString flushTimedOut = QStringLiteral(
    "Speech recognition did not finish its segment in time. Capture stopped; start again to "
    "resume.");

AudioBuffer buffer(int n) {
    const std::int16_t samples[2] = {std::int16_t(n), std::int16_t(n >> 16)};
    return AudioBuffer::fromSigned16(samples, 2);
}

struct Harness {
    VirtualScheduler scheduler;
    std::shared_ptr<RecognizerRecord> recognizer = std::make_shared<RecognizerRecord>();
    SpeechTranscriber transcriber{scheduler,
                                  std::make_unique<FakeRecognizer>(scheduler, recognizer)};
    QList<std::pair<QString, bool>> transcripts;
    QStringList errors;

    Harness() {
        transcriber.onTranscript = [this](const QString &text, bool isFinal) {
            transcripts.append({text, isFinal});
        };
        transcriber.onError = [this](const QString &message) { errors.append(message); };
    }
    std::shared_ptr<TaskRecord> task() const { return recognizer->tasks.back(); }
};

} // namespace

class SpeechTranscriberTest : public QObject {
    Q_OBJECT
private slots:
    void resultsOfTheRunningSegment_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isFinal");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("forwarded");
        QTest::addColumn<int>("tasksAfter");
        QTest::addColumn<QString>("reported");
        const QString none;
        QTest::newRow("partial") << "hello there" << false << none << true << 1 << none;
        QTest::newRow("empty partial") << "" << false << none << false << 1 << none;
        QTest::newRow("final") << "hello there." << true << none << true << 2 << none;
        QTest::newRow("empty final still finishes the segment")
            << "" << true << none << false << 2 << none;
        QTest::newRow("error with a partial: forwarded, then stopped")
            << "so far" << false << "decoder broke" << true << 1
            << "Speech recognition stopped: decoder broke";
        QTest::newRow("error with a final: moot")
            << "so far." << true << "decoder broke" << true << 2 << none;
    }
    void resultsOfTheRunningSegment() {
        QFETCH(QString, text);
        QFETCH(bool, isFinal);
        QFETCH(QString, error);
        QFETCH(bool, forwarded);
        QFETCH(int, tasksAfter);
        QFETCH(QString, reported);
        Harness h;
        h.transcriber.start();
        const auto first = h.task();
        first->deliver(text, isFinal,
                       error.isEmpty() ? std::nullopt : std::optional<QString>(error));
        QCOMPARE(h.transcripts.size(), forwarded ? 1 : 0);
        if (forwarded)
            QCOMPARE(h.transcripts.first(), std::make_pair(text, isFinal));
        QCOMPARE(int(h.recognizer->tasks.size()), tasksAfter);
        QCOMPARE(first->cancelled, isFinal || !reported.isEmpty());
        QCOMPARE(h.errors, reported.isEmpty() ? QStringList{} : QStringList{reported});
        QCOMPARE(h.transcriber.isActive(), reported.isEmpty());
    }

    void earlyFinalRestartsTheSegmentAndHeldAudioIsReplayed() {
        Harness h;
        h.transcriber.start();
        h.scheduler.advance(seconds(30));
        h.task()->deliver(QStringLiteral("early."), true); // the 45-second timer starts again
        const auto second = h.task();
        h.transcriber.append(buffer(1));
        h.scheduler.advance(seconds(44.9));
        QVERIFY(!second->ended);
        h.scheduler.advance(seconds(0.2)); // the flush began 0.1 s ago
        QVERIFY(second->ended);
        for (int i = 2; i <= 4; ++i)
            h.transcriber.append(buffer(i));
        QCOMPARE(second->audio.size(), 1);
        h.scheduler.advance(seconds(2.8)); // the final comes 2.9 s after the end of audio
        second->deliver(QStringLiteral("segment two."), true);
        QVERIFY(!h.transcriber.isFlushing());
        // What the finished segment's recognizer still sends changes nothing.
        second->handler(RecognizedText{QStringLiteral("late"), true}, QStringLiteral("late"));
        QCOMPARE(h.task()->audio,
                 (QList<QByteArray>{buffer(2).data, buffer(3).data, buffer(4).data}));
        h.scheduler.advance(seconds(1));
        QVERIFY(h.errors.isEmpty());
        QCOMPARE(h.transcripts.last(), std::make_pair(QStringLiteral("segment two."), true));
    }

    void flushWithoutAFinalStops_data() {
        QTest::addColumn<bool>("overflow");
        QTest::addColumn<QString>("message");
        QTest::newRow("513th held buffer") << true << heldAudioLost;
        QTest::newRow("no final within 3 s") << false << flushTimedOut;
    }
    void flushWithoutAFinalStops() {
        QFETCH(bool, overflow);
        QFETCH(QString, message);
        Harness h;
        h.transcriber.start();
        h.scheduler.advance(SpeechTranscriber::segmentLength); // into the segment's flush
        for (int i = 0; i < 512; ++i)
            h.transcriber.append(buffer(i));
        h.scheduler.advance(seconds(2.99));
        QCOMPARE(h.transcriber.heldBufferCount(), std::size_t(512));
        QVERIFY(h.errors.isEmpty());
        if (overflow)
            h.transcriber.append(buffer(512));
        else
            h.scheduler.advance(seconds(0.02));
        QCOMPARE(h.errors, QStringList{message});
        QVERIFY(!h.transcriber.isActive());
        QCOMPARE(h.transcriber.heldBufferCount(), std::size_t(0));
        QVERIFY(h.task()->cancelled);
        h.task()->handler(RecognizedText{QStringLiteral("too late"), true}, std::nullopt);
        h.scheduler.advance(seconds(60)); // nothing reported on top
        QVERIFY(h.transcripts.isEmpty());
        QCOMPARE(h.errors.size(), 1);
    }

    void appendOnlyWhileActiveAndStopFromInsideTheCallback() {
        Harness h;
        h.transcriber.append(buffer(1)); // before start
        h.transcriber.stop();            // stop before start is harmless
        h.transcriber.start();
        auto notReady = buffer(2);
        notReady.dataReady = false;
        h.transcriber.append(notReady);
        h.transcriber.append(AudioBuffer{QByteArray()});
        h.transcriber.append(buffer(3));
        // The owner may stop from inside the callback: no new segment begins.
        h.transcriber.onTranscript = [&h](const QString &, bool) { h.transcriber.stop(); };
        h.task()->deliver(QStringLiteral("bye."), true);
        QVERIFY(!h.transcriber.isActive());
        h.transcriber.stop();
        h.transcriber.append(buffer(4));
        QCOMPARE(h.task()->audio, QList<QByteArray>{buffer(3).data});
        QCOMPARE(h.recognizer->tasks.size(), std::size_t(1));
        h.scheduler.advance(seconds(100));
        QVERIFY(h.errors.isEmpty());
    }
};

BRINDLE_REGISTER_TEST(SpeechTranscriberTest);
#include "speechtranscribertest.moc"
