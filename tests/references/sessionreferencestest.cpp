#include "accesstoken.h"
#include "referencefiles.h"
#include "sessionfakes.h"
#include "sessionstore.h"
#include "settingspreferencestore.h"
#include "testregistry.h"
#include "virtualscheduler.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSemaphore>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <deque>

using namespace brindle;
using namespace brindle::test;

namespace {

const QString restoreFailurePrefix = QStringLiteral(
    "Could not restore references. Reconnect the folder or reselect missing files. ");

class ScriptedDialogs : public ReferenceDialogsPort {
public:
    std::deque<QList<QUrl>> files;
    std::deque<QUrl> folders;
    bool allow = true;
    QList<ConsentAlert> alerts;

    QCoro::Task<QList<QUrl>> chooseFiles(QString) override {
        QList<QUrl> chosen = files.front();
        files.pop_front();
        co_return chosen;
    }
    QCoro::Task<std::optional<QUrl>> chooseFolder(QString) override {
        QUrl chosen = folders.front();
        folders.pop_front();
        co_return chosen;
    }
    QCoro::Task<bool> confirm(ConsentAlert alert) override {
        alerts.append(alert);
        co_return allow;
    }
};

// The real file system, with folder loads that can be held until the test releases them.
class HeldFiles : public ReferenceFiles {
public:
    std::atomic<bool> hold = false;
    mutable QSemaphore entered;
    mutable QSemaphore release;

    ReferenceSnapshot loadFolder(const QUrl &folder, const QList<ReferenceDocument> &existing,
                                 const CancelToken &token) const override {
        if (hold) {
            entered.release();
            release.acquire();
        }
        return ReferenceFiles::loadFolder(folder, existing, token);
    }
};

// Reference files and the settings file of one test, shared by every controller built on them.
struct Disk {
    QTemporaryDir dir;
    QString settings = dir.filePath(QStringLiteral("settings/brindle.ini"));

    QString path(const QString &relative) const { return dir.filePath(relative); }
    QUrl url(const QString &relative) const { return QUrl::fromLocalFile(path(relative)); }
    QUrl file(const QString &relative, const QByteArray &bytes = "a note") const {
        QDir().mkpath(QFileInfo(path(relative)).path());
        QFile out(path(relative));
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            qFatal("cannot write the test file");
        return url(relative);
    }
    QList<QUrl> files(const QString &pattern, int count) const {
        QList<QUrl> urls;
        for (int i = 0; i < count; ++i)
            urls.append(file(pattern.arg(i, 4, 10, QLatin1Char('0'))));
        return urls;
    }
    std::optional<QByteArray> stored() const { return SettingsPreferenceStore(settings).read(); }
    void store(const QByteArray &json) const { SettingsPreferenceStore(settings).write(json); }
};

struct Rig {
    const Disk &disk;
    VirtualScheduler scheduler;
    FakeSettings settings;
    FakeCapture capture{scheduler};
    FakeChecker checker{scheduler};
    HeldFiles files;
    ScriptedDialogs dialogs;
    SettingsPreferenceStore preferences{disk.settings};
    std::unique_ptr<SessionStore> store;

    explicit Rig(const Disk &disk, QList<AudioSource> running = {allSystemAudioSource()},
                 bool holdFolderLoads = false)
        : disk(disk) {
        capture.sourceList = std::move(running);
        files.hold = holdFolderLoads;
        store = std::make_unique<SessionStore>(
            scheduler, settings, capture, checker,
            SessionStore::Persistence{&files, &dialogs, &preferences});
    }

