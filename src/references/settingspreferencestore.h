/**
 * @file
 * The session preferences' value in a QSettings store under "sessionPreferences.v1": the
 * application's own settings file, or a given INI file (tests, brindle-tool). Main thread only.
 */
#pragma once

#include "preferencestoreport.h"

#include <QSettings>

#include <memory>

namespace brindle {

class SettingsPreferenceStore final : public PreferenceStorePort {
public:
    /// The application's settings (organization and application name of the running program).
    SettingsPreferenceStore();
    /// The INI file at `path`, created on the first write.
    explicit SettingsPreferenceStore(const QString &path);

    std::optional<QByteArray> read() const override;
    void write(const QByteArray &value) override;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace brindle
