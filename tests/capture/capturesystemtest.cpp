// Capture against a private PulseAudio server and the real recognizer: speech made with flite is
// played into the server with paplay and must come back as text.
#include "audiocapture.h"
#include "pocketsphinxrecognizer.h"
#include "privatepulseserver.h"
#include "pulsesoundserver.h"
#include "systemscheduler.h"
#include "testregistry.h"

#include <QCoroTask>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <numeric>

using namespace brindle;

namespace {

const QString sentenceA = QStringLiteral("The moon orbits the earth once every twenty seven days.");
const QString sentenceB = QStringLiteral("Water boils at one hundred degrees at sea level.");

QStringList words(const QString &text) {
    return text.toLower()
        .remove(QRegularExpression(QStringLiteral("[^a-z ]")))
        .split(u' ', Qt::SkipEmptyParts);
}

/// Word error rate of `heard` against `said` (edit distance over words, one row at a time).
double wordErrors(const QString &said, const QString &heard) {
    const auto ref = words(said), hyp = words(heard);
    std::vector<qsizetype> row(std::size_t(hyp.size() + 1));
    std::iota(row.begin(), row.end(), 0);
    for (qsizetype i = 1; i <= ref.size(); ++i) {
        auto diagonal = std::exchange(row[0], i);
        for (qsizetype j = 1; j <= hyp.size(); ++j)
            diagonal = std::exchange(row[std::size_t(j)],
                                     std::min({row[std::size_t(j)] + 1, row[std::size_t(j - 1)] + 1,
                                               diagonal + (ref[i - 1] == hyp[j - 1] ? 0 : 1)}));
    }
    return double(row.back()) / double(std::max<qsizetype>(1, ref.size()));
}

/// Runs a capture call to its end; the shared result outlives a test that gave up waiting.
template<typename T>
QCoro::Task<> track(QCoro::Task<T> task, std::shared_ptr<std::optional<T>> result) {
    try {
        *result = co_await std::move(task);
    } catch (const AppError &error) {
        qWarning() << error.message();
        *result = T();
    } catch (const CancelledError &) {
        *result = T();
    }
}

QCoro::Task<bool> succeeds(QCoro::Task<> task) {
    co_await std::move(task);
    co_return true;
}

} // namespace

class CaptureSystemTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    test::PrivatePulseServer m_server;
    std::vector<std::unique_ptr<QProcess>> m_players;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    /// One paplay process (one client, one process id) playing `file`.
    QProcess *play(const QString &file, const QString &device = QString()) {
        auto player = std::make_unique<QProcess>();
        player->start(QStringLiteral("paplay"),
                      device.isEmpty() ? QStringList{file}
                                       : QStringList{QStringLiteral("--device=") + device, file});
        player->waitForStarted();
        m_players.push_back(std::move(player));
        return m_players.back().get();
    }

    struct Session {
        SystemScheduler scheduler;
        AudioCapture capture{scheduler, std::make_unique<PulseSoundServer>(),
                             [] { return std::make_unique<PocketSphinxRecognizer>(); }};
        QString latest; ///< the newest text of either kind
        QStringList errors;
        Session() {
            capture.onTranscript = [this](const QString &text, bool) { latest = text; };
            capture.onError = [this](const QString &message) { errors.append(message); };
        }
        template<typename T>
        T await(QCoro::Task<T> task) {
            auto result = std::make_shared<std::optional<T>>();
            track(std::move(task), result);
            (void)QTest::qWaitFor([&] { return result->has_value(); }, 10000); // else T()
            return result->value_or(T());
        }
        bool start(AudioSourceID id, bool microphone = false) {
            return await(succeeds(capture.start(id, QStringLiteral("source"), microphone)));
        }
        QList<AudioSource> sources() { return await(capture.availableSources()); }
    };