    // Waits for the load or restore under way (a small one may be done already).
    bool settle() {
        return QTest::qWaitFor([this] { return !store->isLoadingReferences(); }, 120'000);
    }
    bool choose(const QList<QUrl> &urls) {
        dialogs.files.push_back(urls);
        store->chooseReferenceFiles();
        return settle();
    }
    bool connect(const QUrl &folder) {
        dialogs.folders.push_back(folder);
        store->connectReferenceFolder();
        return settle();
    }
    QStringList names() const {
        QStringList list;
        for (const auto &document : store->documents())
            list.append(document.name);
        return list;
    }
    QUuid idOf(const QString &name) const {
        for (const auto &document : store->documents()) {
            if (document.name == name)
                return document.id;
        }
        return {};
    }
};

QString path(const QUrl &url) {
    return url.toLocalFile();
}

// Runs `brindle-tool preferences --settings FILE`; the exit code and the printed line.
std::pair<int, QByteArray> toolPreferences(const QString &settings) {
    QProcess tool;
    tool.start(QStringLiteral(BRINDLE_TOOL),
               {QStringLiteral("preferences"), QStringLiteral("--settings"), settings});
    if (!tool.waitForFinished(60'000))
        return {-1, {}};
    return {tool.exitCode(), tool.readAllStandardOutput().trimmed()};
}

} // namespace

class SessionReferencesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void choosingFilesAgainReloadsThemOnceWithTheirIds() {
        Disk disk;
        Rig rig(disk);
        const QUrl a = disk.file(QStringLiteral("a.md"));
        QVERIFY(rig.choose({a}));
        const QUuid id = rig.idOf(QStringLiteral("a.md"));
        QCOMPARE(rig.store->referenceStatus(), QStringLiteral("Loaded 1 references"));

        QVERIFY(rig.choose({a, disk.file(QStringLiteral("b.txt"))}));
        QCOMPARE(rig.names(), (QStringList{QStringLiteral("a.md"), QStringLiteral("b.txt")}));
        QCOMPARE(rig.idOf(QStringLiteral("a.md")), id);
        QCOMPARE(rig.store->savedPreferences().files.size(), 2);
        QCOMPARE(rig.store->savedPreferences().files.first().path, path(a));

        QCOMPARE(rig.dialogs.alerts.size(), 2);
        const ConsentAlert alert = rig.dialogs.alerts.first();
        QCOMPARE(alert.message, QStringLiteral("Use these references with cloud AI?"));
        QVERIFY(alert.informativeText.contains(
            QStringLiteral("publicly searched. Selected file connections are saved for future "
                           "launches. Only UTF-8")));
        QCOMPARE(alert.allowButton, QStringLiteral("Allow selected references"));
        QCOMPARE(alert.cancelButton, QStringLiteral("Cancel"));

        rig.dialogs.allow = false;
        rig.dialogs.files.push_back({disk.file(QStringLiteral("c.md"))});
        rig.store->chooseReferenceFiles();
        QVERIFY(!rig.store->isLoadingReferences());
        QCOMPARE(rig.store->documents().size(), 2);
    }

    void statusCountsLoadedAndSkippedFiles() {
        Disk disk;
        Rig rig(disk);
        QList<QUrl> urls = disk.files(QStringLiteral("notes/n%1.md"), 9);
        for (int i = 0; i < 3; ++i)
            urls.insert(i * 3, disk.file(QStringLiteral("empty%1.md").arg(i), " \n\t"));
        QVERIFY(rig.choose(urls));
        QCOMPARE(rig.store->referenceStatus(),
                 QStringLiteral("Loaded 9 references \u00B7 3 skipped (empty, invalid, linked or "
                                "over 500 KB)"));
        QCOMPARE(rig.store->savedPreferences().files.size(), 9);
    }

    void aFileInsideTheFolderIsListedOnceAsTheFolders() {
        Disk disk;
        Rig rig(disk);
        const QUrl inside = disk.file(QStringLiteral("vault/sub/a.md"));
        disk.file(QStringLiteral("vault/b.md"));
        QVERIFY(rig.choose({inside, disk.file(QStringLiteral("loose.md"))}));
        QVERIFY(rig.connect(disk.url(QStringLiteral("vault"))));
        QCOMPARE(rig.names(), (QStringList{QStringLiteral("b.md"), QStringLiteral("sub/a.md"),
                                           QStringLiteral("loose.md")}));
        QCOMPARE(rig.store->folderDocuments().size(), 2);
        QCOMPARE(rig.store->referenceFolder(), disk.url(QStringLiteral("vault")));
        QCOMPARE(rig.dialogs.alerts.last().informativeText.contains(
                     QStringLiteral("The folder connection is saved for future launches. Use "
                                    "Refresh to load changes. Only")),
                 true);
    }

    void combinedReferencesOverTheLimitKeepThePreviousOnes() {
        Disk disk;
        Rig rig(disk);
        QVERIFY(rig.choose(disk.files(QStringLiteral("single/s%1.md"), 3000)));
        disk.files(QStringLiteral("vault/v%1.md"), 2500);
        const auto before = rig.store->documents();
        const auto savedBefore = rig.store->savedPreferences();

        QVERIFY(rig.connect(disk.url(QStringLiteral("vault"))));
        QCOMPARE(rig.store->errorText(),
                 QStringLiteral("Combined references exceed 5,000 files or 50 MB. Remove "
                                "references or connect a smaller folder."));
        QCOMPARE(rig.store->referenceStatus(),
                 QStringLiteral("Could not load references \u00B7 previous references retained"));
        QCOMPARE(rig.store->documents(), before);
        QCOMPARE(rig.store->referenceFolder(), std::nullopt);
        QCOMPARE(rig.store->savedPreferences(), savedBefore);
    }

    void refreshKeepsIdsAndBringsBackRemovedDocuments() {
        Disk disk;
        Rig rig(disk);
        disk.file(QStringLiteral("vault/a.md"));
        disk.file(QStringLiteral("vault/b.md"));
        QVERIFY(rig.connect(disk.url(QStringLiteral("vault"))));
        const QUuid a = rig.idOf(QStringLiteral("a.md"));
        const QUuid b = rig.idOf(QStringLiteral("b.md"));

        rig.store->removeReference(a);
        QCOMPARE(rig.names(), QStringList{QStringLiteral("b.md")});
        QVERIFY(rig.store->savedPreferences().folder.has_value());

        disk.file(QStringLiteral("vault/c.md"));
        rig.store->refreshReferenceFolder();
        QVERIFY(rig.settle());
        QCOMPARE(rig.names(), (QStringList{QStringLiteral("a.md"), QStringLiteral("b.md"),
                                           QStringLiteral("c.md")}));
        QCOMPARE(rig.idOf(QStringLiteral("b.md")), b);
        QVERIFY(!rig.idOf(QStringLiteral("a.md")).isNull());
        QCOMPARE(rig.dialogs.alerts.size(), 1); // a refresh asks nothing
    }

    void removingAChosenFileForgetsItsConnection() {
        Disk disk;
        Rig rig(disk);
        const QUrl a = disk.file(QStringLiteral("a.md"));
        QVERIFY(rig.choose({a, disk.file(QStringLiteral("b.md"))}));
        rig.store->removeReference(rig.idOf(QStringLiteral("a.md")));
        QCOMPARE(rig.names(), QStringList{QStringLiteral("b.md")});
        const auto stored = decodePreferences(*disk.stored());
        QCOMPARE(stored->files.size(), 1);
        QCOMPARE(stored->files.first().path, disk.path(QStringLiteral("b.md")));
    }

    void disconnectingDuringALoadDropsItsResult() {
        Disk disk;
        Rig rig(disk);
        QVERIFY(rig.choose({disk.file(QStringLiteral("a.md"))}));
        disk.file(QStringLiteral("vault/v.md"));
        rig.files.hold = true;
        QSignalSpy settled(rig.store->references(), &SessionReferences::loadSettled);
        rig.dialogs.folders.push_back(disk.url(QStringLiteral("vault")));
        rig.store->connectReferenceFolder();
        rig.files.entered.acquire();
        QVERIFY(rig.store->isLoadingReferences());
        rig.store->start(); // refused while references load
        QCOMPARE(rig.capture.starts, 0);

        rig.store->disconnectReferenceFolder();
        QVERIFY(!rig.store->isLoadingReferences());
        rig.files.release.release();
        QVERIFY(settled.wait());
        QCOMPARE(rig.names(), QStringList{QStringLiteral("a.md")});
        QCOMPARE(rig.store->referenceFolder(), std::nullopt);
        QCOMPARE(rig.store->referenceStatus(), QStringLiteral("Folder disconnected"));
        QCOMPARE(rig.store->errorText(), QString());
        QCOMPARE(decodePreferences(*disk.stored())->folder, std::nullopt);
    }

    void aFirstLaunchWritesNothingUntilAChoiceChanges() {
        Disk disk;
        Rig rig(disk);
        QCOMPARE(rig.store->evidenceMode(), EvidenceMode::documents);
        QVERIFY(!rig.store->includeMicrophone());
        QVERIFY(rig.store->promptOnSlackCalls());
        QCOMPARE(rig.store->selectedSourceID(), std::nullopt);
        QVERIFY(rig.store->documents().isEmpty());
        QVERIFY(!rig.store->isLoadingReferences());
        QVERIFY(!QFile::exists(disk.settings));

        rig.store->setIncludeMicrophone(true);
        QCOMPARE(disk.stored(), std::optional<QByteArray>(
                                    "{\"evidenceMode\":\"Documents only\",\"includeMicrophone\":"
                                    "true,\"allSystemAudio\":false,\"files\":[],"
                                    "\"slackCallPrompt\":true}"));
    }

    void theToolPrintsTheStoredPreferencesOrTheDefaults() {
        Disk disk;
        QCOMPARE(
            toolPreferences(disk.settings),
            std::pair(1, QByteArray("{\"evidenceMode\":\"Documents only\",\"includeMicrophone\":"
                                    "false,\"allSystemAudio\":false,\"files\":[],"
                                    "\"stored\":false}")));
        Rig rig(disk);
        disk.file(QStringLiteral("vault/a.md"));
        QVERIFY(rig.connect(disk.url(QStringLiteral("vault"))));
        QVERIFY(disk.stored());
        QCOMPARE(toolPreferences(disk.settings), std::pair(0, *disk.stored()));
    }

    void storedValuesRestore_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<EvidenceMode>("mode");
        QTest::addColumn<bool>("microphone");
        QTest::addColumn<bool>("slackPrompts");
        QTest::newRow("valid") << QByteArray("{\"evidenceMode\":\"Public web\","
                                             "\"includeMicrophone\":true,\"allSystemAudio\":false,"
                                             "\"files\":[],\"slackCallPrompt\":false}")
                               << EvidenceMode::web << true << false;
        QTest::newRow("mode in another case")
            << QByteArray("{\"evidenceMode\":\"public web\",\"includeMicrophone\":true,"
                          "\"allSystemAudio\":false,\"files\":[]}")
            << EvidenceMode::documents << true << true;
        QTest::newRow("without files")
            << QByteArray("{\"evidenceMode\":\"Public web\",\"includeMicrophone\":true,"
                          "\"allSystemAudio\":false,\"slackCallPrompt\":false}")
            << EvidenceMode::documents << false << true;
        QTest::newRow("garbage") << QByteArray("\xff\xfe") << EvidenceMode::documents << false
                                 << true;
    }
    void storedValuesRestore() {
        QFETCH(QByteArray, json);
        QFETCH(EvidenceMode, mode);
        QFETCH(bool, microphone);
        QFETCH(bool, slackPrompts);
        Disk disk;
        disk.store(json);
        Rig rig(disk);
        QCOMPARE(rig.store->evidenceMode(), mode);
        QCOMPARE(rig.store->includeMicrophone(), microphone);
        QCOMPARE(rig.store->promptOnSlackCalls(), slackPrompts);
        QCOMPARE(disk.stored(), json); // restoring writes nothing back
    }

