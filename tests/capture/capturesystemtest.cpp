// Capture against a private sound server (PulseAudio, or PipeWire with pipewire-pulse, as
// BRINDLE_SOUND_SERVER says) and the real recognizer: speech made with flite is played into the
// server with paplay, or written into the fake microphone's pipe, and must come back as text on
// the right channel, or not at all.
#include "audiocapture.h"
#include "encodedmedia.h"
#include "filetree.h"
#include "pocketsphinxrecognizer.h"
#include "privatesoundserver.h"
#include "pulsesoundserver.h"
#include "systemscheduler.h"
#include "taskoutcome.h"
#include "testregistry.h"
#include "wavfile.h"

#include <QCoroTask>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>

using namespace brindle;

namespace {

const QString sentenceA = QStringLiteral("The moon orbits the earth once every twenty seven days.");
const QString sentenceB = QStringLiteral("Water boils at one hundred degrees at sea level.");
const QString sentenceC = QStringLiteral("Paris is the capital city of France.");
const QStringList wordsA{QStringLiteral("moon"), QStringLiteral("orbits"), QStringLiteral("earth"),
                         QStringLiteral("seven")};
const QStringList wordsB{QStringLiteral("water"), QStringLiteral("boils"),
                         QStringLiteral("hundred"), QStringLiteral("degrees")};
const QStringList wordsC{QStringLiteral("paris"), QStringLiteral("capital"), QStringLiteral("city"),
                         QStringLiteral("france")};

QStringList words(const QString &text) {
    return text.toLower()
        .remove(QRegularExpression(QStringLiteral("[^a-z ]")))
        .split(u' ', Qt::SkipEmptyParts);
}

/// How many of `expected` were heard in `text`.
qsizetype heardOf(const QStringList &expected, const QString &text) {
    const auto heard = words(text);
    return std::count_if(expected.cbegin(), expected.cend(),
                         [&](const QString &word) { return heard.contains(word); });
}

} // namespace

class CaptureSystemTest : public QObject {
    Q_OBJECT

    test::FileTree m_dir;
    test::PrivateSoundServer m_server;
    std::vector<std::unique_ptr<QProcess>> m_processes;

    QString path(const QString &name) const { return m_dir.path(name); }

    QProcess *run(const QString &program, const QStringList &args) {
        auto process = std::make_unique<QProcess>();
        process->setStandardOutputFile(QProcess::nullDevice());
        process->start(program, args);
        process->waitForStarted();
        m_processes.push_back(std::move(process));
        return m_processes.back().get();
    }
    /// One paplay stream of `file`; with `owner`, it counts as that process's stream.
    QProcess *play(const QString &file, const QString &device = QStringLiteral("speakers"),
                   QProcess *owner = nullptr) {
        QStringList args{QStringLiteral("--device=") + device, path(file)};
        if (owner)
            args << QStringLiteral("--property=application.process.id=%1").arg(owner->processId())
                 << QStringLiteral("--property=application.name=Caller");
        return run(QStringLiteral("paplay"), args);
    }
    /// Waits until the server shows one of our record streams on the source named `source`
    /// (ours are the only ones): a test plays only once the capture has moved.
    bool recordsFrom(const QString &source) const {
        return m_server.waitUntil([&] {
            const auto sources = m_server.pactl(QStringLiteral("list short sources"));
            const auto outputs = m_server.pactl(QStringLiteral("list short source-outputs"));
            QString index;
            for (const auto &line : sources.value_or(QString()).split(u'\n')) {
                const auto fields = line.split(u'\t');
                if (fields.size() > 1 && fields[1] == source)
                    index = fields[0];
            }
            for (const auto &line : outputs.value_or(QString()).split(u'\n')) {
                const auto fields = line.split(u'\t');
                if (!index.isEmpty() && fields.size() > 1 && fields[1] == index)
                    return true;
            }
            return false;
        });
    }
    /// Speech into the fake microphone.
    void speakIntoMicrophone(const QString &raw) {
        run(QStringLiteral("sh"),
            {QStringLiteral("-c"),
             QStringLiteral("cat '%1' > '%2'").arg(path(raw), path("mic.fifo"))});
    }

