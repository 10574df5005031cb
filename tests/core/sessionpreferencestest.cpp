#include "sessionpreferences.h"
#include "researchreply.h"
#include "testregistry.h"

#include <QTest>

using namespace brindle;
using namespace Qt::StringLiterals;

namespace {

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

    // Each row replaces one member of a valid value; "-" removes it. A malformed value is
    // rejected as a whole; null optionals and unknown keys decode to the defaults.
    void decodesOnlyWellFormedValues_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("decodes");
        const auto row = [](const char *name, const char *members, bool decodes = false) {
            const auto valid = QJsonDocument::fromJson(defaultsJson).object();
            QTest::newRow(name) << QJsonDocument(test::changed(valid, members)).toJson() << decodes;
        };
        QTest::newRow("not json") << QByteArray("{\"evidenceMode\":") << false;
        row("null bundle id", "{'audioBundleID':null}", true);
        row("unknown key", "{'later':{}}", true);
        row("no files", "{'files':'-'}");
        row("mode not a string", "{'evidenceMode':1}");
        row("microphone as text", "{'includeMicrophone':'true'}");
        row("file without path", "{'files':[{'bookmark':'AA=='}]}");
        row("bookmark not base64", "{'files':[{'path':'/a','bookmark':'**'}]}");
        row("folder a string", "{'folder':'/n'}");
    }
    void decodesOnlyWellFormedValues() {
        QFETCH(QByteArray, json);
        QFETCH(bool, decodes);
        QCOMPARE(decodePreferences(json),
                 decodes ? std::optional(SessionPreferences{}) : std::nullopt);
    }

    // Sources are numbered: 0 none, -1 All system audio, else an application's process id.
    void choosesTheSourceFromWhatWasSaved_data() {
        QTest::addColumn<QString>("saved"); // "all", an application's bundle id, or "" for none
        QTest::addColumn<int>("current");
        QTest::addColumn<QList<AudioSource>>("sources");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("missing");
        const auto all = allSystemAudioSource();
        const AudioSource slack{AudioSourceID::application(7), u"Slack"_s, u"com.Slack.Desktop"_s};
        const AudioSource zoom{AudioSourceID::application(8), u"Zoom"_s, u"us.zoom.xos"_s};
        QTest::newRow("saved all system audio") << "all" << 8 << QList{zoom, all} << -1 << false;
        QTest::newRow("saved all system audio, not listed")
            << "all" << 0 << QList{zoom} << 0 << false;
        QTest::newRow("nothing saved, keeps a listed selection")
            << "" << 8 << QList{all, slack, zoom} << 8 << false;
        QTest::newRow("nothing saved, slack in any case")
            << "" << 9 << QList{all, zoom, slack} << 7 << false;
        QTest::newRow("nothing saved, nothing fits") << "" << 9 << QList{all, zoom} << 0 << false;
        QTest::newRow("saved app running")
            << "us.zoom.xos" << -1 << QList{all, slack, zoom} << 8 << false;
        QTest::newRow("saved app compared exactly")
            << "US.zoom.xos" << -1 << QList{all, zoom} << 0 << true;
    }
    void choosesTheSourceFromWhatWasSaved() {
        QFETCH(QString, saved);
        QFETCH(int, current);
        QFETCH(QList<AudioSource>, sources);
        QFETCH(int, expected);
        const auto id = [](int code) -> std::optional<AudioSourceID> {
            if (code == 0)
                return std::nullopt;
            return code < 0 ? AudioSourceID::allSystemAudio() : AudioSourceID::application(code);
        };
        SessionPreferences preferences;
        preferences.allSystemAudio = saved == u"all";
        if (!preferences.allSystemAudio && !saved.isEmpty())
            preferences.audioBundleID = saved;
        const SourceChoice choice = chooseSource(preferences, sources, id(current));
        QCOMPARE(choice.selection, id(expected));
        QTEST(choice.savedApplicationMissing, "missing");
    }
};

BRINDLE_REGISTER_TEST(SessionPreferencesTest);
#include "sessionpreferencestest.moc"
