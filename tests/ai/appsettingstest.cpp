#include "appsettings.h"
#include "apperror.h"
#include "fakesecretstore.h"
#include "testregistry.h"
#include "virtualscheduler.h"

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace brindle;

Q_DECLARE_METATYPE(brindle::ResearchProvider)
Q_DECLARE_METATYPE(brindle::SelkaProvider)

namespace {

const auto migrationFlag = QStringLiteral("geminiResearchDefaultApplied");
const auto limitMessage =
    QStringLiteral("Enter model names and a check limit from 10 to 200 in steps of 10.");

QString errorOf(const std::function<void()> &call) {
    try {
        call();
    } catch (const AppError &error) {
        return error.message();
    }
    return {};
}

} // namespace

class AppSettingsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    std::shared_ptr<test::FakeSecretStore> m_keys;

    // Typed values stay typed in the QSettings object that is handed over; text values stand for
    // what a fresh QSettings reads back from the file.
    std::unique_ptr<AppSettings> load(QVariantHash stored, bool loadsSavedPreferences = true) {
        auto defaults = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            defaults->setValue(it.key(), it.value());
        return std::make_unique<AppSettings>(loadsSavedPreferences, std::move(defaults), m_keys);
    }
    std::unique_ptr<AppSettings> loadMigrated(QVariantHash stored = {}) {
        stored.insert(migrationFlag, true);
        return load(stored);
    }
    QVariant onDisk(const QString &key) const {
        return QSettings(m_path, QSettings::IniFormat).value(key);
    }