    void theSavedApplicationIsSelectedWhenItRuns() {
        Disk disk;
        const AudioSource slack{AudioSourceID::application(41), QStringLiteral("Slack"),
                                QStringLiteral("com.slack.Slack")};
        const AudioSource zoom{AudioSourceID::application(42), QStringLiteral("Zoom"),
                               QStringLiteral("us.zoom.xos")};
        {
            Rig first(disk, {allSystemAudioSource(), zoom, slack});
            first.store->refreshSources();
            QCOMPARE(first.store->selectedSourceID(), std::optional(slack.id)); // nothing saved
            first.store->setSelectedSourceID(zoom.id);
            QCOMPARE(first.store->savedPreferences().audioBundleID,
                     std::optional(QStringLiteral("us.zoom.xos")));
        }
        {
            Rig running(disk, {allSystemAudioSource(), slack, zoom});
            QCOMPARE(running.store->sources(), (QList{allSystemAudioSource(), zoom}));
            QCOMPARE(running.store->selectedSourceID(), std::optional(zoom.id));
        }
        Rig missing(disk, {allSystemAudioSource(), slack});
        QCOMPARE(missing.store->sources(), QList{allSystemAudioSource()});
        QCOMPARE(missing.store->selectedSourceID(), std::nullopt);
        QCOMPARE(missing.store->status(),
                 QStringLiteral("Saved audio app unavailable \u00B7 open it and refresh sources"));
        const AudioSource restarted{AudioSourceID::application(77), QStringLiteral("Zoom"),
                                    QStringLiteral("us.zoom.xos")};
        missing.capture.sourceList.append(restarted);
        missing.store->refreshSources();
        QCOMPARE(missing.store->selectedSourceID(), std::optional(restarted.id));
        QCOMPARE(decodePreferences(*disk.stored())->audioBundleID,
                 std::optional(QStringLiteral("us.zoom.xos")));
    }

