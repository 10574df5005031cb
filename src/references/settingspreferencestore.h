/**
 * @file
 * The session preferences' value in a QSettings store under "sessionPreferences.v1": the
 * application's standard settings file (the one the settings object uses), or any given store.
 * The isolated settings instance keeps no preferences: its controller gets no store at all.
 * Main thread only.
 */
#pragma once

#include "preferencestoreport.h"

#include <QSettings>

#include <memory>

namespace brindle {

class SettingsPreferenceStore final : public PreferenceStorePort {
public:
    explicit SettingsPreferenceStore(std::unique_ptr<QSettings> settings);
    /// The INI file at `path`, created on the first write.
    explicit SettingsPreferenceStore(const QString &path);
    /// ~/.config/Brindle/Brindle.ini (under XDG_CONFIG_HOME when set), shared with the settings.
    static std::unique_ptr<SettingsPreferenceStore> standard();

    std::optional<QByteArray> read() const override;
    void write(const QByteArray &value) override;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace brindle