    struct Session {
        SystemScheduler scheduler;
        AudioCapture capture{scheduler, std::make_unique<PulseSoundServer>(),
                             [] { return std::make_unique<PocketSphinxRecognizer>(); }};
        QString system, microphone; ///< every text heard on each channel
        QString finals;             ///< the system channel's ended utterances
        QStringList errors;
        Session() {
            capture.onTranscript = [this](const QString &text, bool isFinal) {
                if (text.startsWith(QStringLiteral("You: ")))
                    microphone += u' ' + text.mid(5);
                else
                    system += u' ' + text;
                if (isFinal && !text.startsWith(QStringLiteral("You: ")))
                    finals += u' ' + text;
            };
            capture.onError = [this](const QString &message) { errors.append(message); };
        }
        template<typename T>
        std::pair<T, QString> await(QCoro::Task<T> task) {
            // Shared: a call still running when the wait gives up must not write to a stale frame.
            auto outcome = std::make_shared<test::TaskOutcome<T>>();
            [](QCoro::Task<T> task, auto outcome) -> QCoro::Task<> {
                co_await test::collect(std::move(task), *outcome);
            }(std::move(task), outcome);
            (void)QTest::qWaitFor([&] { return outcome->done; }, 15000); // else T()
            return {outcome->value.value_or(T()), outcome->error.value_or(QString())};
        }
        bool start(AudioSourceID id, bool microphone = false) {
            return await(test::succeeds(capture.start(id, QStringLiteral("source"), microphone)))
                .first;
        }
    };

private slots:
    void initTestCase() {
        // The temporary directory (owner-only) serves as home and runtime directory; every
        // process started from here inherits the environment that points at the private server.
        QVERIFY(
            m_server.start(m_dir.path(), test::PrivateSoundServer::fromEnvironment(),
                           {QStringLiteral("load-module module-null-sink sink_name=speakers"),
                            QStringLiteral("load-module module-pipe-source source_name=mic file=%1 "
                                           "format=s16le rate=16000 channels=1")
                                .arg(path("mic.fifo")),
                            QStringLiteral("set-default-sink speakers"),
                            QStringLiteral("set-default-source mic")}));
        for (const auto &[name, text] :
             {std::pair{QStringLiteral("a"), sentenceA}, std::pair{QStringLiteral("b"), sentenceB},
              std::pair{QStringLiteral("c"), sentenceC}}) {
            QVERIFY(test::speak(text, path(name + ".wav")));
            const auto wav = readWav(path(name + ".wav"));
            QVERIFY(std::holds_alternative<WavAudio>(wav));
            m_dir.file(name + ".raw", std::get<WavAudio>(wav).samples);
            // A stream is followed from the moment the server announces it; like a call's, its
            // speech begins a moment later.
            m_dir.file(name + ".wav",
                       wavBytes(QByteArray(16000, '\0') + std::get<WavAudio>(wav).samples));
        }
        // A notification's short stream: two seconds of silence.
        m_dir.file(QStringLiteral("blip.wav"), wavBytes(QByteArray(64000, '\0')));
    }

    void cleanup() {
        for (auto &process : m_processes) {
            process->kill();
            process->waitForFinished();
        }
        m_processes.clear();
    }

    void cleanupTestCase() { m_server.stop(); }

    void systemAudioAndMicrophoneAreTranscribedApart() {
        Session s;
        QVERIFY(s.start(AudioSourceID::allSystemAudio(), true));
        play(QStringLiteral("a.wav"));
        speakIntoMicrophone(QStringLiteral("b.raw"));
        QVERIFY(QTest::qWaitFor(
            [&] { return heardOf(wordsA, s.system) >= 3 && heardOf(wordsB, s.microphone) >= 3; },
            20000));
        QCOMPARE(heardOf(wordsB, s.system), 0);
        QCOMPARE(heardOf(wordsA, s.microphone), 0);
        QVERIFY(s.errors.isEmpty());
    }

