#include "accesstoken.h"
#include "filetree.h"
#include "mapped.h"
#include "referencefiles.h"
#include "sessionfakes.h"
#include "sessionstore.h"
#include "settingspreferencestore.h"
#include "testregistry.h"
#include "virtualscheduler.h"

#include <QDir>

#include <deque>

using namespace brindle;
using namespace brindle::test;
using namespace Qt::StringLiterals;

namespace {

const QString restoreFailurePrefix =
    u"Could not restore references. Reconnect the folder or reselect missing files. "_s;
const AudioSource zoom{AudioSourceID::application(42), u"Zoom"_s, u"us.zoom.xos"_s};

class ScriptedDialogs : public ReferenceDialogsPort {
public:
    std::deque<QList<QUrl>> chosen; // files, or a folder as its only item
    bool allow = true;
    QList<ConsentAlert> alerts;

    QCoro::Task<QList<QUrl>> chooseFiles(QString) override { co_return next(); }
    QCoro::Task<std::optional<QUrl>> chooseFolder(QString) override { co_return next().first(); }
    QList<QUrl> next() {
        const QList<QUrl> urls = chosen.front();
        chosen.pop_front();
        return urls;
    }
    QCoro::Task<bool> confirm(ConsentAlert alert) override {
        alerts.append(alert);
        co_return allow;
    }
};

// Reference files and the settings file of one test, shared by every controller built on them.
struct Disk : FileTree {
    QString settings = path(QStringLiteral("settings/brindle.ini"));

    std::optional<QByteArray> stored() const { return SettingsPreferenceStore(settings).read(); }
    SessionPreferences decoded() const { return *decodePreferences(*stored()); }
};

struct Rig {
    const Disk &disk;
    VirtualScheduler scheduler;
    FakeSettings settings;
    FakeCapture capture{scheduler};
    FakeChecker checker{scheduler};
    ReferenceFiles files;
    ScriptedDialogs dialogs;
    SettingsPreferenceStore preferences{disk.settings};
    std::unique_ptr<SessionStore> store;

    explicit Rig(const Disk &disk, QList<AudioSource> running = {allSystemAudioSource()})
        : disk(disk) {
        capture.sourceList = std::move(running);
        store = std::make_unique<SessionStore>(
            scheduler, settings, capture, checker,
            SessionStore::Persistence{&files, &dialogs, &preferences});
    }

    // Waits for the load or restore under way (a small one may be done already).
    bool settle() {
        return QTest::qWaitFor([this] { return !store->isLoadingReferences(); }, 120'000);
    }
    bool choose(const QList<QUrl> &urls) {
        dialogs.chosen.push_back(urls);
        store->chooseReferenceFiles();
        return settle();
    }
    bool connect(const QString &folder) {
        dialogs.chosen.push_back({disk.url(folder)});
        store->connectReferenceFolder();
        return settle();
    }
    QStringList names() const { return mapped(store->documents(), &ReferenceDocument::name); }
    QUuid idOf(const QString &name) const {
        return store->documents().value(names().indexOf(name)).id;
    }
};

} // namespace

class SessionReferencesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void choosingAgainKeepsIdsAndRemovingForgets() {
        Disk disk;
        Rig rig(disk);
        const QUrl a = disk.file("a.md");
        QVERIFY(rig.choose({a}));
        const QUuid id = rig.idOf("a.md");
        QCOMPARE(rig.store->referenceStatus(), u"Loaded 1 references"_s);

        QVERIFY(rig.choose({a, disk.file("b.txt")}));
        QCOMPARE(rig.names(), (QStringList{"a.md", "b.txt"}));
        QCOMPARE(rig.idOf("a.md"), id);
        QCOMPARE(rig.store->savedPreferences().files.size(), 2);
        QCOMPARE(rig.dialogs.alerts.size(), 2);

        rig.dialogs.allow = false;
        rig.dialogs.chosen.push_back({disk.file("c.md")});
        rig.store->chooseReferenceFiles();
        QVERIFY(!rig.store->isLoadingReferences());
        QCOMPARE(rig.store->documents().size(), 2);

        // Removing a chosen file forgets its saved connection.
        rig.store->removeReference(id);
        QCOMPARE(rig.names(), QStringList{"b.txt"});
        const auto stored = disk.decoded();
        QCOMPARE(stored.files.size(), 1);
        QCOMPARE(stored.files.first().path, disk.path("b.txt"));
    }