private Q_SLOTS:
    void init() {
        static int counter = 0;
        m_path = m_dir.filePath(QStringLiteral("settings-%1.ini").arg(++counter));
        m_keys = std::make_shared<test::FakeSecretStore>();
    }

    void freshInstallGetsDefaultsAndTheMigrationFlag() {
        const auto settings = load({});
        const AIConfiguration expected{.selkaModel = QStringLiteral("selka-1.13"),
                                       .researchModel = QStringLiteral("google/gemini-3.8-flash")};
        QCOMPARE(settings->configuration(), expected);
        QCOMPARE(settings->maxChecksPerSession(), 30);
        QCOMPARE(settings->researchModel(), QStringLiteral("gpt-5.4"));
        QCOMPARE(settings->openRouterSelkaModel(), QStringLiteral("quorvane/selka-1.13"));
        QCOMPARE(m_keys->calls,
                 (QStringList{QStringLiteral("read selka"), QStringLiteral("read research"),
                              QStringLiteral("read openrouter")}));
        QCOMPARE(onDisk(migrationFlag).toString(), QStringLiteral("true"));
        QCOMPARE(onDisk(QStringLiteral("researchProvider")).toString(),
                 QStringLiteral("OpenRouter"));
        QVERIFY(!onDisk(QStringLiteral("maxChecks")).isValid());
    }

    void providers_data() {
        QTest::addColumn<QVariant>("flag");
        QTest::addColumn<QVariant>("research");
        QTest::addColumn<QVariant>("selka");
        QTest::addColumn<ResearchProvider>("expectedResearch");
        QTest::addColumn<SelkaProvider>("expectedSelka");
        const QVariant none;
        const auto text = [](const char *s) { return QVariant(QString::fromLatin1(s)); };
        QTest::newRow("migration overrides OpenAI")
            << none << text("OpenAI") << none << ResearchProvider::openRouter
            << SelkaProvider::quorvane;
        QTest::newRow("flag false still migrates")
            << text("false") << text("OpenAI") << none << ResearchProvider::openRouter
            << SelkaProvider::quorvane;
        QTest::newRow("OpenAI once migrated")
            << text("true") << text("OpenAI") << text("OpenRouter") << ResearchProvider::openAI
            << SelkaProvider::openRouter;
        QTest::newRow("case matters") << QVariant(true) << text("openai") << text("openrouter")
                                      << ResearchProvider::openRouter << SelkaProvider::quorvane;
        QTest::newRow("unknown text") << QVariant(true) << text("Quorvane") << text("OpenAI")
                                      << ResearchProvider::openRouter << SelkaProvider::quorvane;
    }
    void providers() {
        QFETCH(QVariant, flag);
        QFETCH(QVariant, research);
        QFETCH(QVariant, selka);
        QVariantHash stored;
        for (const auto &[key, value] : {std::pair{migrationFlag, flag},
                                         {QStringLiteral("researchProvider"), research},
                                         {QStringLiteral("selkaProvider"), selka}})
            if (value.isValid())
                stored.insert(key, value);
        const auto settings = load(stored);
        QTEST(settings->researchProvider(), "expectedResearch");
        QTEST(settings->selkaProvider(), "expectedSelka");
    }

    void storedValues_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QVariant>("expected");
        const auto row = [](const char *name, const char *key, QVariant stored, QVariant expected) {
            QTest::newRow(name) << QString::fromLatin1(key) << stored << expected;
        };
        const auto text = [](const char *s) { return QVariant(QString::fromUtf8(s)); };
        row("empty model stays empty", "openRouterModel", text(""), text(""));
        row("model kept untrimmed", "researchModel", text(" gpt-x "), text(" gpt-x "));
        row("list is not text", "selkaModel", QStringList{"a", "b"}, text("selka-1.13"));
        row("bool false", "useSelka", false, false);
        row("text false", "useSelka", text("false"), false);
        row("integer 0 is no bool", "useSelka", 0, true);
        row("text no", "useSelka", text("no"), true);
        row("35 rounds up", "maxChecks", 35, 40);
        row("45 rounds away from zero", "maxChecks", 45, 50);
        row("44 rounds down", "maxChecks", 44, 40);
        row("0 clamps", "maxChecks", 0, 10);
        row("1000 clamps", "maxChecks", 1000, 200);
        row("-15 clamps", "maxChecks", -15, 10);
        row("huge clamps", "maxChecks", std::numeric_limits<qlonglong>::max(), 200);
        row("text 45", "maxChecks", text("45"), 50);
        row("unsigned", "maxChecks", 150u, 150);
        row("text not a number", "maxChecks", text("4x"), 30);
        row("fraction", "maxChecks", 12.5, 30);
        row("bool", "maxChecks", true, 30);
    }
    void storedValues() {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        const auto settings = loadMigrated({{key, stored}});
        const auto property =
            key == QLatin1String("maxChecks") ? "maxChecksPerSession" : key.toLatin1();
        QTEST(settings->property(property), "expected");
    }

    void savedValuesReadBackFromTheFile() {
        auto settings = loadMigrated();
        settings->setResearchProvider(ResearchProvider::openAI);
        settings->setSelkaProvider(SelkaProvider::openRouter);
        settings->setResearchModel(QStringLiteral(" my-model "));
        settings->setUseSelka(false);
        settings->setMaxChecksPerSession(70);
        settings->setResearchKey(QStringLiteral("\tключ\n"));
        settings->save();
        settings.reset();
        const auto again = load({});
        QCOMPARE(again->researchProvider(), ResearchProvider::openAI);
        QCOMPARE(again->selkaProvider(), SelkaProvider::openRouter);
        QCOMPARE(again->researchModel(), QStringLiteral(" my-model "));
        QCOMPARE(again->useSelka(), false);
        QCOMPARE(again->maxChecksPerSession(), 70);
        QCOMPARE(again->researchKey(), QStringLiteral("ключ"));
    }

    void saveChecksModelsAndLimit_data() {
        QTest::addColumn<ResearchProvider>("research");
        QTest::addColumn<SelkaProvider>("selka");
        QTest::addColumn<bool>("useSelka");
        QTest::addColumn<QString>("model");      // the research model that applies
        QTest::addColumn<QString>("otherModel"); // the research model that does not
        QTest::addColumn<QString>("selkaModel"); // the selection model that applies
        QTest::addColumn<int>("limit");
        QTest::addColumn<bool>("saves");
        const auto openAI = ResearchProvider::openAI;
        const auto orResearch = ResearchProvider::openRouter;
        const auto quorvane = SelkaProvider::quorvane;
        const auto orSelka = SelkaProvider::openRouter;
        QTest::newRow("defaults") << orResearch << quorvane << true << "m"
                                  << ""
                                  << "s" << 30 << true;
        QTest::newRow("45") << orResearch << quorvane << true << "m"
                            << "x"
                            << "s" << 45 << false;
        QTest::newRow("0") << openAI << quorvane << true << "m"
                           << "x"
                           << "s" << 0 << false;
        QTest::newRow("210") << openAI << quorvane << true << "m"
                             << "x"
                             << "s" << 210 << false;
        QTest::newRow("200") << openAI << orSelka << true << "m"
                             << "x"
                             << "s" << 200 << true;
        QTest::newRow("10") << openAI << orSelka << true << "m"
                            << "x"
                            << "s" << 10 << true;
        QTest::newRow("selection off, no model") << orResearch << quorvane << false << "m"
                                                 << "x"
                                                 << "" << 30 << true;
        QTest::newRow("selection model blank") << orResearch << quorvane << true << "m"
                                               << "x"
                                               << " \n"
                                               << 30 << false;
        QTest::newRow("OpenRouter selection model empty") << openAI << orSelka << true << "m"
                                                          << "x"
                                                          << "" << 30 << false;
        QTest::newRow("research model blank") << openAI << quorvane << true << "\t"
                                              << "x"
                                              << "s" << 30 << false;
        QTest::newRow("OpenRouter research model empty") << orResearch << quorvane << true << ""
                                                         << "x"
                                                         << "s" << 30 << false;
    }
    void saveChecksModelsAndLimit() {
        QFETCH(ResearchProvider, research);
        QFETCH(SelkaProvider, selka);
        QFETCH(QString, model);
        QFETCH(QString, otherModel);
        QFETCH(QString, selkaModel);
        QFETCH(bool, saves);
        const auto settings = loadMigrated();
        const bool viaOpenRouter = research == ResearchProvider::openRouter;
        settings->setOpenRouterModel(viaOpenRouter ? model : otherModel);
        settings->setResearchModel(viaOpenRouter ? otherModel : model);
        settings->setResearchProvider(research);
        settings->setSelkaProvider(selka);
        // The selection model that does not apply is left at its default.
        if (selka == SelkaProvider::openRouter)
            settings->setOpenRouterSelkaModel(selkaModel);
        else
            settings->setSelkaModel(selkaModel);
        settings->setUseSelka(QTest::currentDataTag() != QByteArray("selection off, no model"));
        QFETCH(int, limit);
        settings->setMaxChecksPerSession(limit);
        m_keys->calls.clear();

        QCOMPARE(errorOf([&] { settings->save(); }), saves ? QString() : limitMessage);
        QCOMPARE(m_keys->calls.size(), saves ? 3 : 0);
        QCOMPARE(onDisk(QStringLiteral("maxChecks")),
                 saves ? QVariant(QString::number(limit)) : QVariant());
    }

    void keysAreTrimmedOnSaveButNotByValidation() {
        const auto settings = loadMigrated({{QStringLiteral("researchProvider"), "OpenAI"}});
        m_keys->items.insert(QStringLiteral("research"), "old");
        settings->setResearchKey(QStringLiteral("   "));
        settings->setSelkaKey(QStringLiteral(" "));
        QCOMPARE(errorOf([&] { settings->configuration().validate(); }),
                 QStringLiteral("Add your OpenAI API key in Settings."));
        settings->setResearchKey(QStringLiteral(" r "));
        settings->configuration().validate(); // the one-space selection key passes here...
        QSignalSpy selkaChanged(settings.get(), &AppSettings::selkaKeyChanged);
        settings->setResearchKey(QStringLiteral("   "));
        settings->save(); // ...saving trims it, and a blank key removes the item
        QCOMPARE(selkaChanged.size(), 1);
        QCOMPARE(settings->selkaKey(), QString());
        QCOMPARE(settings->researchKey(), QString());
        QVERIFY(!m_keys->items.contains(QStringLiteral("research")));
        QVERIFY(m_keys->calls.contains(QStringLiteral("remove research")));
        settings->setResearchKey(QStringLiteral("r"));
        QCOMPARE(errorOf([&] { settings->configuration().validate(); }),
                 QStringLiteral("Add your Quorvane key for Selka, or turn off Selka selection "
                                "in Settings."));
    }

    void configurationPicksTheKeyAndModelOfEachProvider_data() {
        QTest::addColumn<ResearchProvider>("research");
        QTest::addColumn<SelkaProvider>("selka");
        QTest::addColumn<QStringList>("expected"); // selka key, research key, selka model, model
        QTest::newRow("both OpenRouter share the key")
            << ResearchProvider::openRouter << SelkaProvider::openRouter
            << QStringList{"or", "or", "quorvane/selka-1.13", "google/gemini-3.8-flash"};
        QTest::newRow("both direct") << ResearchProvider::openAI << SelkaProvider::quorvane
                                     << QStringList{"q", "o", "selka-1.13", "gpt-5.4"};
        QTest::newRow("mixed") << ResearchProvider::openAI << SelkaProvider::openRouter
                               << QStringList{"or", "o", "quorvane/selka-1.13", "gpt-5.4"};
    }
    void configurationPicksTheKeyAndModelOfEachProvider() {
        QFETCH(ResearchProvider, research);
        QFETCH(SelkaProvider, selka);
        QFETCH(QStringList, expected);
        m_keys->items = {{"selka", "q"}, {"research", "o"}, {"openrouter", "or"}};
        const auto settings = loadMigrated();
        settings->setResearchProvider(research);
        settings->setSelkaProvider(selka);
        const auto config = settings->configuration();
        QCOMPARE((QStringList{config.selkaKey, config.researchKey, config.selkaModel,
                              config.researchModel}),
                 expected);
    }

    void firstKeyFailureStopsTheSave_data() {
        QTest::addColumn<QString>("selkaKey");
        QTest::addColumn<QString>("failingCall");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("write") << "s"
                               << "write research" << 7
                               << "Could not save the API key in the keyring (7)."
                               << QStringList{"write selka", "write research"};
        QTest::newRow("no answer")
            << "s"
            << "write openrouter" << -1 << "Could not save the API key in the keyring (-1)."
            << QStringList{"write selka", "write research", "write openrouter"};
        QTest::newRow("remove") << ""
                                << "remove selka" << 2
                                << "Could not remove the saved API key from the keyring."
                                << QStringList{"remove selka"};
    }
    void firstKeyFailureStopsTheSave() {
        QFETCH(QString, failingCall);
        QFETCH(int, code);
        const auto settings = loadMigrated();
        QFETCH(QString, selkaKey);
        settings->setSelkaKey(selkaKey);
        settings->setResearchKey(QStringLiteral("r"));
        settings->setOpenRouterKey(QStringLiteral("o"));
        m_keys->calls.clear();
        m_keys->failures.insert(failingCall, code);
        QTEST(errorOf([&] { settings->save(); }), "message");
        QTEST(m_keys->calls, "calls");
        QVERIFY(!onDisk(QStringLiteral("maxChecks")).isValid());
    }

    void unreadableKeysReadAsEmpty() {
        m_keys->items = {{"selka", "\xff\xfe"}, {"research", QStringLiteral("ключ").toUtf8()}};
        m_keys->failures.insert(QStringLiteral("read openrouter"), 7);
        const auto settings = loadMigrated();
        QCOMPARE(settings->selkaKey(), QString());
        QCOMPARE(settings->researchKey(), QStringLiteral("ключ"));
        QCOMPARE(settings->openRouterKey(), QString());
    }

    void isolatedInstanceReadsNoKeysAndMigratesNothing() {
        m_keys->items.insert(QStringLiteral("research"), "k");
        const auto settings = load({{QStringLiteral("researchProvider"), "OpenAI"}}, false);
        QCOMPARE(settings->researchKey(), QString());
        QCOMPARE(settings->researchProvider(), ResearchProvider::openAI);
        QVERIFY(m_keys->calls.isEmpty());
        QVERIFY(!onDisk(migrationFlag).isValid());
    }

    void isolatedInstanceKeepsToItsOwnFile() {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
        test::VirtualScheduler scheduler;
        const auto settings = AppSettings::create(false, scheduler);
        settings->setResearchKey(QStringLiteral("k"));
        settings->save();
        QVERIFY(
            QFile::exists(m_dir.filePath(QStringLiteral("Brindle/Tessaly.Tests.Ephemeral.ini"))));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("Brindle/Brindle.ini"))));
    }
};

BRINDLE_REGISTER_TEST(AppSettingsTest);
#include "appsettingstest.moc"
