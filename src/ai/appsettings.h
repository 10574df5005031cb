/**
 * @file
 * Everything the user configures about the cloud models: three API keys (kept in a SecretStore,
 * the system keyring in production), the providers and models for claim selection and research,
 * whether claim selection is used, and the per-session check limit (kept in a QSettings file).
 *
 * The plain values are read at construction, the keys by loadKeys(), which the owner awaits before
 * the settings are used; values change only through the setters and are persisted only by save().
 * Main thread only: the object backs views, and every field below is a property whose setter
 * does nothing when the value is unchanged and otherwise emits its signal.
 */
#pragma once

#include "aiconfiguration.h"
#include "sessionsettingsport.h"

#include <QHash>
#include <QObject>
#include <QSettings>
#include <QString>

#include <QCoroTask>

#include <memory>

namespace brindle {

class Scheduler;
class SecretStore;

class AppSettings : public QObject, public SessionSettingsPort {
    Q_OBJECT
    Q_PROPERTY(bool loadsSavedPreferences READ loadsSavedPreferences CONSTANT)
    Q_PROPERTY(QString selkaKey READ selkaKey WRITE setSelkaKey NOTIFY selkaKeyChanged)
    Q_PROPERTY(QString researchKey READ researchKey WRITE setResearchKey NOTIFY researchKeyChanged)
    Q_PROPERTY(
        QString openRouterKey READ openRouterKey WRITE setOpenRouterKey NOTIFY openRouterKeyChanged)
    Q_PROPERTY(QString openRouterModel READ openRouterModel WRITE setOpenRouterModel NOTIFY
                   openRouterModelChanged)
    Q_PROPERTY(brindle::ResearchProvider researchProvider READ researchProvider WRITE
                   setResearchProvider NOTIFY researchProviderChanged)
    Q_PROPERTY(QString selkaModel READ selkaModel WRITE setSelkaModel NOTIFY selkaModelChanged)
    Q_PROPERTY(brindle::SelkaProvider selkaProvider READ selkaProvider WRITE setSelkaProvider NOTIFY
                   selkaProviderChanged)
    Q_PROPERTY(QString openRouterSelkaModel READ openRouterSelkaModel WRITE setOpenRouterSelkaModel
                   NOTIFY openRouterSelkaModelChanged)
    Q_PROPERTY(
        QString researchModel READ researchModel WRITE setResearchModel NOTIFY researchModelChanged)
    Q_PROPERTY(bool useSelka READ useSelka WRITE setUseSelka NOTIFY useSelkaChanged)
    Q_PROPERTY(int maxChecksPerSession READ maxChecksPerSession WRITE setMaxChecksPerSession NOTIFY
                   maxChecksPerSessionChanged)

public:
    /// Keyring account names, one per key.
    static constexpr auto selkaAccount = "selka";
    static constexpr auto researchAccount = "research";
    static constexpr auto openRouterAccount = "openrouter";

    /**
     * Reads the plain values. With `loadsSavedPreferences` true the one-time migration runs on
     * `defaults` and loadKeys() reads the keys from `secrets`; with it false the keys start empty
     * and neither store is read. save() writes the keys to `secrets` (when given) and the rest to
     * `defaults`.
     */
    AppSettings(bool loadsSavedPreferences, std::unique_ptr<QSettings> defaults,
                std::shared_ptr<SecretStore> secrets, QObject *parent = nullptr);
    ~AppSettings() override;

    /**
     * The application's settings: the standard settings file and the system keyring. The isolated
     * instance (`loadsSavedPreferences` false) uses its own settings file and no keyring at all,
     * so nothing it does reaches the user's keys or settings.
     */
    static std::unique_ptr<AppSettings> create(bool loadsSavedPreferences, Scheduler &scheduler,
                                               QObject *parent = nullptr);
    /// ~/.config/Brindle/Brindle.ini (under XDG_CONFIG_HOME when set).
    static std::unique_ptr<QSettings> standardDefaults();
    /// ~/.config/Brindle/Tessaly.Tests.Ephemeral.ini: the isolated instance's own file.
    static std::unique_ptr<QSettings> ephemeralDefaults();

