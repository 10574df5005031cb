#include "appsettings.h"

#include "apperror.h"
#include "keyringsecretstore.h"
#include "secretstore.h"
#include "textmeasure.h"

#include <QPointer>
#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace brindle {

namespace {

const auto keyResearchProvider = QStringLiteral("researchProvider");
const auto keyOpenRouterModel = QStringLiteral("openRouterModel");
const auto keySelkaProvider = QStringLiteral("selkaProvider");
const auto keyOpenRouterSelkaModel = QStringLiteral("openRouterSelkaModel");
const auto keySelkaModel = QStringLiteral("selkaModel");
const auto keyResearchModel = QStringLiteral("researchModel");
const auto keyUseSelka = QStringLiteral("useSelka");
const auto keyMaxChecks = QStringLiteral("maxChecks");
const auto keyMigrationApplied = QStringLiteral("geminiResearchDefaultApplied");

const auto defaultOpenRouterModel = QStringLiteral("google/gemini-3.8-flash");
const auto defaultSelkaModel = QStringLiteral("selka-1.13");
const auto defaultOpenRouterSelkaModel = QStringLiteral("quorvane/selka-1.13");
const auto defaultResearchModel = QStringLiteral("gpt-5.4");
constexpr int defaultMaxChecks = 30;
constexpr int minChecks = 10;
constexpr int maxChecks = 200;

const auto settingsOrganization = QStringLiteral("Brindle");
const auto standardSettingsName = QStringLiteral("Brindle");
const auto ephemeralSettingsName = QStringLiteral("Tessaly.Tests.Ephemeral");

// An INI file keeps no types: a value written as a boolean or an integer reads back as text from a
// fresh QSettings, while the object that wrote it still hands back the typed value. Both forms
// count.

std::optional<QString> storedText(const QSettings &settings, const QString &key) {
    const auto value = settings.value(key);
    if (!value.isValid())
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toString();
    default: // e.g. a list from a hand-edited "a, b"
        return std::nullopt;
    }
}

std::optional<bool> storedBool(const QSettings &settings, const QString &key) {
    const auto value = settings.value(key);
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString) {
        const auto text = value.toString();
        if (text == QLatin1String("true"))
            return true;
        if (text == QLatin1String("false"))
            return false;
    }
    return std::nullopt;
}

std::optional<qlonglong> storedInteger(const QSettings &settings, const QString &key) {
    const auto value = settings.value(key);
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return static_cast<qlonglong>(std::min<qulonglong>(value.toULongLong(), 1000));
    case QMetaType::QString: {
        bool ok = false;
        const auto number = value.toString().toLongLong(&ok, 10);
        return ok ? std::optional(number) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

/// To the nearest multiple of ten (halves away from zero), within 10...200.
int normalizedCheckLimit(qlonglong stored) {
    // Clamping first keeps the arithmetic far from overflow and does not change the result.
    const auto bounded = std::clamp<qlonglong>(stored, -1000, 1000);
    const auto tens = bounded >= 0 ? (bounded + 5) / 10 : (bounded - 5) / 10;
    return static_cast<int>(std::clamp<qlonglong>(tens * 10, minChecks, maxChecks));
}

bool isValidUtf8(const QByteArray &bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(bytes);
    Q_UNUSED(decoded)
    return !decoder.hasError();
}

template<typename T>
bool assign(T &field, const T &value) {
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

AppSettings::AppSettings(bool loadsSavedPreferences, std::unique_ptr<QSettings> defaults,
                         std::shared_ptr<SecretStore> secrets, QObject *parent)
    : QObject(parent)
    , m_loadsSavedPreferences(loadsSavedPreferences)
    , m_defaults(std::move(defaults))
    , m_secrets(std::move(secrets)) {
    Q_ASSERT(m_defaults);
    if (m_loadsSavedPreferences)
        applyOneTimeMigration();
    loadPlainValues();
}

AppSettings::~AppSettings() = default;

std::unique_ptr<AppSettings> AppSettings::create(bool loadsSavedPreferences, Scheduler &scheduler,
                                                 QObject *parent) {
    if (!loadsSavedPreferences)
        return std::make_unique<AppSettings>(false, ephemeralDefaults(), nullptr, parent);
    return std::make_unique<AppSettings>(true, standardDefaults(),
                                         std::make_shared<KeyringSecretStore>(scheduler), parent);
}

std::unique_ptr<QSettings> AppSettings::standardDefaults() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       settingsOrganization, standardSettingsName);
}

std::unique_ptr<QSettings> AppSettings::ephemeralDefaults() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       settingsOrganization, ephemeralSettingsName);
}