    // One process, streams that come and go: a short one, the speech while it plays, then
    // another; the end of the last is silence (never the microphone, never other players), and
    // only the process's exit ends the capture.
    void anApplicationIsEveryStreamOfItsProcess() {
        auto *caller = run(QStringLiteral("sleep"), {QStringLiteral("600")});
        Session s;
        QVERIFY(s.start(AudioSourceID::application(std::int32_t(caller->processId()))));
        play(QStringLiteral("blip.wav"), QStringLiteral("speakers"), caller);
        QTest::qWait(1500); // it ends in the speech's leading second of silence
        play(QStringLiteral("a.wav"), QStringLiteral("speakers"), caller);
        QVERIFY2(QTest::qWaitFor([&] { return heardOf(wordsA, s.finals) >= 3; }, 20000),
                 qPrintable(s.finals));

        QElapsedTimer sinceNewStream;
        sinceNewStream.start();
        play(QStringLiteral("b.wav"), QStringLiteral("speakers"), caller);
        QVERIFY(QTest::qWaitFor([&] { return heardOf(wordsB, s.system) >= 1; }, 20000));
        qInfo("first word of a new stream transcribed %lld ms after it began (1 s of it silence)",
              sinceNewStream.elapsed());
        QVERIFY2(QTest::qWaitFor([&] { return heardOf(wordsB, s.finals) >= 3; }, 20000),
                 qPrintable(s.finals));

        speakIntoMicrophone(QStringLiteral("c.raw"));
        auto *other = play(QStringLiteral("c.wav"));
        QVERIFY(QTest::qWaitFor([&] { return other->state() == QProcess::NotRunning; }, 20000));
        QTest::qWait(2000); // what was heard has been transcribed
        QCOMPARE(heardOf(wordsC, s.system), 0);
        QVERIFY(s.errors.isEmpty());
        QVERIFY(s.capture.isRunning());

        caller->kill();
        QVERIFY(QTest::qWaitFor([&] { return !s.errors.isEmpty(); }, 10000));
        QCOMPARE(s.errors,
                 QStringList{QStringLiteral("Audio capture stopped: The application has quit")});
        QVERIFY(!s.capture.isRunning());
    }

    // All system audio follows the default output when it changes or goes away, and never
    // records the microphone.
    void allSystemAudioFollowsTheDefaultOutput() {
        Session s;
        const auto module =
            m_server.pactl(QStringLiteral("load-module module-null-sink sink_name=headset"));
        QVERIFY(module);
        QVERIFY(s.start(AudioSourceID::allSystemAudio()));

        QVERIFY(m_server.pactl(QStringLiteral("set-default-sink headset")));
        QVERIFY(recordsFrom(QStringLiteral("headset.monitor")));
        play(QStringLiteral("a.wav"), QStringLiteral("headset"));
        QVERIFY2(QTest::qWaitFor([&] { return heardOf(wordsA, s.finals) >= 3; }, 20000),
                 qPrintable(s.finals));

        QVERIFY(m_server.pactl(QStringLiteral("unload-module ") + module->trimmed()));
        QVERIFY(recordsFrom(QStringLiteral("speakers.monitor")));
        speakIntoMicrophone(QStringLiteral("c.raw"));
        play(QStringLiteral("b.wav"), QStringLiteral("speakers"));
        QVERIFY2(QTest::qWaitFor([&] { return heardOf(wordsB, s.finals) >= 3; }, 20000),
                 qPrintable(s.finals));
        QCOMPARE(heardOf(wordsC, s.system), 0);
        QVERIFY(s.errors.isEmpty());
    }

    // A server that accepts the connection and never answers costs a message, not a wait.
    void aServerThatNeverAnswersFailsInTime() {
        QLocalServer hung;
        QVERIFY(hung.listen(path("hung")));
        std::vector<QLocalSocket *> accepted; // held open, never answered
        connect(&hung, &QLocalServer::newConnection, [&] {
            while (auto *socket = hung.nextPendingConnection())
                accepted.push_back(socket);
        });
        const auto saved = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", (QStringLiteral("unix:") + path("hung")).toUtf8());
        Session s;
        QElapsedTimer took;
        took.start();
        const auto [sources, error] = s.await(s.capture.availableSources());
        qputenv("PULSE_SERVER", saved);
        QVERIFY(sources.isEmpty());
        QCOMPARE(error, QStringLiteral("The sound server did not answer in time. Check that "
                                       "PulseAudio or PipeWire is running, then try again."));
        QVERIFY2(took.elapsed() < 7000, qPrintable(QString::number(took.elapsed())));
        QVERIFY(!accepted.empty());
    }
};

BRINDLE_REGISTER_TEST(CaptureSystemTest);
#include "capturesystemtest.moc"
