/**
 * @file
 * The one long-lived controller of Brindle. It starts and stops listening sessions, feeds
 * transcript reports to the claim intake, runs the claim pipeline, and publishes the state every
 * view reads. It owns the intake and the pipeline; the scheduler, settings, capture and claim
 * checker are given to it and must outlive it. Confined to the main thread; nothing throws out of
 * it: failures become the published `error` or `status`.
 */
#pragma once

#include "audiocaptureport.h"
#include "claimcheckerport.h"
#include "claimintake.h"
#include "claimintakehost.h"
#include "claimpipeline.h"
#include "claimpipelinehost.h"
#include "sessionsettingsport.h"

#include <QObject>

#include <memory>
#include <optional>

namespace brindle {

class SessionStore : public QObject, private ClaimIntakeHost, private ClaimPipelineHost {
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
    Q_PROPERTY(bool isLoadingReferences READ isLoadingReferences NOTIFY isLoadingReferencesChanged)
    Q_PROPERTY(qint64 pendingCount READ pendingCount NOTIFY pendingCountChanged)
    Q_PROPERTY(qint64 skippedCount READ skippedCount NOTIFY skippedCountChanged)
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)
    Q_PROPERTY(QString manualClaim READ manualClaim WRITE setManualClaim NOTIFY manualClaimChanged)
    Q_PROPERTY(bool isDemo READ isDemo NOTIFY isDemoChanged)
    Q_PROPERTY(bool promptOnSlackCalls READ promptOnSlackCalls WRITE setPromptOnSlackCalls NOTIFY
                   promptOnSlackCallsChanged)

public:
    static QString readyStatus() { return QStringLiteral("Ready"); }

    SessionStore(Scheduler &scheduler, SessionSettingsPort &settings, AudioCapturePort &capture,
                 ClaimCheckerPort &checker, QObject *parent = nullptr);
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
    void setDocuments(ReferenceCorpus documents);
    bool isLoadingReferences() const { return m_isLoadingReferences; }
    void setLoadingReferences(bool loading);
    qint64 pendingCount() const { return m_pendingCount; }
    qint64 skippedCount() const { return m_skippedCount; }
    const std::optional<QString> &error() const { return m_error; }
    QString errorText() const { return m_error.value_or(QString()); }
    const QString &manualClaim() const { return m_manualClaim; }
    void setManualClaim(const QString &text);
    bool isDemo() const { return m_isDemo; }
    bool promptOnSlackCalls() const { return m_promptOnSlackCalls; }
    void setPromptOnSlackCalls(bool prompt);

    // Operations.
    /// Starts a listening session; returns when capture runs or the start failed or was superseded.
    QCoro::Task<> start();
    /// Ends the session; findings stay.
    QCoro::Task<> stop();
    Q_INVOKABLE void clearContext();
    Q_INVOKABLE void checkManualClaim();
    void cancelAllWork();
    void refreshCounts() override;
    QCoro::Task<> refreshSources();
    Q_INVOKABLE void runDemo();
    /// Publishes a failure found outside the controller (the call prompt's source switch).
    void reportError(const QString &message) { setError(message); }

    /// Claims sent for checking in this session (read-only view for tests and tools).
    qint64 checksUsed() const { return m_intake.book().checksUsed; }

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
    void isLoadingReferencesChanged();
    void pendingCountChanged();
    void skippedCountChanged();
    void errorChanged();
    void manualClaimChanged();
    void isDemoChanged();
    void promptOnSlackCallsChanged();

private:
    // ClaimIntakeHost / ClaimPipelineHost
    std::int64_t maxChecksPerSession() const override;
    void setTranscript(const QString &transcript) override;
    void setStatus(const QString &status) override;
    void setError(const QString &message) override;
    void drainQueue() override;

    void clearError();
    void setRunning(bool running);
    void setStarting(bool starting);
    void setDemo(bool demo);
    void setPendingCount(qint64 count);
    void applySources(QList<AudioSource> sources);
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
    bool m_isLoadingReferences = false;
    qint64 m_pendingCount = 0;
    qint64 m_skippedCount = 0;
    std::optional<QString> m_error;
    QString m_manualClaim;
    bool m_isDemo = false;
    bool m_promptOnSlackCalls = true;

    QUuid m_captureGeneration = QUuid::createUuid();
    std::optional<CancelSource> m_demo;
};

} // namespace brindle

Q_DECLARE_METATYPE(brindle::AudioSource)
Q_DECLARE_METATYPE(std::optional<brindle::AudioSourceID>)
Q_DECLARE_METATYPE(brindle::EvidenceMode)
Q_DECLARE_METATYPE(brindle::Finding)
Q_DECLARE_METATYPE(brindle::ReferenceDocument)
