// brindle-tool session against a private PulseAudio server and the loopback provider: speech
// played into the server must come out as a finding line, and every way the session cannot run
// must end with a message and exit code 1.
#include "fakeproviderserver.h"
#include "privatepulseserver.h"
#include "researchreply.h"
#include "testregistry.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

using namespace brindle;

namespace {

const QString sentence = QStringLiteral("The moon orbits the earth once every twenty seven days.");

double epochNow() {
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000;
}

} // namespace

class SessionToolTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    test::PrivatePulseServer m_server;
    test::FakeProviderServer m_provider;
    QStringList m_researched; ///< the claims research was asked about
    double m_lastRequest = 0; ///< when the provider last answered, seconds since the epoch

    QStringList providerOptions() const {
        return {
            QStringLiteral("--mode"),
            QStringLiteral("web"),
            QStringLiteral("--key"),
            QStringLiteral("openrouter=k1"),
            QStringLiteral("--key"),
            QStringLiteral("selka=k2"),
            QStringLiteral("--endpoint"),
            QStringLiteral("research=") + m_provider.url(QStringLiteral("/responses")).toString(),
            QStringLiteral("--endpoint"),
            QStringLiteral("selection=") + m_provider.url(QStringLiteral("/select")).toString()};
    }

    static QList<QJsonObject> lines(const QByteArray &output) {
        QList<QJsonObject> events;
        for (const auto &line : output.split('\n')) {
            if (!line.isEmpty())
                events.append(QJsonDocument::fromJson(line).object());
        }
        return events;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toUtf8());
        QVERIFY(m_server.start(m_dir.path(),
                               QStringLiteral("load-module module-null-sink sink_name=speakers\n"
                                              "set-default-sink speakers\n")));
        QCOMPARE(QProcess::execute(QStringLiteral("flite"),
                                   QStringLiteral("-voice kal16 -t").split(u' ')
                                       << sentence << m_dir.filePath(QStringLiteral("claim.wav"))),
                 0);
        m_provider.setResponder([this](const test::RecordedRequest &request) {
            m_lastRequest = epochNow();
            if (request.path == "/select")
                return test::FakeReply{200, "{\"answers\":{\"checkable\":{\"noul\":0.9}}}"};
            m_researched.append(test::requestedClaim(request.body));
            return test::FakeReply{200, test::researchReply(m_researched.last(),
                                                            QStringLiteral("unresolved"), {}, {})};
        });
    }

    void cleanupTestCase() { m_server.stop(); }

    void spokenClaimBecomesOneFindingLine() {
        QProcess tool;
        const double began = epochNow();
        tool.start(QStringLiteral(BRINDLE_TOOL),
                   QStringList{QStringLiteral("session"), QStringLiteral("--seconds"),
                               QStringLiteral("15")}
                       << providerOptions());
        // Play once the capture layer has reported twice after the start's own status: its
        // streams are connected then.
        QByteArray output;
        QVERIFY(QTest::qWaitFor(
            [&] {
                output += tool.readAllStandardOutput();
                return lines(output).size() >= 3;
            },
            20000));
        QProcess player;
        player.start(QStringLiteral("paplay"), {m_dir.filePath(QStringLiteral("claim.wav"))});
        // The provider answers from this thread: keep its events running.
        QVERIFY(QTest::qWaitFor([&] { return tool.state() == QProcess::NotRunning; }, 40000));
        const double ended = epochNow();
        player.waitForFinished();
        output += tool.readAllStandardOutput();
        QCOMPARE(tool.exitCode(), 0);

        QList<QJsonObject> findings;
        QStringList statuses;
        double previous = began;
        for (const auto &event : lines(output)) {
            const double time = event[QStringLiteral("time")].toDouble();
            QVERIFY2(time >= previous && time <= ended, qPrintable(QString::number(time, 'f', 3)));
            previous = time;
            if (event[QStringLiteral("event")] == QStringLiteral("finding"))
                findings.append(event);
            else if (event[QStringLiteral("event")] == QStringLiteral("status"))
                statuses.append(event[QStringLiteral("status")].toString());
        }
        QVERIFY2(findings.size() == 1, output.constData());
        QCOMPARE(m_researched.size(), 1);
        const auto &finding = findings.first();
        QCOMPARE(finding[QStringLiteral("claim")].toString(), m_researched.first());
        QVERIFY2(m_researched.first().contains(QStringLiteral("moon")),
                 qPrintable(m_researched.first()));
        QCOMPARE(finding[QStringLiteral("verdict")].toString(), QStringLiteral("unresolved"));
        QCOMPARE(finding[QStringLiteral("explanation")].toString(),
                 QStringLiteral("It opened in 1937."));
        QCOMPARE(finding[QStringLiteral("sources")].toArray(), QJsonArray());
        // Stamped when published: after the provider answered, within a second of it.
        const double publishedAfter = finding[QStringLiteral("time")].toDouble() - m_lastRequest;
        QVERIFY2(publishedAfter >= 0 && publishedAfter < 1,
                 qPrintable(QString::number(publishedAfter)));
        QCOMPARE(statuses.first(), QStringLiteral("Starting local transcription\u2026"));
        QCOMPARE(statuses.last(), QStringLiteral("Stopped"));
    }

    void sessionsThatCannotRunSayWhyAndExitOne_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("pulseServer");
        QTest::addColumn<QString>("message");
        const QStringList keys = providerOptions();
        QTest::newRow("no research key")
            << QStringList{QStringLiteral("--key"), QStringLiteral("selka=k2"),
                           QStringLiteral("--mode"), QStringLiteral("web")}
            << QByteArray() << QStringLiteral("Add your OpenRouter API key in Settings.");
        QTest::newRow("no such application")
            << (QStringList{QStringLiteral("--source"), QStringLiteral("999999")} + keys)
            << QByteArray()
            << QStringLiteral("No application with process id 999999 plays audio; "
                              "brindle-tool sources lists those that do.");
        QTest::newRow("no sound server")
            << keys << QByteArray("unix:") + m_dir.filePath(QStringLiteral("absent")).toUtf8()
            << QString();
    }

    void sessionsThatCannotRunSayWhyAndExitOne() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, pulseServer);
        QFETCH(QString, message);
        QProcess tool;
        if (!pulseServer.isEmpty()) {
            auto environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("PULSE_SERVER"), QString::fromUtf8(pulseServer));
            tool.setProcessEnvironment(environment);
        }
        tool.start(
            QStringLiteral(BRINDLE_TOOL),
            QStringList{QStringLiteral("session"), QStringLiteral("--seconds"), QStringLiteral("5")}
                << arguments);
        QVERIFY(tool.waitForFinished(20000));
        QCOMPARE(tool.exitCode(), 1);
        const auto error = QString::fromUtf8(tool.readAllStandardError()).trimmed();
        QVERIFY(!error.isEmpty());
        if (!message.isEmpty())
            QCOMPARE(error, message);
        for (const auto &event : lines(tool.readAllStandardOutput()))
            QVERIFY(event[QStringLiteral("event")] != QStringLiteral("finding"));
    }
};

BRINDLE_REGISTER_TEST(SessionToolTest);
#include "sessiontooltest.moc"
