#include "appsettings.h"
#include "apperror.h"
#include "fakesecretstore.h"
#include "testregistry.h"

#include <QTemporaryDir>

using namespace brindle;

namespace {

const auto flag = QStringLiteral("geminiResearchDefaultApplied");
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
        return std::make_unique<AppSettings>(loadsSaved, std::move(defaults), m_keys);
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
        QCOMPARE(errorOf([&] { settings->save(); }), saves ? QString() : limitMessage);
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
        settings->save();
        settings.reset();
        const auto again = load({});
        QCOMPARE(again->researchProvider(), ResearchProvider::openAI);
        QCOMPARE(again->researchModel(), QStringLiteral(" my-model "));
        QCOMPARE(again->useSelka(), false);
        QCOMPARE(again->maxChecksPerSession(), 70);
        QCOMPARE(again->researchKey(), QStringLiteral("ключ"));
    }

    void keysAreTrimmedBySavingNotByValidation() {
        m_keys->items = {{"research", "old"}, {"selka", "\xff\xfe"}, {"openrouter", "or"}};
        const auto settings = load({{"researchProvider", "OpenAI"}, {flag, true}});
        QCOMPARE(settings->selkaKey(), QString()); // not UTF-8
        settings->setResearchKey(QStringLiteral("   "));
        QCOMPARE(errorOf([&] { settings->configuration().validate(); }),
                 QStringLiteral("Add your OpenAI API key in Settings."));
        settings->save();
        QCOMPARE(settings->researchKey(), QString());
        QVERIFY(!m_keys->items.contains(QStringLiteral("research")));

        settings->setResearchKey(QStringLiteral("r"));
        settings->setSelkaKey(QStringLiteral(" "));
        settings->configuration().validate(); // the selection key is not trimmed here
        settings->save();
        QCOMPARE(settings->selkaKey(), QString());
        QCOMPARE(errorOf([&] { settings->configuration().validate(); }),
                 QStringLiteral(
                     "Add your Quorvane key for Selka, or turn off Selka selection in Settings."));

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
        QTEST(errorOf([&] { settings->save(); }), "message");
        QCOMPARE(m_keys->calls.last(), failing);
        QVERIFY(!m_keys->calls.contains(QStringLiteral("remove openrouter")));
        QVERIFY(!onDisk(QStringLiteral("maxChecks")).isValid());
    }
};

BRINDLE_REGISTER_TEST(AppSettingsTest);
#include "appsettingstest.moc"
