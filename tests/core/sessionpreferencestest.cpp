#include "sessionpreferences.h"
#include "testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace brindle;

namespace {

AudioSource app(int pid, const QString &bundleID) {
    return {AudioSourceID::application(pid), bundleID, bundleID};
}

const QByteArray defaultsJson = "{\"evidenceMode\":\"Documents only\",\"includeMicrophone\":false,"
                                "\"allSystemAudio\":false,\"files\":[]}";

} // namespace

class SessionPreferencesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void encodesKeysInOrderAndOmitsAbsentOnes() {
        QCOMPARE(encodePreferences({}), defaultsJson);

        SessionPreferences full;
        full.evidenceMode = QStringLiteral("References + web");
        full.includeMicrophone = true;
        full.audioBundleID = QStringLiteral("com.slack.Slack \"beta\"");
        full.folder = SavedReference{QStringLiteral("/notes"), QByteArray("\x01\x02\xff", 3)};
        full.files = {{QStringLiteral("/a.md"), std::nullopt},
                      {QStringLiteral("/b.md"), QByteArray("tok")}};
        full.slackCallPrompt = false;
        const QByteArray json = encodePreferences(full);
        QCOMPARE(json,
                 QByteArray("{\"evidenceMode\":\"References + web\",\"includeMicrophone\":true,"
                            "\"audioBundleID\":\"com.slack.Slack \\\"beta\\\"\","
                            "\"allSystemAudio\":false,"
                            "\"folder\":{\"path\":\"/notes\",\"bookmark\":\"AQL/\"},"
                            "\"files\":[{\"path\":\"/a.md\"},{\"path\":\"/b.md\",\"bookmark\":"
                            "\"dG9r\"}],\"slackCallPrompt\":false}"));
        QCOMPARE(decodePreferences(json), std::optional(full));
    }

    // Each row replaces one member of a valid value; "-" removes it.
    void rejectsMalformedValuesAsAWhole_data() {
        QTest::addColumn<QByteArray>("json");
        const auto row = [](const char *name, const char *key, const char *value) {
            auto object = QJsonDocument::fromJson(defaultsJson).object();
            if (QByteArray(value) == "-")
                object.remove(QLatin1String(key));
            else
                object.insert(QLatin1String(key),
                              QJsonDocument::fromJson("[" + QByteArray(value) + "]").array()[0]);
            QTest::newRow(name) << QJsonDocument(object).toJson();
        };
        QTest::newRow("not json") << QByteArray("{\"evidenceMode\":");
        row("no files", "files", "-");
        row("mode not a string", "evidenceMode", "1");
        row("microphone as text", "includeMicrophone", "\"true\"");
        row("file without path", "files", "[{\"bookmark\":\"AA==\"}]");
        row("bookmark not base64", "files", "[{\"path\":\"/a\",\"bookmark\":\"**\"}]");
        row("folder a string", "folder", "\"/n\"");
    }
    void rejectsMalformedValuesAsAWhole() {
        QFETCH(QByteArray, json);
        QCOMPARE(decodePreferences(json), std::nullopt);
    }

    void nullOptionalsAndUnknownKeysAreAccepted() {
        QCOMPARE(
            decodePreferences("{\"evidenceMode\":\"Documents only\",\"includeMicrophone\":false,"
                              "\"audioBundleID\":null,\"allSystemAudio\":false,\"files\":[],"
                              "\"later\":{}}"),
            std::optional(SessionPreferences{}));
    }

    void choosesTheSourceFromWhatWasSaved_data() {
        QTest::addColumn<bool>("allSystemAudio");
        QTest::addColumn<QString>("bundleID"); // empty: none saved
        QTest::addColumn<int>("current");      // 0: none, -1: all system audio
        QTest::addColumn<QList<AudioSource>>("sources");
        QTest::addColumn<int>("expected"); // 0: none, -1: all system audio
        QTest::addColumn<bool>("missing");

        const auto all = allSystemAudioSource();
        const auto slack = app(7, QStringLiteral("com.Slack.Desktop"));
        const auto zoom = app(8, QStringLiteral("us.zoom.xos"));
        QTest::newRow("saved all system audio")
            << true << QString() << 8 << QList{zoom, all} << -1 << false;
        QTest::newRow("saved all system audio, not listed")
            << true << QString() << 0 << QList{zoom} << 0 << false;
        QTest::newRow("nothing saved, keeps a listed selection")
            << false << QString() << 8 << QList{all, slack, zoom} << 8 << false;
        QTest::newRow("nothing saved, slack in any case")
            << false << QString() << 9 << QList{all, zoom, slack} << 7 << false;
        QTest::newRow("nothing saved, nothing fits")
            << false << QString() << 9 << QList{all, zoom} << 0 << false;
        QTest::newRow("saved app running") << false << QStringLiteral("us.zoom.xos") << -1
                                           << QList{all, slack, zoom} << 8 << false;
        QTest::newRow("saved app compared exactly")
            << false << QStringLiteral("US.zoom.xos") << -1 << QList{all, zoom} << 0 << true;
    }
    void choosesTheSourceFromWhatWasSaved() {
        QFETCH(bool, allSystemAudio);
        QFETCH(QString, bundleID);
        QFETCH(int, current);
        QFETCH(QList<AudioSource>, sources);
        QFETCH(int, expected);
        const auto id = [](int code) -> std::optional<AudioSourceID> {
            if (code == 0)
                return std::nullopt;
            return code < 0 ? AudioSourceID::allSystemAudio() : AudioSourceID::application(code);
        };
        SessionPreferences saved;
        saved.allSystemAudio = allSystemAudio;
        if (!bundleID.isEmpty())
            saved.audioBundleID = bundleID;
        const SourceChoice choice = chooseSource(saved, sources, id(current));
        QCOMPARE(choice.selection, id(expected));
        QTEST(choice.savedApplicationMissing, "missing");
    }
};

BRINDLE_REGISTER_TEST(SessionPreferencesTest);
#include "sessionpreferencestest.moc"