private slots:
    void initTestCase() {
        // The temporary directory (owner-only) serves as home and runtime directory; every
        // process started from here inherits the environment that points at the private server.
        QVERIFY(m_dir.isValid());
        QVERIFY(m_server.start(m_dir.path(),
                               QStringLiteral("load-module module-null-sink sink_name=speakers\n"
                                              "load-module module-null-sink sink_name=micsink\n"
                                              "set-default-sink speakers\n"
                                              "set-default-source micsink.monitor\n")));

        const auto times = [](const QString &text, int n) {
            return QStringList(std::size_t(n), text).join(u' ');
        };
        for (const auto &[name, text] :
             {std::pair{QStringLiteral("a.wav"), sentenceA},
              std::pair{QStringLiteral("b.wav"), sentenceB},
              std::pair{QStringLiteral("a3.wav"), times(sentenceA, 3)},
              std::pair{QStringLiteral("b15.wav"), times(sentenceB, 15)}})
            QCOMPARE(QProcess::execute(QStringLiteral("flite"),
                                       QStringLiteral("-voice kal16 -t").split(u' ')
                                           << text << path(name)),
                     0);
    }

    void cleanup() {
        for (auto &player : m_players) {
            player->kill();
            player->waitForFinished();
        }
        m_players.clear();
    }

    void cleanupTestCase() { m_server.stop(); }

    void systemAudioAndMicrophoneAreTranscribedApart() {
        Session s;
        QStringList system, microphone;
        s.capture.onTranscript = [&](const QString &text, bool isFinal) {
            if (isFinal && text.startsWith(QStringLiteral("You: ")))
                microphone.append(text.mid(5));
            else if (isFinal)
                system.append(text);
        };
        QVERIFY(s.start(AudioSourceID::allSystemAudio(), true));
        play(path(QStringLiteral("a.wav")));
        play(path(QStringLiteral("b.wav")), QStringLiteral("micsink"));
        QVERIFY(QTest::qWaitFor([&] { return !system.isEmpty() && !microphone.isEmpty(); }, 20000));
        QVERIFY2(wordErrors(sentenceA, system.join(u' ')) <= 0.25, qPrintable(system.join(u' ')));
        QVERIFY2(wordErrors(sentenceB, microphone.join(u' ')) <= 0.25,
                 qPrintable(microphone.join(u' ')));
        QVERIFY(s.errors.isEmpty());
    }

    void oneApplicationIsHeardAloneUntilItsPlayerIsKilled() {
        play(path(QStringLiteral("a3.wav")));
        auto *wanted = play(path(QStringLiteral("b15.wav"))); // plays on until killed
        Session s;
        QList<AudioSource> sources; // both players, once the server lists them
        QTRY_VERIFY_WITH_TIMEOUT((sources = s.sources()).size() >= 3, 5000);
        QCOMPARE(sources.first(), allSystemAudioSource());
        QVERIFY(s.start(AudioSourceID::application(std::int32_t(wanted->processId()))));
        // The sentences follow each other closely: judge the running text of the segment.
        QVERIFY(QTest::qWaitFor([&] { return words(s.latest).size() >= 12; }, 20000));
        const auto heard = s.latest;
        const auto heardWords = words(heard);
        for (const auto &word : {"moon", "orbits", "earth", "seven"})
            QVERIFY2(!heardWords.contains(QString::fromLatin1(word)), qPrintable(heard));
        QVERIFY(heardWords.contains(QStringLiteral("water")) ||
                heardWords.contains(QStringLiteral("boils")));
        QVERIFY(s.errors.isEmpty());

        wanted->kill();
        QVERIFY(QTest::qWaitFor([&] { return !s.errors.isEmpty(); }, 10000));
        QTest::qWait(500); // a second report would arrive by now
        QCOMPARE(s.errors, QStringList{QStringLiteral("Audio capture stopped: Entity killed")});
        QVERIFY(!s.capture.isRunning());
    }
};

BRINDLE_REGISTER_TEST(CaptureSystemTest);
#include "capturesystemtest.moc"
