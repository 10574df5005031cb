// Runs inside tests/support/keyring-session.sh, which says in BRINDLE_KEYRING_SCENARIO what kind of
// keyring (if any) this process can reach.
#include "apperror.h"
#include "appsettings.h"
#include "keyringsecretstore.h"
#include "systemscheduler.h"
#include "testregistry.h"

#include <QRegularExpression>
#include <QTemporaryDir>

using namespace brindle;
using Kind = SecretOutcome::Kind;

class KeyringIntegrationTest : public QObject {
    Q_OBJECT

    QString m_scenario;
    QTemporaryDir m_dir;
    SystemScheduler m_scheduler;

    std::unique_ptr<AppSettings> settings(std::shared_ptr<SecretStore> store) {
        auto defaults = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("s.ini")),
                                                    QSettings::IniFormat);
        return std::make_unique<AppSettings>(true, std::move(defaults), std::move(store));
    }
    bool inScenario(std::initializer_list<const char *> scenarios) const {
        return std::any_of(scenarios.begin(), scenarios.end(),
                           [this](const char *name) { return m_scenario == QLatin1String(name); });
    }
    QString saveError(AppSettings &settings) {
        try {
            settings.save();
        } catch (const AppError &error) {
            return error.message();
        }
        return {};
    }

private Q_SLOTS:
    void initTestCase() {
        m_scenario = qEnvironmentVariable("BRINDLE_KEYRING_SCENARIO");
        QVERIFY2(!m_scenario.isEmpty(), "run through tests/support/keyring-session.sh");
    }

    void keysAreSavedReplacedAndDeleted() {
        if (!inScenario({"keyring"}))
            QSKIP("not this process\'s keyring scenario");
        KeyringSecretStore store(m_scheduler);
        const auto account = QStringLiteral("research");
        QCOMPARE(store.read(account).kind, Kind::notFound);
        QCOMPARE(store.write(account, QStringLiteral("first")).kind, Kind::ok);
        QCOMPARE(store.read(account).data, QByteArray("first"));
        QCOMPARE(store.write(account, QStringLiteral("zweiter Schlüssel")).kind, Kind::ok);
        QCOMPARE(store.read(account).data, QStringLiteral("zweiter Schlüssel").toUtf8());
        QCOMPARE(store.remove(account).kind, Kind::ok);
        QVERIFY(store.remove(account).kind != Kind::failed);
        QCOMPARE(store.read(account).kind, Kind::notFound);
    }

    void settingsKeepTheirKeysInTheKeyring() {
        if (!inScenario({"keyring"}))
            QSKIP("not this process\'s keyring scenario");
        auto store = std::make_shared<KeyringSecretStore>(m_scheduler);
        auto first = settings(store);
        first->setSelkaKey(QStringLiteral(" q-key\n"));
        first->setOpenRouterKey(QStringLiteral("or-key"));
        QCOMPARE(saveError(*first), QString());
        const auto second = settings(store);
        QCOMPARE(second->selkaKey(), QStringLiteral("q-key"));
        QCOMPARE(second->researchKey(), QString());
        QCOMPARE(second->openRouterKey(), QStringLiteral("or-key"));
        second->setOpenRouterKey(QString());
        QCOMPARE(saveError(*second), QString());
        QCOMPARE(store->read(QStringLiteral("openrouter")).kind, Kind::notFound);
        QCOMPARE(store->read(QStringLiteral("selka")).data, QByteArray("q-key"));
    }

    void withoutAKeyringKeysReadEmptyAndSavingFails() {
        if (m_scenario != QLatin1String("no-secret-service") &&
            m_scenario != QLatin1String("no-bus"))
            QSKIP("not this process's keyring scenario");
        // A generous bound: the keyring layer must answer by itself, not by running out of time.
        auto store = std::make_shared<KeyringSecretStore>(m_scheduler, seconds(20));
        const auto read = store->read(QStringLiteral("selka"));
        QCOMPARE(read.kind, Kind::failed);
        QVERIFY(read.code != KeyringSecretStore::noAnswerCode);
        const auto loaded = settings(store);
        QCOMPARE(loaded->selkaKey(), QString());
        loaded->setSelkaKey(QStringLiteral("q-key"));
        const auto error = saveError(*loaded);
        QVERIFY2(
            QRegularExpression(
                QStringLiteral("^Could not save the API key in the keyring \\([1-9]\\d*\\)\\.$"))
                .match(error)
                .hasMatch(),
            qPrintable(error));
        QVERIFY(!store->isStalled());
    }

    void anUnresponsiveKeyringCostsOneBoundedWait() {
        if (!inScenario({"unresponsive"}))
            QSKIP("not this process\'s keyring scenario");
        auto store = std::make_shared<KeyringSecretStore>(m_scheduler, seconds(0.5));
        const auto read = store->read(QStringLiteral("selka"));
        QCOMPARE(read.kind, Kind::failed);
        QCOMPARE(read.code, KeyringSecretStore::noAnswerCode);
        QVERIFY(store->isStalled());
        // Later calls would queue behind the stuck one; they fail at once instead.
        const auto start = m_scheduler.monotonic();
        const auto loaded = settings(store);
        QCOMPARE(loaded->selkaKey(), QString());
        loaded->setSelkaKey(QStringLiteral("k"));
        QCOMPARE(saveError(*loaded),
                 QStringLiteral("Could not save the API key in the keyring (-1)."));
        QVERIFY(m_scheduler.monotonic() - start < seconds(0.5));
    }
};

BRINDLE_REGISTER_TEST(KeyringIntegrationTest);
#include "keyringintegrationtest.moc"
