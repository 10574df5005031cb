#include "settingssheetcontroller.h"

#include "apperror.h"
#include "appsettings.h"
#include "textmeasure.h"

#include <optional>

namespace brindle {

namespace {

/// Every setting the sheet edits, so a failed save can put all of them back.
struct SettingsValues {
    QString selkaKey, researchKey, openRouterKey, openRouterModel, selkaModel;
    QString openRouterSelkaModel, researchModel;
    ResearchProvider researchProvider;
    SelkaProvider selkaProvider;
    bool useSelka;
    int maxChecks;

    static SettingsValues read(const AppSettings &s) {
        return {s.selkaKey(),        s.researchKey(),        s.openRouterKey(),
                s.openRouterModel(), s.selkaModel(),         s.openRouterSelkaModel(),
                s.researchModel(),   s.researchProvider(),   s.selkaProvider(),
                s.useSelka(),        s.maxChecksPerSession()};
    }

    void write(AppSettings &s) const {
        s.setSelkaKey(selkaKey);
        s.setResearchKey(researchKey);
        s.setOpenRouterKey(openRouterKey);
        s.setOpenRouterModel(openRouterModel);
        s.setSelkaModel(selkaModel);
        s.setOpenRouterSelkaModel(openRouterSelkaModel);
        s.setResearchModel(researchModel);
        s.setResearchProvider(researchProvider);
        s.setSelkaProvider(selkaProvider);
        s.setUseSelka(useSelka);
        s.setMaxChecksPerSession(maxChecks);
    }
};

} // namespace

SettingsSheetController::SettingsSheetController(QObject *parent)
    : QObject(parent) {}

QObject *SettingsSheetController::settingsObject() const {
    return m_settings;
}

void SettingsSheetController::setSettingsObject(QObject *settings) {
    setSettings(qobject_cast<AppSettings *>(settings));
}

void SettingsSheetController::setSettings(AppSettings *settings) {
    if (m_settings == settings)
        return;
    m_settings = settings;
    load();
    Q_EMIT settingsChanged();
}

void SettingsSheetController::load() {
    if (m_settings) {
        const auto values = SettingsValues::read(*m_settings);
        m_selkaKey = values.selkaKey;
        m_researchKey = values.researchKey;
        m_openRouterKey = values.openRouterKey;
        m_openRouterModel = values.openRouterModel;
        m_researchProvider = int(values.researchProvider);
        m_selkaModel = values.selkaModel;
        m_selkaProvider = int(values.selkaProvider);
        m_openRouterSelkaModel = values.openRouterSelkaModel;
        m_researchModel = values.researchModel;
        m_useSelka = values.useSelka;
        m_maxChecks = values.maxChecks;
    }
    m_error.clear();
    Q_EMIT changed();
    Q_EMIT errorChanged();
}

bool SettingsSheetController::canSave() const {
    if (m_saving)
        return false; // one save at a time; the button waits for the keyring's answer
    const bool researchOpenRouter = m_researchProvider == int(ResearchProvider::openRouter);
    const QString &researchModel = researchOpenRouter ? m_openRouterModel : m_researchModel;
    if (text::trimmed(researchModel).isEmpty())
        return false;
    if (!m_useSelka)
        return true;
    const bool selkaOpenRouter = m_selkaProvider == int(SelkaProvider::openRouter);
    return !text::trimmed(selkaOpenRouter ? m_openRouterSelkaModel : m_selkaModel).isEmpty();
}

bool SettingsSheetController::showsOpenRouterSection() const {
    return m_researchProvider == int(ResearchProvider::openRouter) ||
           m_selkaProvider == int(SelkaProvider::openRouter);
}

void SettingsSheetController::requestSave() {
    [](QPointer<SettingsSheetController> self) -> QCoro::Task<> {
        const bool ok = co_await self->save();
        if (ok && self)
            Q_EMIT self->saved();
    }(this);
}

QCoro::Task<bool> SettingsSheetController::save() {
    if (!m_settings || m_saving)
        co_return false;
    const QPointer<AppSettings> settings = m_settings;
    QPointer<SettingsSheetController> self(this);
    m_saving = true;
    Q_EMIT changed();
    const auto previous = SettingsValues::read(*m_settings);
    const SettingsValues edited{
        text::trimmed(m_selkaKey),
        text::trimmed(m_researchKey),
        text::trimmed(m_openRouterKey),
        text::trimmed(m_openRouterModel),
        text::trimmed(m_selkaModel),
        text::trimmed(m_openRouterSelkaModel),
        text::trimmed(m_researchModel),
        m_researchProvider == 1 ? ResearchProvider::openRouter : ResearchProvider::openAI,
        m_selkaProvider == 1 ? SelkaProvider::openRouter : SelkaProvider::quorvane,
        m_useSelka,
        m_maxChecks};
    edited.write(*m_settings);
    std::optional<QString> failure;
    try {
        co_await m_settings->save();
    } catch (const AppError &error) {
        failure = error.message();
    }
    if (failure && settings)
        previous.write(*settings);
    if (!self)
        co_return false;
    m_saving = false;
    Q_EMIT changed();
    if (failure) {
        m_error = *failure;
        Q_EMIT errorChanged();
    }
    co_return !failure && settings;
}

} // namespace brindle
