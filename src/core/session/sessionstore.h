/**
 * @file
 * The one long-lived controller of Brindle. It starts and stops listening sessions, feeds
 * transcript reports to the claim intake, runs the claim pipeline, and publishes the state every
 * view reads. It owns the intake and the pipeline; the scheduler, settings, capture and claim
 * checker are given to it and must outlive it. It also holds the reference documents (through
 * SessionReferences) and the remembered choices, which it writes to the preference store on every
 * change and restores at the end of construction. Confined to the main thread; nothing throws out
 * of it: failures become the published `error` or `status`.
 */
#pragma once

#include "audiocaptureport.h"
#include "claimcheckerport.h"
#include "claimintake.h"
#include "claimintakehost.h"
#include "claimpipeline.h"
#include "claimpipelinehost.h"
#include "preferencestoreport.h"
#include "referencedialogsport.h"
#include "referencefilesport.h"
#include "sessionpreferences.h"
#include "sessionreferences.h"
#include "sessionreferenceshost.h"
#include "sessionsettingsport.h"

#include <QObject>

#include <memory>
#include <optional>

namespace brindle {

class SessionStore : public QObject,
                     private ClaimIntakeHost,
                     private ClaimPipelineHost,
                     private SessionReferencesHost {
    Q_OBJECT
    Q_PROPERTY(QList<brindle::AudioSource> sources READ sources NOTIFY sourcesChanged)
    Q_PROPERTY(std::optional<brindle::AudioSourceID> selectedSourceID READ selectedSourceID WRITE
                   setSelectedSourceID NOTIFY selectedSourceIDChanged)
    Q_PROPERTY(bool includeMicrophone READ includeMicrophone WRITE setIncludeMicrophone NOTIFY
                   includeMicrophoneChanged)
    Q_PROPERTY(brindle::EvidenceMode evidenceMode READ evidenceMode WRITE setEvidenceMode NOTIFY
                   evidenceModeChanged)
    Q_PROPERTY(QString transcript READ transcript NOTIFY transcriptChanged)
    Q_PROPERTY(QString status READ status NOTIFY statusChanged)
    Q_PROPERTY(bool isRunning READ isRunning NOTIFY isRunningChanged)
    Q_PROPERTY(bool isStarting READ isStarting NOTIFY isStartingChanged)
    Q_PROPERTY(QList<brindle::Finding> findings READ findings NOTIFY findingsChanged)
    Q_PROPERTY(QList<brindle::ReferenceDocument> documents READ documents NOTIFY documentsChanged)
    Q_PROPERTY(QList<brindle::ReferenceDocument> folderDocuments READ folderDocuments NOTIFY
                   documentsChanged)
    Q_PROPERTY(QUrl referenceFolder READ referenceFolderUrl NOTIFY referenceFolderChanged)
    Q_PROPERTY(bool isLoadingReferences READ isLoadingReferences NOTIFY isLoadingReferencesChanged)
    Q_PROPERTY(QString referenceStatus READ referenceStatus NOTIFY referenceStatusChanged)
    Q_PROPERTY(qint64 pendingCount READ pendingCount NOTIFY pendingCountChanged)
    Q_PROPERTY(qint64 skippedCount READ skippedCount NOTIFY skippedCountChanged)
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)
    Q_PROPERTY(QString manualClaim READ manualClaim WRITE setManualClaim NOTIFY manualClaimChanged)
    Q_PROPERTY(bool isDemo READ isDemo NOTIFY isDemoChanged)
    Q_PROPERTY(bool promptOnSlackCalls READ promptOnSlackCalls WRITE setPromptOnSlackCalls NOTIFY
                   promptOnSlackCallsChanged)

public:
    static QString readyStatus() { return QStringLiteral("Ready"); }

    /// What the reference side and the remembered choices are kept with. Without `files` there
    /// are no reference operations; without `preferences` nothing is saved or restored.
    struct Persistence {
        ReferenceFilesPort *files = nullptr;
        ReferenceDialogsPort *dialogs = nullptr;
        PreferenceStorePort *preferences = nullptr;
    };