    void combinedReferencesOverTheLimitKeepThePreviousOnes() {
        Disk disk;
        Rig rig(disk);
        QVERIFY(rig.choose(disk.files("single/s%1.md", 3000)));
        disk.files("vault/v%1.md", 2500);
        const auto before = rig.store->documents();
        const auto savedBefore = rig.store->savedPreferences();

        QVERIFY(rig.connect("vault"));
        QCOMPARE(rig.store->errorText(), u"Combined references exceed 5,000 files or 50 MB. "
                                         u"Remove references or connect a smaller folder."_s);
        QCOMPARE(rig.store->referenceStatus(),
                 u"Could not load references \u00B7 previous references retained"_s);
        QCOMPARE(rig.store->documents(), before);
        QCOMPARE(rig.store->referenceFolder(), std::nullopt);
        QCOMPARE(rig.store->savedPreferences(), savedBefore);
    }

    // A chosen file inside the connected folder is listed once, as the folder's.
    void refreshKeepsIdsAndBringsBackRemovedDocuments() {
        Disk disk;
        Rig rig(disk);
        disk.file("vault/a.md");
        disk.file("vault/b.md");
        QVERIFY(rig.choose({disk.file("vault/sub/x.md"), disk.file("loose.md")}));
        QVERIFY(rig.connect("vault"));
        QCOMPARE(rig.names(), (QStringList{"a.md", "b.md", "sub/x.md", "loose.md"}));
        QCOMPARE(rig.store->folderDocuments().size(), 3);
        QCOMPARE(rig.store->referenceFolder(), disk.url("vault"));
        const QUuid b = rig.idOf("b.md");

        rig.store->removeReference(rig.idOf("a.md"));
        QCOMPARE(rig.names(), (QStringList{"b.md", "sub/x.md", "loose.md"}));
        QVERIFY(rig.store->savedPreferences().folder.has_value());

        disk.file("vault/c.md");
        rig.store->refreshReferenceFolder();
        QVERIFY(rig.settle());
        QCOMPARE(rig.names(), (QStringList{"a.md", "b.md", "c.md", "sub/x.md", "loose.md"}));
        QCOMPARE(rig.idOf("b.md"), b);
        QVERIFY(!rig.idOf("a.md").isNull());
        QCOMPARE(rig.dialogs.alerts.size(), 2); // a refresh asks nothing
    }

    void aRestartRestoresTheSameSessionUnlessAFileIsMissing() {
        Disk disk;
        const auto makeVault = [&] {
            disk.file("vault/a.md");
            disk.file("vault/deep/b.md");
            disk.file("vault/blank.md", "\n");
        };
        makeVault();
        QStringList names;
        {
            Rig first(disk, {allSystemAudioSource(), zoom});
            first.store->refreshSources();
            first.store->setSelectedSourceID(zoom.id);
            first.store->setEvidenceMode(EvidenceMode::combined);
            first.store->setIncludeMicrophone(true);
            first.store->setPromptOnSlackCalls(false);
            QVERIFY(first.connect("vault"));
            QVERIFY(first.choose({disk.file("own.txt")}));
            names = first.names();
        }
        // The folder is replaced by another at the same path: its token no longer resolves and
        // the saved path is used.
        QVERIFY(QDir().rename(disk.path("vault"), disk.path("old")));
        makeVault();

        Rig second(disk, {allSystemAudioSource(), zoom});
        QCOMPARE(second.store->evidenceMode(), EvidenceMode::combined);
        QVERIFY(second.store->includeMicrophone());
        QVERIFY(!second.store->promptOnSlackCalls());
        QCOMPARE(second.store->selectedSourceID(), std::optional(zoom.id));
        QCOMPARE(second.store->referenceFolder(), disk.url("vault"));
        QVERIFY(second.settle());
        QCOMPARE(second.names(), names);
        QCOMPARE(second.store->folderDocuments().size(), 2);
        QCOMPARE(second.store->referenceStatus(), u"Restored 3 references \u00B7 1 skipped"_s);
        QCOMPARE(second.store->errorText(), QString());
        const auto stored = disk.stored();
        const auto renewed = *decodePreferences(*stored);
        QCOMPARE(resolveAccessToken(*renewed.folder->bookmark), std::optional(disk.url("vault")));
        QCOMPARE(renewed.files.size(), 1);

        // A saved file gone missing fails the whole restore and keeps the connections.
        QVERIFY(QFile::remove(disk.path("own.txt")));
        Rig third(disk);
        QVERIFY(third.settle());
        QVERIFY(third.store->errorText().startsWith(restoreFailurePrefix));
        QVERIFY(third.store->errorText().size() > restoreFailurePrefix.size());
        QCOMPARE(third.store->referenceStatus(),
                 u"Connection saved \u00B7 reconnect or refresh to restore access"_s);
        QVERIFY(third.store->documents().isEmpty());
        QCOMPARE(disk.stored(), stored);
    }
};

BRINDLE_REGISTER_TEST(SessionReferencesTest);
#include "sessionreferencestest.moc"
