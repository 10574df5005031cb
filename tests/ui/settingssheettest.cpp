#include "appsettings.h"
#include "fakesecretstore.h"
#include "findingvalues.h"
#include "settingssheetcontroller.h"
#include "testregistry.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace brindle;

class SettingsSheetTest : public QObject {
    Q_OBJECT

    struct Fixture {
        QTemporaryDir dir;
        std::shared_ptr<test::FakeSecretStore> secrets = std::make_shared<test::FakeSecretStore>();
        std::unique_ptr<AppSettings> settings;
        SettingsSheetController sheet;

        Fixture() {
            settings = std::make_unique<AppSettings>(
                true,
                std::make_unique<QSettings>(dir.filePath(QStringLiteral("s.ini")),
                                            QSettings::IniFormat),
                secrets);
            settings->loadKeys(); // the fake store answers at once
            settings->setResearchModel(QStringLiteral("gpt-5.4"));
            sheet.setSettings(settings.get());
        }
    };

private Q_SLOTS:
    // Each row: edits over OpenAI research and Quorvane selection with every model set to "m".
    void saveRules_data() {
        QTest::addColumn<QVariantMap>("edits");
        QTest::addColumn<bool>("canSave");
        QTest::newRow("all filled") << QVariantMap{} << true;
        QTest::newRow("OpenAI model only spaces")
            << QVariantMap{{"researchModel", "  \n"}} << false;
        QTest::newRow("OpenRouter model empty")
            << QVariantMap{{"researchProvider", 1}, {"openRouterModel", ""}} << false;
        QTest::newRow("inactive research model empty")
            << QVariantMap{{"researchProvider", 1}, {"researchModel", ""}} << true;
        QTest::newRow("Selka model empty") << QVariantMap{{"selkaModel", ""}} << false;
        QTest::newRow("Selka off ignores its model")
            << QVariantMap{{"useSelka", false}, {"selkaModel", ""}, {"openRouterSelkaModel", ""}}
            << true;
        QTest::newRow("OpenRouter Selka model blank")
            << QVariantMap{{"selkaProvider", 1}, {"openRouterSelkaModel", " "}} << false;
        QTest::newRow("vendor Selka model unused")
            << QVariantMap{{"selkaProvider", 1}, {"selkaModel", ""}} << true;
    }
    void saveRules() {
        QFETCH(QVariantMap, edits);
        Fixture f;
        QVariantMap values{{"researchProvider", 0}, {"selkaProvider", 0}, {"useSelka", true}};
        for (const auto key :
             {"researchModel", "openRouterModel", "selkaModel", "openRouterSelkaModel"})
            values.insert(QString::fromLatin1(key), QStringLiteral("m"));
        values.insert(edits);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            QVERIFY(f.sheet.setProperty(it.key().toLatin1(), it.value()));
        QTEST(f.sheet.canSave(), "canSave");
    }

    void editsStayCopiesUntilSaveWhichStoresThemTrimmed() {
        Fixture f;
        f.sheet.setProperty("researchKey", QStringLiteral("  sk-research\n"));
        f.sheet.setProperty("openRouterKey", QStringLiteral(" or-key "));
        f.sheet.setProperty("researchModel", QStringLiteral(" gpt-5.4 "));
        f.sheet.setProperty("maxChecks", 50);
        QCOMPARE(f.settings->researchKey(), QString());

        QVERIFY(QCoro::waitFor(f.sheet.save()));
        QCOMPARE(f.settings->researchKey(), QStringLiteral("sk-research"));
        QCOMPARE(f.settings->openRouterKey(), QStringLiteral("or-key"));
        QCOMPARE(f.settings->researchModel(), QStringLiteral("gpt-5.4"));
        QCOMPARE(f.settings->maxChecksPerSession(), 50);
        QVERIFY(f.secrets->calls.contains(QStringLiteral("write research")));
    }

    void failedSaveRestoresEverySettingAndKeepsTheEdits() {
        Fixture f;
        f.secrets->failures.insert(QStringLiteral("write research"), -1);
        f.sheet.setProperty("researchKey", QStringLiteral("sk-new"));
        f.sheet.setProperty("researchModel", QStringLiteral("my/model"));
        f.sheet.setProperty("useSelka", false);
        f.sheet.setProperty("maxChecks", 70);
        QSignalSpy errorSpy(&f.sheet, &SettingsSheetController::errorChanged);

        QVERIFY(!QCoro::waitFor(f.sheet.save()));
        QVERIFY(!f.sheet.error().isEmpty());
        QCOMPARE(errorSpy.count(), 1);
        QCOMPARE(f.settings->researchKey(), QString());
        QCOMPARE(f.settings->researchModel(), QStringLiteral("gpt-5.4"));
        QCOMPARE(f.settings->useSelka(), true);
        QCOMPARE(f.settings->maxChecksPerSession(), 30);
        QCOMPARE(f.sheet.property("researchKey").toString(), QStringLiteral("sk-new"));
        QCOMPARE(f.sheet.property("maxChecks").toInt(), 70);

        f.sheet.load(); // reopening starts from the stored values without the old error
        QVERIFY(f.sheet.error().isEmpty());
        QCOMPARE(f.sheet.property("maxChecks").toInt(), 30);
    }

    void sourceRowsAndCounts_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<int>("kind");
        const std::pair<const char *, SourceLinkKind> rows[] = {
            {"https://example.org/a", SourceLinkKind::web},
            {"http://example.org/a", SourceLinkKind::web},
            {"file:///home/u/notes.md", SourceLinkKind::file},
            {"javascript:alert(1)", SourceLinkKind::plain},
            {"doc:0F8FAD5B-D9CB-469F-A165-70867728950E", SourceLinkKind::plain},
            {"", SourceLinkKind::plain},
            {"HTTPS://example.org", SourceLinkKind::plain}}; // scheme not lower case
        for (const auto &[url, kind] : rows)
            QTest::addRow("%s", *url ? url : "empty") << QString::fromUtf8(url) << int(kind);
    }
    void sourceRowsAndCounts() {
        QFETCH(QString, url);
        QFETCH(int, kind);
        QCOMPARE(int(sourceLinkKind(url)), kind);
    }
};

BRINDLE_REGISTER_TEST(SettingsSheetTest);
#include "settingssheettest.moc"
