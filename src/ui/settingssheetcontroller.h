/**
 * @file
 * The settings sheet's editable copies of every setting. Nothing reaches the settings object until
 * save() succeeds; a failed save puts the previous values back and keeps the user's edits here
 * with the error. One controller per open sheet; the settings object must outlive it.
 */
#pragma once

#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include <QCoroTask>

namespace brindle {

class AppSettings;

class SettingsSheetController : public QObject {
    Q_OBJECT
    QML_ELEMENT
    /// The settings object edited; setting it (re)loads every copy.
    Q_PROPERTY(QObject *settings READ settingsObject WRITE setSettingsObject NOTIFY settingsChanged)
    Q_PROPERTY(QString selkaKey MEMBER m_selkaKey NOTIFY changed)
    Q_PROPERTY(QString researchKey MEMBER m_researchKey NOTIFY changed)
    Q_PROPERTY(QString openRouterKey MEMBER m_openRouterKey NOTIFY changed)
    Q_PROPERTY(QString openRouterModel MEMBER m_openRouterModel NOTIFY changed)
    /// 0 OpenAI, 1 OpenRouter.
    Q_PROPERTY(int researchProvider MEMBER m_researchProvider NOTIFY changed)
    Q_PROPERTY(QString selkaModel MEMBER m_selkaModel NOTIFY changed)
    /// 0 Quorvane, 1 OpenRouter.
    Q_PROPERTY(int selkaProvider MEMBER m_selkaProvider NOTIFY changed)
    Q_PROPERTY(QString openRouterSelkaModel MEMBER m_openRouterSelkaModel NOTIFY changed)
    Q_PROPERTY(QString researchModel MEMBER m_researchModel NOTIFY changed)
    Q_PROPERTY(bool useSelka MEMBER m_useSelka NOTIFY changed)
    Q_PROPERTY(int maxChecks MEMBER m_maxChecks NOTIFY changed)
    /// The last save failure; empty when none.
    Q_PROPERTY(QString error READ error NOTIFY errorChanged)
    /// The active model names are filled in (keys are checked when a session starts) and no save
    /// is waiting for the keyring.
    Q_PROPERTY(bool canSave READ canSave NOTIFY changed)
    /// Either provider is OpenRouter, so its key is asked for.
    Q_PROPERTY(bool showsOpenRouterSection READ showsOpenRouterSection NOTIFY changed)

public:
    explicit SettingsSheetController(QObject *parent = nullptr);

    QObject *settingsObject() const;
    void setSettingsObject(QObject *settings);
    void setSettings(AppSettings *settings);

    QString error() const { return m_error; }
    bool canSave() const;
    bool showsOpenRouterSection() const;

    /// Copies every value from the settings object and forgets the last error.
    Q_INVOKABLE void load();
    /// Writes the trimmed copies and saves. True on success; on failure the settings object is as
    /// before and `error` says why. A save already under way makes this one end false at once.
    QCoro::Task<bool> save();
    /// save() for the view: `saved` is emitted when it succeeds (the sheet closes).
    Q_INVOKABLE void requestSave();

Q_SIGNALS:
    void saved();
    void settingsChanged();
    void changed();
    void errorChanged();

private:
    QPointer<AppSettings> m_settings;
    QString m_selkaKey;
    QString m_researchKey;
    QString m_openRouterKey;
    QString m_openRouterModel;
    int m_researchProvider = 0;
    QString m_selkaModel;
    int m_selkaProvider = 0;
    QString m_openRouterSelkaModel;
    QString m_researchModel;
    bool m_useSelka = true;
    int m_maxChecks = 30;
    QString m_error;
    bool m_saving = false;
};

} // namespace brindle
