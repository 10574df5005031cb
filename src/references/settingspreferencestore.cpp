#include "settingspreferencestore.h"

#include "sessionpreferences.h"

namespace brindle {

namespace {

QString key() {
    return QString::fromLatin1(sessionPreferencesKey);
}

} // namespace

SettingsPreferenceStore::SettingsPreferenceStore(std::unique_ptr<QSettings> settings)
    : m_settings(std::move(settings)) {}

SettingsPreferenceStore::SettingsPreferenceStore(const QString &path)
    : m_settings(std::make_unique<QSettings>(path, QSettings::IniFormat)) {}

std::unique_ptr<SettingsPreferenceStore> SettingsPreferenceStore::standard() {
    return std::make_unique<SettingsPreferenceStore>(
        std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                    QStringLiteral("Brindle"), QStringLiteral("Brindle")));
}

std::optional<QByteArray> SettingsPreferenceStore::read() const {
    const QVariant value = m_settings->value(key());
    if (!value.isValid())
        return std::nullopt;
    // A value written by hand as text is read as its UTF-8 bytes; the decoder judges it.
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray()
                                                   : value.toString().toUtf8();
}

void SettingsPreferenceStore::write(const QByteArray &value) {
    m_settings->setValue(key(), value);
    m_settings->sync();
}

} // namespace brindle