QCoro::Task<> AppSettings::loadKeys() {
    if (!m_loadsSavedPreferences)
        co_return;
    QPointer<AppSettings> self(this);
    QHash<QString, QString> keys;
    // Named, not a braced list: a temporary list does not live across a suspension with g++ 12.
    const QStringList accounts{QString::fromLatin1(selkaAccount),
                               QString::fromLatin1(researchAccount),
                               QString::fromLatin1(openRouterAccount)};
    for (const QString &account : accounts) {
        const QString key = co_await readKey(account);
        if (!self)
            co_return;
        keys.insert(account, key);
    }
    m_storedKeys = keys;
    m_keysRead = true;
    setSelkaKey(keys.value(QString::fromLatin1(selkaAccount)));
    setResearchKey(keys.value(QString::fromLatin1(researchAccount)));
    setOpenRouterKey(keys.value(QString::fromLatin1(openRouterAccount)));
}

void AppSettings::loadPlainValues() {
    const QSettings &stored = *m_defaults;
    m_researchProvider = storedText(stored, keyResearchProvider) == QLatin1String("OpenAI")
                             ? ResearchProvider::openAI
                             : ResearchProvider::openRouter;
    m_selkaProvider = storedText(stored, keySelkaProvider) == QLatin1String("OpenRouter")
                          ? SelkaProvider::openRouter
                          : SelkaProvider::quorvane;
    m_openRouterModel = storedText(stored, keyOpenRouterModel).value_or(defaultOpenRouterModel);
    m_selkaModel = storedText(stored, keySelkaModel).value_or(defaultSelkaModel);
    m_openRouterSelkaModel =
        storedText(stored, keyOpenRouterSelkaModel).value_or(defaultOpenRouterSelkaModel);
    m_researchModel = storedText(stored, keyResearchModel).value_or(defaultResearchModel);
    m_useSelka = storedBool(stored, keyUseSelka).value_or(true);
    m_maxChecksPerSession =
        normalizedCheckLimit(storedInteger(stored, keyMaxChecks).value_or(defaultMaxChecks));
}

void AppSettings::applyOneTimeMigration() {
    // Moves every user once to OpenRouter research, whatever they had chosen before.
    if (storedBool(*m_defaults, keyMigrationApplied) == true)
        return;
    m_defaults->setValue(keyResearchProvider, rawValue(ResearchProvider::openRouter));
    m_defaults->setValue(keyOpenRouterModel, defaultOpenRouterModel);
    m_defaults->setValue(keyMigrationApplied, true);
    m_defaults->sync();
}

AIConfiguration AppSettings::configuration() const {
    const bool selkaViaOpenRouter = m_selkaProvider == SelkaProvider::openRouter;
    const bool researchViaOpenRouter = m_researchProvider == ResearchProvider::openRouter;
    return AIConfiguration{
        .selkaKey = selkaViaOpenRouter ? m_openRouterKey : m_selkaKey,
        .researchKey = researchViaOpenRouter ? m_openRouterKey : m_researchKey,
        .selkaModel = selkaViaOpenRouter ? m_openRouterSelkaModel : m_selkaModel,
        .researchModel = researchViaOpenRouter ? m_openRouterModel : m_researchModel,
        .useSelka = m_useSelka,
        .researchProvider = m_researchProvider,
        .selkaProvider = m_selkaProvider,
    };
}

QCoro::Task<> AppSettings::save() {
    setSelkaKey(text::trimmed(m_selkaKey));
    setResearchKey(text::trimmed(m_researchKey));
    setOpenRouterKey(text::trimmed(m_openRouterKey));

    validateForSaving();

    // The values as they are now: edits made while the keyring answers belong to a later save.
    const QList<std::pair<QString, QString>> keys{
        {QString::fromLatin1(selkaAccount), m_selkaKey},
        {QString::fromLatin1(researchAccount), m_researchKey},
        {QString::fromLatin1(openRouterAccount), m_openRouterKey}};
    QPointer<AppSettings> self(this);
    for (const auto &key : keys) {
        co_await writeKey(key.first, key.second);
        if (!self)
            co_return;
    }
    writeDefaults();
}