    void aMissingSavedFileFailsTheRestoreAndKeepsTheConnections() {
        Disk disk;
        {
            Rig first(disk);
            QVERIFY(first.choose(
                {disk.file(QStringLiteral("a.md")), disk.file(QStringLiteral("b.md"))}));
        }
        const auto saved = disk.stored();
        QVERIFY(QFile::remove(disk.path(QStringLiteral("b.md"))));
        Rig rig(disk);
        QVERIFY(rig.settle());
        QVERIFY(rig.store->errorText().startsWith(restoreFailurePrefix));
        QVERIFY(rig.store->errorText().size() > restoreFailurePrefix.size());
        QCOMPARE(rig.store->referenceStatus(),
                 QStringLiteral("Connection saved \u00B7 reconnect or refresh to restore access"));
        QVERIFY(rig.store->documents().isEmpty());
        QCOMPARE(disk.stored(), saved);
    }

    void aFolderConnectionIsStoredWithItsPathAndToken() {
        Disk disk;
        Rig rig(disk);
        disk.file(QStringLiteral("vault/a.md"));
        QVERIFY(rig.connect(disk.url(QStringLiteral("vault"))));
        const QByteArray json = *disk.stored();
        const QJsonObject folder =
            QJsonDocument::fromJson(json).object().value(QStringLiteral("folder")).toObject();
        QCOMPARE(folder.value(QStringLiteral("path")).toString(),
                 disk.path(QStringLiteral("vault")));
        const auto token = QByteArray::fromBase64Encoding(
            folder.value(QStringLiteral("bookmark")).toString().toLatin1(),
            QByteArray::AbortOnBase64DecodingErrors);
        QVERIFY(token && !token.decoded.isEmpty());
        QCOMPARE(resolveAccessToken(token.decoded),
                 std::optional(disk.url(QStringLiteral("vault"))));
    }

