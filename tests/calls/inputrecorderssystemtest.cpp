// The call detector's probe against a private sound server (PulseAudio, or PipeWire with
// pipewire-pulse, as BRINDLE_SOUND_SERVER says): who records from a real input.
#include "inputrecorders.h"
#include "privatesoundserver.h"
#include "pulsesoundserver.h"
#include "taskoutcome.h"
#include "testregistry.h"

#include <QProcess>
#include <QTemporaryDir>

using namespace brindle;

class InputRecordersSystemTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    test::PrivateSoundServer m_server;
    std::vector<std::unique_ptr<QProcess>> m_clients;
    PulseSoundServer m_sound;

    /// A pacat client (recording or playing); it inherits the private server's address.
    void client(const QStringList &args) {
        auto process = std::make_unique<QProcess>();
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardInputFile(QStringLiteral("/dev/zero"));
        process->start(QStringLiteral("pacat"), args);
        QVERIFY(process->waitForStarted());
        m_clients.push_back(std::move(process));
    }

    QStringList recorders(PulseSoundServer *server = nullptr) {
        test::TaskOutcome<QStringList> ids;
        test::collect(inputRecorderIdentifiers(server ? *server : m_sound), ids);
        (void)QTest::qWaitFor([&] { return ids.done; }, 10000);
        return ids.value.value_or(QStringList{QStringLiteral("no answer")});
    }

    /// Waits until the server lists `count` record streams (every client settled).
    bool streamsSettle(int count) {
        return m_server.waitUntil([&] {
            return m_server.pactl(QStringLiteral("list short source-outputs"))
                       .value_or(QString())
                       .count(u'\n') == count;
        });
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(
            m_server.start(m_dir.path(), test::PrivateSoundServer::fromEnvironment(),
                           {QStringLiteral("load-module module-null-sink sink_name=speakers"),
                            QStringLiteral("load-module module-pipe-source source_name=mic file=%1 "
                                           "format=s16le rate=16000 channels=1")
                                .arg(m_dir.filePath(QStringLiteral("mic.fifo"))),
                            QStringLiteral("set-default-sink speakers"),
                            QStringLiteral("set-default-source mic")}));
    }

    void cleanup() {
        for (auto &process : m_clients) {
            process->kill();
            process->waitForFinished();
        }
        m_clients.clear();
    }

    void cleanupTestCase() { m_server.stop(); }

    void recordersOfTheInputAreSeen_data() {
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("identifier");
        QTest::newRow("binary") << QStringLiteral("application.process.binary=slack")
                                << QStringLiteral("slack");
        QTest::newRow("application id") << QStringLiteral("application.id=com.slack.Slack")
                                        << QStringLiteral("com.slack.Slack");
    }
    void recordersOfTheInputAreSeen() {
        QFETCH(QString, property);
        QFETCH(QString, identifier);
        QVERIFY(QTest::qWaitFor([&] { return recorders().isEmpty(); }, 5000));
        client({QStringLiteral("--record"), QStringLiteral("--device=mic"),
                QStringLiteral("--property=") + property});
        QVERIFY(streamsSettle(1));
        // PipeWire lists a stream a moment before it names its source.
        QTRY_VERIFY2(recorders().contains(identifier), qPrintable(recorders().join(u',')));
    }

    void playersMonitorsAndOurOwnStreamsAreNot() {
        const QString slack = QStringLiteral("--property=application.id=com.slack.Slack");
        client({QStringLiteral("--playback"), QStringLiteral("--device=speakers"), slack});
        client({QStringLiteral("--record"), QStringLiteral("--device=speakers.monitor"), slack});
        // Our own captures, of the output's monitor and of the input.
        PulseSoundServer ours;
        auto monitor = ours.recordStream(
            {QStringLiteral("speakers.monitor"), std::nullopt, QStringLiteral("own monitor")});
        auto input =
            ours.recordStream({QStringLiteral("mic"), std::nullopt, QStringLiteral("own input")});
        int started = 0;
        for (auto *stream : {monitor.get(), input.get()})
            [](RecordStream *s, int *done) -> QCoro::Task<> {
                try {
                    co_await s->start();
                    ++*done;
                } catch (const SoundServerError &error) {
                    qWarning() << error.description();
                }
            }(stream, &started);
        QVERIFY(QTest::qWaitFor([&] { return started == 2; }, 10000));
        QVERIFY(streamsSettle(3));
        QCOMPARE(recorders(), QStringList());

        // Another application on the input is listed, and nothing else with it.
        client({QStringLiteral("--record"), QStringLiteral("--device=mic"),
                QStringLiteral("--property=application.id=org.example.Recorder")});
        QVERIFY(streamsSettle(4));
        QTRY_COMPARE(recorders(), QStringList{QStringLiteral("org.example.Recorder")});
        for (auto *stream : {monitor.get(), input.get()})
            stream->stop();
    }

    void unreachableServerIsAnEmptyList() {
        const QByteArray address = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", "unix:/nonexistent/brindle-test/native");
        PulseSoundServer unreachable;
        QCOMPARE(recorders(&unreachable), QStringList());
        qputenv("PULSE_SERVER", address);
    }
};

BRINDLE_REGISTER_TEST(InputRecordersSystemTest);
#include "inputrecorderssystemtest.moc"