    SessionStore(Scheduler &scheduler, SessionSettingsPort &settings, AudioCapturePort &capture,
                 ClaimCheckerPort &checker, QObject *parent = nullptr);
    /// Restores the saved session (when there is a preference store) before returning.
    SessionStore(Scheduler &scheduler, SessionSettingsPort &settings, AudioCapturePort &capture,
                 ClaimCheckerPort &checker, Persistence persistence, QObject *parent = nullptr);
    ~SessionStore() override;

    // Published state.
    const QList<AudioSource> &sources() const { return m_sources; }
    std::optional<AudioSourceID> selectedSourceID() const { return m_selectedSourceID; }
    void setSelectedSourceID(std::optional<AudioSourceID> id);
    bool includeMicrophone() const { return m_includeMicrophone; }
    void setIncludeMicrophone(bool include);
    EvidenceMode evidenceMode() const override { return m_evidenceMode; }
    void setEvidenceMode(EvidenceMode mode);
    const QString &transcript() const { return m_transcript; }
    const QString &status() const { return m_status; }
    bool isRunning() const override { return m_isRunning; }
    bool isStarting() const override { return m_isStarting; }
    const QList<Finding> &findings() const { return m_findings; }
    const QList<ReferenceDocument> &documents() const { return m_documents.documents(); }
    ReferenceCorpus referenceCorpus() const override { return m_documents; }
    /// Replaces the loaded references (the reference side of the controller calls this).
    void setDocuments(ReferenceCorpus documents) override;
    /// The documents of the connected folder (those removed by hand left out until a refresh).
    QList<ReferenceDocument> folderDocuments() const;
    const std::optional<QUrl> &referenceFolder() const { return m_referenceFolder; }
    QUrl referenceFolderUrl() const { return m_referenceFolder.value_or(QUrl()); }
    bool isLoadingReferences() const override { return m_isLoadingReferences; }
    void setLoadingReferences(bool loading) override;
    const QString &referenceStatus() const { return m_referenceStatus; }
    qint64 pendingCount() const { return m_pendingCount; }
    qint64 skippedCount() const { return m_skippedCount; }
    const std::optional<QString> &error() const { return m_error; }
    QString errorText() const { return m_error.value_or(QString()); }
    const QString &manualClaim() const { return m_manualClaim; }
    void setManualClaim(const QString &text);
    bool isDemo() const { return m_isDemo; }
    bool promptOnSlackCalls() const { return m_promptOnSlackCalls; }
    void setPromptOnSlackCalls(bool prompt);

    /// Tells whether another session (a recording being checked) runs; listening is refused
    /// meanwhile.
    std::function<bool()> otherSessionActive;

    // Operations.
    /// Starts a listening session; returns when capture runs or the start failed or was superseded.
    QCoro::Task<> start();
    /// Ends the session; findings stay.
    QCoro::Task<> stop();
    Q_INVOKABLE void clearContext() override;
    Q_INVOKABLE void checkManualClaim();
    void cancelAllWork();
    void refreshCounts() override;
    QCoro::Task<> refreshSources();
    Q_INVOKABLE void runDemo();
    /// Publishes a failure found outside the controller (the call prompt's source switch).
    void reportError(const QString &message) { setError(message); }

    // References: each refused silently while a session runs or starts or references load.
    Q_INVOKABLE void chooseReferenceFiles();
    Q_INVOKABLE void connectReferenceFolder();
    Q_INVOKABLE void refreshReferenceFolder();
    /// Refused only while a session runs or starts; cancels a load under way.
    Q_INVOKABLE void disconnectReferenceFolder();
    /// Removes the document until its folder is loaded again (or for good, for a chosen file).
    Q_INVOKABLE void removeReference(const QUuid &id);

    /// The reference side; nothing when the controller was built without a file system.
    const SessionReferences *references() const { return m_references.get(); }

    // Remembered choices.
    /// The preferences as last saved or restored.
    const SessionPreferences &savedPreferences() const { return m_savedSession; }
    /// Saves the current choices unless restoring or without a preference store.
    void persistSession() override;
    /// Remembers the selected source by its identifier; called on every selection by the user.
    void rememberSelectedSource();
    /// Publishes a source list and re-derives the selection from the saved preferences.
    void applySources(QList<AudioSource> sources);

