// brindle-tool session against a private sound server (PulseAudio, or PipeWire as
// BRINDLE_SOUND_SERVER says) and the loopback provider: speech played into the server must come out
// as a finding line, and a session that cannot run must say why and exit 1.
#include "encodedmedia.h"
#include "fakeproviderserver.h"
#include "privatesoundserver.h"
#include "researchreply.h"
#include "testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

using namespace brindle;

namespace {

double epochNow() {
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000;
}

QList<QJsonObject> events(const QByteArray &output) {
    QList<QJsonObject> list;
    for (const auto &line : output.split('\n'))
        if (!line.isEmpty())
            list.append(QJsonDocument::fromJson(line).object());
    return list;
}

} // namespace

class SessionToolTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    test::PrivateSoundServer m_server;
    test::FakeProviderServer m_provider;
    QStringList m_researched; ///< the claims research was asked about
    double m_answeredAt = 0;  ///< when the provider last answered, seconds since the epoch

    QStringList session(const QString &seconds, const QString &keys) const {
        return QStringLiteral("session --seconds %1 --mode web %2 --endpoint research=%3 "
                              "--endpoint selection=%4")
            .arg(seconds, keys, m_provider.url(QStringLiteral("/research")).toString(),
                 m_provider.url(QStringLiteral("/select")).toString())
            .split(u' ');
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toUtf8());
        QVERIFY(m_server.start(m_dir.path(), test::PrivateSoundServer::fromEnvironment(),
                               {QStringLiteral("load-module module-null-sink sink_name=speakers"),
                                QStringLiteral("set-default-sink speakers")}));
        const auto claim =
            QStringLiteral("The moon orbits the earth once every twenty seven days.");
        QVERIFY(test::speak(claim, m_dir.filePath(QStringLiteral("claim.wav"))));
        m_provider.setResponder([this](const test::RecordedRequest &request) {
            m_answeredAt = epochNow();
            if (request.path == "/select")
                return test::FakeReply{200, "{\"answers\":{\"checkable\":{\"noul\":0.9}}}"};
            m_researched.append(test::requestedClaim(request.body));
            return test::FakeReply{200, test::researchReply(m_researched.last(),
                                                            QStringLiteral("unresolved"), {}, {})};
        });
    }

    void spokenClaimBecomesAFindingLine() {
        QProcess tool;
        const double began = epochNow();
        tool.start(
            QStringLiteral(BRINDLE_TOOL),
            session(QStringLiteral("15"), QStringLiteral("--key openrouter=k1 --key selka=k2")));
        // Play once the capture has reported twice after the start's own status: its streams are
        // connected then. The provider answers on this thread, so its events keep running.
        QByteArray output;
        QVERIFY(QTest::qWaitFor(
            [&] { return events(output += tool.readAllStandardOutput()).size() >= 3; }, 20000));
        QProcess player;
        player.start(QStringLiteral("paplay"), {m_dir.filePath(QStringLiteral("claim.wav"))});
        QVERIFY(QTest::qWaitFor([&] { return tool.state() == QProcess::NotRunning; }, 40000));
        const double ended = epochNow();
        output += tool.readAllStandardOutput();
        QCOMPARE(tool.exitCode(), 0);

        QList<QJsonObject> findings;
        double previous = began;
        for (const auto &event : events(output)) {
            const double time = event[QStringLiteral("time")].toDouble();
            QVERIFY2(time >= previous && time <= ended, qPrintable(QString::number(time, 'f')));
            previous = time;
            if (event[QStringLiteral("event")] == QStringLiteral("finding"))
                findings.append(event);
        }
        // A final report that revises the text checked at the pause is checked again; the last
        // answer is the one that stands.
        QVERIFY2(!findings.isEmpty() && m_researched.last().contains(QStringLiteral("moon")),
                 output.constData());
        const auto finding = findings.last();
        QCOMPARE(finding,
                 (QJsonObject{{QStringLiteral("event"), QStringLiteral("finding")},
                              {QStringLiteral("time"), finding[QStringLiteral("time")]},
                              {QStringLiteral("claim"), m_researched.last()},
                              {QStringLiteral("verdict"), QStringLiteral("unresolved")},
                              {QStringLiteral("explanation"), QStringLiteral("It opened in 1937.")},
                              {QStringLiteral("sources"), QJsonArray()}}));
        // Stamped when published: after the provider answered, and soon after.
        const double delay = finding[QStringLiteral("time")].toDouble() - m_answeredAt;
        QVERIFY2(delay >= 0 && delay < 1, qPrintable(QString::number(delay)));
    }

    void sessionThatCannotStartSaysWhyAndExitsOne() {
        QProcess tool;
        tool.start(QStringLiteral(BRINDLE_TOOL),
                   session(QStringLiteral("5"), QStringLiteral("--key selka=k2")));
        QVERIFY(tool.waitForFinished(20000));
        QCOMPARE(tool.exitCode(), 1);
        QCOMPARE(tool.readAllStandardError().trimmed(),
                 QByteArray("Add your OpenRouter API key in Settings."));
    }
};

BRINDLE_REGISTER_TEST(SessionToolTest);
#include "sessiontooltest.moc"