void AppSettings::validateForSaving() const {
    const auto &researchModel =
        m_researchProvider == ResearchProvider::openRouter ? m_openRouterModel : m_researchModel;
    const auto &selkaModel =
        m_selkaProvider == SelkaProvider::openRouter ? m_openRouterSelkaModel : m_selkaModel;
    const bool limitOk = m_maxChecksPerSession >= minChecks && m_maxChecksPerSession <= maxChecks &&
                         m_maxChecksPerSession % 10 == 0;
    if (text::trimmed(researchModel).isEmpty() ||
        (m_useSelka && text::trimmed(selkaModel).isEmpty()) || !limitOk)
        throw AppError(
            QStringLiteral("Enter model names and a check limit from 10 to 200 in steps of 10."));
}

void AppSettings::writeDefaults() {
    // Model names are stored as entered; trimming them is the settings view's business.
    m_defaults->setValue(keyResearchProvider, rawValue(m_researchProvider));
    m_defaults->setValue(keyOpenRouterModel, m_openRouterModel);
    m_defaults->setValue(keySelkaProvider, rawValue(m_selkaProvider));
    m_defaults->setValue(keyOpenRouterSelkaModel, m_openRouterSelkaModel);
    m_defaults->setValue(keySelkaModel, m_selkaModel);
    m_defaults->setValue(keyResearchModel, m_researchModel);
    m_defaults->setValue(keyUseSelka, m_useSelka);
    m_defaults->setValue(keyMaxChecks, m_maxChecksPerSession);
    m_defaults->sync();
}

QCoro::Task<QString> AppSettings::readKey(QString account) const {
    // A copy keeps the store alive while it answers, whatever becomes of this object.
    const std::shared_ptr<SecretStore> secrets = m_secrets;
    if (!secrets)
        co_return QString();
    const auto outcome = co_await secrets->read(account);
    if (outcome.kind != SecretOutcome::Kind::ok || !isValidUtf8(outcome.data))
        co_return QString();
    co_return QString::fromUtf8(outcome.data);
}

QCoro::Task<> AppSettings::writeKey(QString account, QString value) {
    const std::shared_ptr<SecretStore> secrets = m_secrets;
    if (!secrets)
        co_return; // an isolated instance keeps its keys in memory only
    if (!m_keysRead)
        throw AppError(QStringLiteral("The saved API keys have not been read yet."));
    if (const auto stored = m_storedKeys.constFind(account);
        stored != m_storedKeys.cend() && *stored == value)
        co_return;
    QPointer<AppSettings> self(this);
    if (value.isEmpty()) {
        const auto removed = co_await secrets->remove(account);
        if (removed.kind == SecretOutcome::Kind::failed)
            throw AppError(QStringLiteral("Could not remove the saved API key from the keyring."));
    } else {
        const auto outcome = co_await secrets->write(account, value);
        if (outcome.kind != SecretOutcome::Kind::ok)
            throw AppError(QStringLiteral("Could not save the API key in the keyring (%1).")
                               .arg(outcome.code));
    }
    if (self)
        m_storedKeys.insert(account, value);
}

#define BRINDLE_SETTER(Name, Type, field, signal)                                                  \
    void AppSettings::Name(Type value) {                                                           \
        if (assign(field, value))                                                                  \
            Q_EMIT signal();                                                                       \
    }

BRINDLE_SETTER(setSelkaKey, const QString &, m_selkaKey, selkaKeyChanged)
BRINDLE_SETTER(setResearchKey, const QString &, m_researchKey, researchKeyChanged)
BRINDLE_SETTER(setOpenRouterKey, const QString &, m_openRouterKey, openRouterKeyChanged)
BRINDLE_SETTER(setOpenRouterModel, const QString &, m_openRouterModel, openRouterModelChanged)
BRINDLE_SETTER(setResearchProvider, ResearchProvider, m_researchProvider, researchProviderChanged)
BRINDLE_SETTER(setSelkaModel, const QString &, m_selkaModel, selkaModelChanged)
BRINDLE_SETTER(setSelkaProvider, SelkaProvider, m_selkaProvider, selkaProviderChanged)
BRINDLE_SETTER(setOpenRouterSelkaModel, const QString &, m_openRouterSelkaModel,
               openRouterSelkaModelChanged)
BRINDLE_SETTER(setResearchModel, const QString &, m_researchModel, researchModelChanged)
BRINDLE_SETTER(setUseSelka, bool, m_useSelka, useSelkaChanged)
BRINDLE_SETTER(setMaxChecksPerSession, int, m_maxChecksPerSession, maxChecksPerSessionChanged)

#undef BRINDLE_SETTER

} // namespace brindle
