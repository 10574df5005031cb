// Runs inside tests/support/keyring-session.sh, which says in BRINDLE_KEYRING_SCENARIO what kind of
// keyring, if any, this process can reach.
#include "apperror.h"
#include "appsettings.h"
#include "keyringsecretstore.h"
#include "systemscheduler.h"
#include "taskrunner.h"
#include "testregistry.h"

#include <QTemporaryDir>

using namespace brindle;
using Kind = SecretOutcome::Kind;

#define REQUIRE_SCENARIO(...)                                                                      \
    if (!QStringList{__VA_ARGS__}.contains(qEnvironmentVariable("BRINDLE_KEYRING_SCENARIO")))      \
    QSKIP("not this process's keyring scenario")

class KeyringIntegrationTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    SystemScheduler m_scheduler;

    std::unique_ptr<AppSettings> settings(std::shared_ptr<SecretStore> store) {
        auto loaded = std::make_unique<AppSettings>(
            true,
            std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("s.ini")),
                                        QSettings::IniFormat),
            std::move(store));
        QCoro::waitFor(loaded->loadKeys());
        return loaded;
    }
    static QString saveError(AppSettings &settings) { return tool::runTask(settings.save()).error; }
    static SecretOutcome read(SecretStore &store, const char *account) {
        return QCoro::waitFor(store.read(QString::fromLatin1(account)));
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(qEnvironmentVariableIsSet("BRINDLE_KEYRING_SCENARIO"),
                 "run through tests/support/keyring-session.sh");
    }

    void keysAreSavedReadReplacedAndDeleted() {
        REQUIRE_SCENARIO("keyring");
        auto store = std::make_shared<KeyringSecretStore>(m_scheduler);
        QCOMPARE(read(*store, "selka").kind, Kind::notFound);
        auto first = settings(store);
        first->setSelkaKey(QStringLiteral(" erster Schlüssel\n"));
        first->setOpenRouterKey(QStringLiteral("or-key"));
        // The keyring is awaited: nothing else runs inside the call, as in a nested event loop.
        bool posted = false;
        QMetaObject::invokeMethod(
            this, [&posted] { posted = true; }, Qt::QueuedConnection);
        auto saving = first->save();
        QVERIFY(!posted);
        QCOMPARE(tool::runTask(std::move(saving)).error, QString());
        const auto second = settings(store);
        QCOMPARE(second->selkaKey(), QStringLiteral("erster Schlüssel"));
        QCOMPARE(second->openRouterKey(), QStringLiteral("or-key"));
        second->setSelkaKey(QStringLiteral("second"));
        second->setOpenRouterKey(QString());
        QCOMPARE(saveError(*second), QString());
        QCOMPARE(read(*store, "selka").data, QByteArray("second"));
        QCOMPARE(read(*store, "openrouter").kind, Kind::notFound);
        QCOMPARE(saveError(*second), QString()); // deleting what is already gone is fine
    }

    void withoutAKeyringKeysReadEmptyAndSavingFails() {
        REQUIRE_SCENARIO("no-secret-service", "no-bus");
        // A generous bound: the keyring layer has to answer by itself, not by running out of time.
        auto store = std::make_shared<KeyringSecretStore>(m_scheduler, seconds(20));
        const auto failed = read(*store, "selka");
        QCOMPARE(failed.kind, Kind::failed);
        QVERIFY(failed.code > 0);
        const auto loaded = settings(store);
        QCOMPARE(loaded->researchKey(), QString());
        loaded->setSelkaKey(QStringLiteral("q-key"));
        QCOMPARE(
            saveError(*loaded),
            QStringLiteral("Could not save the API key in the keyring (%1).").arg(failed.code));
    }

    void anUnresponsiveKeyringCostsOneBoundedWait() {
        REQUIRE_SCENARIO("unresponsive");
        auto store = std::make_shared<KeyringSecretStore>(m_scheduler, seconds(0.5));
        QCOMPARE(read(*store, "selka").code, KeyringSecretStore::noAnswerCode);
        // Later calls would queue behind the stuck one inside QtKeychain; they fail at once
        // instead.
        const auto start = m_scheduler.monotonic();
        const auto loaded = settings(store);
        loaded->setSelkaKey(QStringLiteral("k"));
        QCOMPARE(saveError(*loaded),
                 QStringLiteral("Could not save the API key in the keyring (-1)."));
        QVERIFY(m_scheduler.monotonic() - start < seconds(0.5));
    }
};

BRINDLE_REGISTER_TEST(KeyringIntegrationTest);
#include "keyringintegrationtest.moc"