    /// Claims sent for checking in this session (read-only view for tests and tools).
    qint64 checksUsed() const { return m_intake.book().checksUsed; }
    /// The two halves of skippedCount: claims the queue dropped, claims set aside.
    qint64 droppedCount() const { return m_intake.book().queue.dropped; }
    qint64 filteredCount() const { return m_intake.book().filtered; }

Q_SIGNALS:
    void sourcesChanged();
    void selectedSourceIDChanged();
    void includeMicrophoneChanged();
    void evidenceModeChanged();
    void transcriptChanged();
    void statusChanged();
    void isRunningChanged();
    void isStartingChanged();
    void findingsChanged();
    void documentsChanged();
    void referenceFolderChanged();
    void isLoadingReferencesChanged();
    void referenceStatusChanged();
    void pendingCountChanged();
    void skippedCountChanged();
    void errorChanged();
    void manualClaimChanged();
    void isDemoChanged();
    void promptOnSlackCallsChanged();
    /// Every finding as it is published, and the ids of published findings a revision withdrew.
    void findingPublished(const brindle::Finding &finding);
    void findingsWithdrawn(const QList<QUuid> &ids);
    /// Each transcript report taken while a session starts or runs, as the capture gave it.
    void transcriptReported(const QString &text, bool isFinal);

private:
    // ClaimIntakeHost / ClaimPipelineHost
    std::int64_t maxChecksPerSession() const override;
    void setTranscript(const QString &transcript) override;
    void setStatus(const QString &status) override;
    void setError(const QString &message) override;
    void drainQueue() override;
    void findingMade(const Finding &finding) override { Q_EMIT findingPublished(finding); }
    void reportWithdrawnFindings(const QList<QUuid> &ids) override {
        Q_EMIT findingsWithdrawn(ids);
    }
    // SessionReferencesHost
    void setReferenceFolder(std::optional<QUrl> folder) override;
    void setReferenceStatus(const QString &status) override;
    SessionPreferences &savedSession() override { return m_savedSession; }

    void clearError();
    void setRunning(bool running);
    void setStarting(bool starting);
    void setDemo(bool demo);
    void setPendingCount(qint64 count);
    void publishSelectedSource(std::optional<AudioSourceID> id);
    void restoreSession();
    QCoro::Task<> restoreSavedApplication(QString bundleID);
    void handleCaptureError(const QString &message);
    QCoro::Task<> stopAfterCaptureError();
    QCoro::Task<> playDemo(QUuid generation, CancelToken token);

    Scheduler &m_scheduler;
    SessionSettingsPort &m_settings;
    AudioCapturePort &m_capture;
    ClaimIntake m_intake;
    ClaimPipeline m_pipeline;

    QList<AudioSource> m_sources;
    std::optional<AudioSourceID> m_selectedSourceID;
    bool m_includeMicrophone = false;
    EvidenceMode m_evidenceMode = EvidenceMode::documents;
    QString m_transcript;
    QString m_status = readyStatus();
    bool m_isRunning = false;
    bool m_isStarting = false;
    QList<Finding> m_findings; ///< the published copy of the book's findings
    ReferenceCorpus m_documents;
    std::optional<QUrl> m_referenceFolder;
    bool m_isLoadingReferences = false;
    QString m_referenceStatus;
    qint64 m_pendingCount = 0;
    qint64 m_skippedCount = 0;
    std::optional<QString> m_error;
    QString m_manualClaim;
    bool m_isDemo = false;
    bool m_promptOnSlackCalls = true;

    QUuid m_captureGeneration = QUuid::createUuid();

    PreferenceStorePort *m_sessionDefaults = nullptr;
    SessionPreferences m_savedSession;
    bool m_restoringSession = false;
    /// Counts published source lists, so a late provisional list never replaces a full one.
    quint64 m_sourceLists = 0;
    std::unique_ptr<SessionReferences> m_references;
    std::optional<CancelSource> m_demo;
};

} // namespace brindle

Q_DECLARE_METATYPE(brindle::AudioSource)
Q_DECLARE_METATYPE(std::optional<brindle::AudioSourceID>)
Q_DECLARE_METATYPE(brindle::EvidenceMode)
Q_DECLARE_METATYPE(brindle::Finding)
Q_DECLARE_METATYPE(brindle::ReferenceDocument)