    void aTokenNoLongerResolvesOnceItsPathNamesAnotherFile() {
        Disk disk;
        const QUrl a = disk.file(QStringLiteral("a.md"), "first");
        const auto token = makeAccessToken(a);
        QVERIFY(token);
        QCOMPARE(resolveAccessToken(*token), std::optional(a));
        const QUrl replacement = disk.file(QStringLiteral("a.tmp"), "second");
        QVERIFY(::rename(QFile::encodeName(path(replacement)).constData(),
                         QFile::encodeName(path(a)).constData()) == 0);
        QCOMPARE(resolveAccessToken(*token), std::nullopt);
        QCOMPARE(resolveAccessToken(QByteArray("not a token")), std::nullopt);
        QCOMPARE(makeAccessToken(disk.url(QStringLiteral("missing.md"))), std::nullopt);
    }

    void aRestartRestoresTheSameSession() {
        Disk disk;
        const AudioSource zoom{AudioSourceID::application(42), QStringLiteral("Zoom"),
                               QStringLiteral("us.zoom.xos")};
        disk.file(QStringLiteral("vault/a.md"));
        disk.file(QStringLiteral("vault/deep/b.md"));
        disk.file(QStringLiteral("vault/blank.md"), "\n");
        QStringList names;
        {
            Rig first(disk, {allSystemAudioSource(), zoom});
            first.store->refreshSources();
            first.store->setSelectedSourceID(zoom.id);
            first.store->setEvidenceMode(EvidenceMode::combined);
            first.store->setIncludeMicrophone(true);
            first.store->setPromptOnSlackCalls(false);
            QVERIFY(first.connect(disk.url(QStringLiteral("vault"))));
            QVERIFY(first.choose({disk.file(QStringLiteral("own.txt"))}));
            names = first.names();
        }
        // The folder is replaced by another at the same path: its token no longer resolves and
        // the saved path is used.
        QVERIFY(
            QDir().rename(disk.path(QStringLiteral("vault")), disk.path(QStringLiteral("old"))));
        disk.file(QStringLiteral("vault/a.md"));
        disk.file(QStringLiteral("vault/deep/b.md"));
        disk.file(QStringLiteral("vault/blank.md"), "\n");

        Rig second(disk, {allSystemAudioSource(), zoom}, true);
        QCOMPARE(second.store->evidenceMode(), EvidenceMode::combined);
        QVERIFY(second.store->includeMicrophone());
        QVERIFY(!second.store->promptOnSlackCalls());
        QCOMPARE(second.store->selectedSourceID(), std::optional(zoom.id));
        QCOMPARE(second.store->referenceFolder(), disk.url(QStringLiteral("vault")));
        second.files.entered.acquire();
        QVERIFY(second.store->isLoadingReferences());
        QCOMPARE(second.store->referenceStatus(),
                 QStringLiteral("Restoring reference connections\u2026"));
        second.files.release.release();
        QVERIFY(second.settle());
        QCOMPARE(second.names(), names);
        QCOMPARE(second.store->folderDocuments().size(), 2);
        QCOMPARE(second.store->referenceStatus(),
                 QStringLiteral("Restored 3 references \u00B7 1 skipped"));
        QCOMPARE(second.store->errorText(), QString());
        const auto renewed = decodePreferences(*disk.stored());
        QCOMPARE(resolveAccessToken(*renewed->folder->bookmark),
                 std::optional(disk.url(QStringLiteral("vault"))));
        QCOMPARE(renewed->files.size(), 1);
    }
};

BRINDLE_REGISTER_TEST(SessionReferencesTest);
#include "sessionreferencestest.moc"
