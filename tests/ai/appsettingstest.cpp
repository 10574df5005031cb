#include "appsettings.h"
#include "fakesecretstore.h"
#include "taskrunner.h"
#include "testregistry.h"

#include <QTemporaryDir>

using namespace brindle;

namespace {

const auto flag = QStringLiteral("geminiResearchDefaultApplied");
const auto limitMessage =
    QStringLiteral("Enter model names and a check limit from 10 to 200 in steps of 10.");

QString saved(AppSettings &settings) {
    return tool::runTask(settings.save()).error;
}

QVariant text(const char *value) {
    return QString::fromUtf8(value);
}

} // namespace

class AppSettingsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    std::shared_ptr<test::FakeSecretStore> m_keys;

    // Typed values stay typed in the QSettings object handed over; text values are what a fresh
    // QSettings reads back from the INI file.
    std::unique_ptr<AppSettings> load(const QVariantMap &stored, bool loadsSaved = true) {
        auto defaults = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            defaults->setValue(it.key(), it.value());
        auto settings = std::make_unique<AppSettings>(loadsSaved, std::move(defaults), m_keys);
        settings->loadKeys(); // the fake store answers at once
        return settings;
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
        QCOMPARE(m_keys->calls.size(), 3);
        QCOMPARE(onDisk(flag), text("true"));
        QVERIFY(!onDisk(QStringLiteral("maxChecks")).isValid());
    }

    // Each row: stored values -> the property expected to load from them.
    void loading_data() {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QVariant>("expected");
        const auto openAI = QVariant::fromValue(ResearchProvider::openAI);
        const auto openRouter = QVariant::fromValue(ResearchProvider::openRouter);
        const auto row = [](const char *name, QVariantMap stored, const char *property,
                            QVariant expected) {
            if (!stored.contains(flag))
                stored.insert(flag, true);
            QTest::newRow(name) << stored << QByteArray(property) << expected;
        };
        row("migration overrides OpenAI", {{"researchProvider", "OpenAI"}, {flag, text("false")}},
            "researchProvider", openRouter);
        row("OpenAI once migrated", {{"researchProvider", "OpenAI"}}, "researchProvider", openAI);
        row("openai is not OpenAI", {{"researchProvider", "openai"}}, "researchProvider",
            openRouter);
        row("empty model stays empty", {{"openRouterModel", ""}}, "openRouterModel", text(""));
        row("text false", {{"useSelka", "false"}}, "useSelka", false);
        row("integer 0 is no bool", {{"useSelka", 0}}, "useSelka", true);
        row("35", {{"maxChecks", 35}}, "maxChecksPerSession", 40);
        row("45 rounds away from zero", {{"maxChecks", 45}}, "maxChecksPerSession", 50);
        row("0", {{"maxChecks", 0}}, "maxChecksPerSession", 10);
        row("fraction", {{"maxChecks", 12.5}}, "maxChecksPerSession", 30);
    }
    void loading() {
        QFETCH(QVariantMap, stored);
        QFETCH(QByteArray, property);
        QTEST(load(stored)->property(property), "expected");
    }

    // Each row: edits to the defaults (OpenRouter research, Quorvane selection) -> saved or not.
    void saving_data() {
        QTest::addColumn<QVariantMap>("edits");
        QTest::addColumn<bool>("saves");
        const auto openAI = QVariant::fromValue(ResearchProvider::openAI);
        QTest::newRow("45") << QVariantMap{{"maxChecksPerSession", 45}} << false;
        QTest::newRow("200") << QVariantMap{{"maxChecksPerSession", 200}} << true;
        QTest::newRow("selection off, no model")
            << QVariantMap{{"useSelka", false}, {"selkaModel", ""}} << true;
        QTest::newRow("selection model blank") << QVariantMap{{"selkaModel", " \n"}} << false;
        QTest::newRow("unused model empty") << QVariantMap{{"researchModel", ""}} << true;
        QTest::newRow("OpenAI model empty")
            << QVariantMap{{"researchProvider", openAI}, {"researchModel", ""}} << false;
    }
    void saving() {
        QFETCH(QVariantMap, edits);
        QFETCH(bool, saves);
        const auto settings = load({{flag, true}});
        for (auto it = edits.cbegin(); it != edits.cend(); ++it)
            QVERIFY(settings->setProperty(it.key().toLatin1(), it.value()));
        m_keys->calls.clear();
        QCOMPARE(saved(*settings), saves ? QString() : limitMessage);
        // Unchanged keys are not written again, so a desktop without a keyring can still save.
        QCOMPARE(m_keys->calls.size(), 0);
        QCOMPARE(onDisk(QStringLiteral("maxChecks")).isValid(), saves);
    }

    void savedValuesReadBackFromTheFile() {
        auto settings = load({{flag, true}});
        settings->setResearchProvider(ResearchProvider::openAI);
        settings->setResearchModel(QStringLiteral(" my-model "));
        settings->setUseSelka(false);
        settings->setMaxChecksPerSession(70);
        settings->setResearchKey(QStringLiteral("\tключ\n"));
        QCOMPARE(saved(*settings), QString());
        settings.reset();
        const auto again = load({});
        QCOMPARE(again->researchProvider(), ResearchProvider::openAI);
        QCOMPARE(again->researchModel(), QStringLiteral(" my-model "));
        QCOMPARE(again->useSelka(), false);
        QCOMPARE(again->maxChecksPerSession(), 70);
        QCOMPARE(again->researchKey(), QStringLiteral("ключ"));
    }

    // Trimming on save is guarded by the keyring and settings-sheet tests.
    void storedKeysAreTextAndOpenRouterServesBothPasses() {
        m_keys->items = {{"research", "r"}, {"selka", "\xff\xfe"}, {"openrouter", "or"}};
        const auto settings = load({{flag, true}});
        QCOMPARE(settings->selkaKey(), QString()); // not UTF-8
        settings->setResearchProvider(ResearchProvider::openRouter);
        settings->setSelkaProvider(SelkaProvider::openRouter);
        const auto config = settings->configuration();
        QCOMPARE(config.selkaKey, QStringLiteral("or"));
        QCOMPARE(config.researchKey, QStringLiteral("or"));
    }

    void firstKeyFailureStopsTheSave_data() {
        QTest::addColumn<QString>("selkaKey");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QString>("message");
        QTest::newRow("write") << "s"
                               << "write research"
                               << "Could not save the API key in the keyring (7).";
        QTest::newRow("remove") << ""
                                << "remove selka"
                                << "Could not remove the saved API key from the keyring.";
    }
    void firstKeyFailureStopsTheSave() {
        QFETCH(QString, selkaKey);
        QFETCH(QString, failing);
        m_keys->items.insert(QStringLiteral("selka"), "stored");
        const auto settings = load({{flag, true}});
        settings->setSelkaKey(selkaKey);
        settings->setResearchKey(QStringLiteral("r"));
        m_keys->calls.clear();
        m_keys->failures.insert(failing, 7);
        QTEST(saved(*settings), "message");
        QCOMPARE(m_keys->calls.last(), failing);
        QVERIFY(!m_keys->calls.contains(QStringLiteral("remove openrouter")));
        QVERIFY(!onDisk(QStringLiteral("maxChecks")).isValid());
    }

    void savingBeforeTheKeysAreReadKeepsThem() {
        m_keys->items.insert(QStringLiteral("selka"), "stored");
        AppSettings settings(true, std::make_unique<QSettings>(m_path, QSettings::IniFormat),
                             m_keys);
        QCOMPARE(saved(settings), QStringLiteral("The saved API keys have not been read yet."));
        QCOMPARE(m_keys->items.value(QStringLiteral("selka")), QByteArray("stored"));
    }
};

BRINDLE_REGISTER_TEST(AppSettingsTest);
#include "appsettingstest.moc"