    bool loadsSavedPreferences() const { return m_loadsSavedPreferences; }
    QString selkaKey() const { return m_selkaKey; }
    QString researchKey() const { return m_researchKey; }
    QString openRouterKey() const { return m_openRouterKey; }
    QString openRouterModel() const { return m_openRouterModel; }
    ResearchProvider researchProvider() const { return m_researchProvider; }
    QString selkaModel() const { return m_selkaModel; }
    SelkaProvider selkaProvider() const { return m_selkaProvider; }
    QString openRouterSelkaModel() const { return m_openRouterSelkaModel; }
    QString researchModel() const { return m_researchModel; }
    bool useSelka() const { return m_useSelka; }
    int maxChecksPerSession() const override { return m_maxChecksPerSession; }

    void setSelkaKey(const QString &value);
    void setResearchKey(const QString &value);
    void setOpenRouterKey(const QString &value);
    void setOpenRouterModel(const QString &value);
    void setResearchProvider(ResearchProvider value);
    void setSelkaModel(const QString &value);
    void setSelkaProvider(SelkaProvider value);
    void setOpenRouterSelkaModel(const QString &value);
    void setResearchModel(const QString &value);
    void setUseSelka(bool value);
    void setMaxChecksPerSession(int value);

    /// The keys and models that apply to the chosen providers, copied for one check.
    AIConfiguration configuration() const override;

    /**
     * Trims the keys, checks the models and the limit, then writes the keys and after them the
     * other values. Throws AppError on the first failure; a failed check writes nothing, and a
     * failed key write leaves the plain values unwritten. Needs the keys read by loadKeys().
     */
    QCoro::Task<> save();

    /// Reads the three keys (when loading saved preferences); an unreadable key reads as "".
    QCoro::Task<> loadKeys();

    /// The account's key, or "" when it is missing, unreadable or not UTF-8 (or there is no store).
    QCoro::Task<QString> readKey(QString account) const;
    /// Stores a non-empty value, removes the item for an empty one. Throws AppError on failure,
    /// and before loadKeys() has read the saved keys.
    QCoro::Task<> writeKey(QString account, QString value);

Q_SIGNALS:
    void selkaKeyChanged();
    void researchKeyChanged();
    void openRouterKeyChanged();
    void openRouterModelChanged();
    void researchProviderChanged();
    void selkaModelChanged();
    void selkaProviderChanged();
    void openRouterSelkaModelChanged();
    void researchModelChanged();
    void useSelkaChanged();
    void maxChecksPerSessionChanged();

private:
    void loadPlainValues();
    void applyOneTimeMigration();
    void validateForSaving() const;
    void writeDefaults();

    const bool m_loadsSavedPreferences;
    std::unique_ptr<QSettings> m_defaults;
    std::shared_ptr<SecretStore> m_secrets;
    /// What the keyring is known to hold per account (read at load or written since); an
    /// unchanged key is not written again, so a desktop without a keyring can still save the
    /// other settings as long as no key changes.
    QHash<QString, QString> m_storedKeys;
    /// Until the saved keys are read, a save would take them for empty and delete them.
    bool m_keysRead = !m_loadsSavedPreferences;

    QString m_selkaKey;
    QString m_researchKey;
    QString m_openRouterKey;
    QString m_openRouterModel;
    ResearchProvider m_researchProvider = ResearchProvider::openRouter;
    QString m_selkaModel;
    SelkaProvider m_selkaProvider = SelkaProvider::quorvane;
    QString m_openRouterSelkaModel;
    QString m_researchModel;
    bool m_useSelka = true;
    int m_maxChecksPerSession = 30;
};

} // namespace brindle
