#include "sessionstore.h"

#include "demofinding.h"
#include "textmeasure.h"

#include <QPointer>

namespace brindle {

namespace {

const QString startingStatus = QStringLiteral("Starting local transcription\u2026");
const QString stoppedStatus = QStringLiteral("Stopped");
const QString unavailableStatus = QStringLiteral("Capture unavailable");
const QString stoppedByErrorStatus = QStringLiteral("Capture stopped \u00B7 error");
const QString clearedStatus = QStringLiteral("Listening \u00B7 context cleared");
const QString demoStatus = QStringLiteral("Demo \u00B7 simulated conversation");
const QString demoDoneStatus = QStringLiteral("Demo complete \u00B7 no audio captured");
const QString savedAppUnavailableStatus =
    QStringLiteral("Saved audio app unavailable \u00B7 open it and refresh sources");

template<typename T, typename Signal>
void assign(SessionStore *store, T &field, T value, Signal changed) {
    if (field == value)
        return;
    field = std::move(value);
    Q_EMIT(store->*changed)();
}

} // namespace

SessionStore::SessionStore(Scheduler &scheduler, SessionSettingsPort &settings,
                           AudioCapturePort &capture, ClaimCheckerPort &checker, QObject *parent)
    : SessionStore(scheduler, settings, capture, checker, Persistence{}, parent) {}

SessionStore::SessionStore(Scheduler &scheduler, SessionSettingsPort &settings,
                           AudioCapturePort &capture, ClaimCheckerPort &checker,
                           Persistence persistence, QObject *parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_settings(settings)
    , m_capture(capture)
    , m_intake(scheduler, *this)
    , m_pipeline(scheduler, settings, checker, m_intake.book(), *this)
    , m_sessionDefaults(persistence.preferences) {
    if (persistence.files) {
        SessionReferencesHost &host = *this;
        m_references =
            std::make_unique<SessionReferences>(host, *persistence.files, persistence.dialogs);
    }
    QPointer<SessionStore> self(this);
    m_capture.onTranscript = [self](const QString &text, bool isFinal) {
        if (!self)
            return;
        if (self->m_isRunning || self->m_isStarting)
            Q_EMIT self->transcriptReported(text, isFinal);
        self->m_intake.handleTranscript(text, isFinal);
    };
    m_capture.onStatus = [self](const QString &message) {
        if (self && (self->m_isRunning || self->m_isStarting))
            self->setStatus(message);
    };
    m_capture.onError = [self](const QString &message) {
        if (self)
            self->handleCaptureError(message);
    };
    restoreSession();
}

SessionStore::~SessionStore() {
    m_capture.onTranscript = nullptr;
    m_capture.onStatus = nullptr;
    m_capture.onError = nullptr;
    cancelAllWork();
}

// --- published setters ---------------------------------------------------------------------

void SessionStore::setSelectedSourceID(std::optional<AudioSourceID> id) {
    publishSelectedSource(id);
    rememberSelectedSource();
}

void SessionStore::publishSelectedSource(std::optional<AudioSourceID> id) {
    assign(this, m_selectedSourceID, id, &SessionStore::selectedSourceIDChanged);
}

void SessionStore::setIncludeMicrophone(bool include) {
    if (include == m_includeMicrophone)
        return;
    assign(this, m_includeMicrophone, include, &SessionStore::includeMicrophoneChanged);
    persistSession();
}

// Findings made under one kind of evidence must not mix with the next.
void SessionStore::setEvidenceMode(EvidenceMode mode) {
    if (mode == m_evidenceMode)
        return;
    assign(this, m_evidenceMode, mode, &SessionStore::evidenceModeChanged);
    clearContext();
    persistSession();
}

void SessionStore::setDocuments(ReferenceCorpus documents) {
    // A corpus has no equality of its own; the documents decide whether anything changed.
    if (documents.documents() == m_documents.documents())
        return;
    m_documents = std::move(documents);
    Q_EMIT documentsChanged();
}

QList<ReferenceDocument> SessionStore::folderDocuments() const {
    return m_references ? m_references->folderReferences().documents() : QList<ReferenceDocument>();
}

void SessionStore::setLoadingReferences(bool loading) {
    assign(this, m_isLoadingReferences, loading, &SessionStore::isLoadingReferencesChanged);
}

void SessionStore::setReferenceFolder(std::optional<QUrl> folder) {
    assign(this, m_referenceFolder, std::move(folder), &SessionStore::referenceFolderChanged);
}

void SessionStore::setReferenceStatus(const QString &status) {
    assign(this, m_referenceStatus, status, &SessionStore::referenceStatusChanged);
}

void SessionStore::setManualClaim(const QString &text) {
    assign(this, m_manualClaim, text, &SessionStore::manualClaimChanged);
}

void SessionStore::setPromptOnSlackCalls(bool prompt) {
    if (prompt == m_promptOnSlackCalls)
        return;
    assign(this, m_promptOnSlackCalls, prompt, &SessionStore::promptOnSlackCallsChanged);
    persistSession();
}

void SessionStore::setTranscript(const QString &transcript) {
    assign(this, m_transcript, transcript, &SessionStore::transcriptChanged);
}

void SessionStore::setStatus(const QString &status) {
    assign(this, m_status, status, &SessionStore::statusChanged);
}

void SessionStore::setError(const QString &message) {
    assign(this, m_error, std::optional<QString>(message), &SessionStore::errorChanged);
}

void SessionStore::clearError() {
    assign(this, m_error, std::optional<QString>(), &SessionStore::errorChanged);
}

void SessionStore::setRunning(bool running) {
    assign(this, m_isRunning, running, &SessionStore::isRunningChanged);
}

void SessionStore::setStarting(bool starting) {
    assign(this, m_isStarting, starting, &SessionStore::isStartingChanged);
}

void SessionStore::setDemo(bool demo) {
    assign(this, m_isDemo, demo, &SessionStore::isDemoChanged);
}

void SessionStore::setPendingCount(qint64 count) {
    assign(this, m_pendingCount, count, &SessionStore::pendingCountChanged);
}

std::int64_t SessionStore::maxChecksPerSession() const {
    return m_settings.maxChecksPerSession();
}

void SessionStore::drainQueue() {
    m_pipeline.drainQueue();
}

// Every change to the bookkeeping ends in a call here, so it is also where the findings list the
// intake and the pipeline keep is published.
void SessionStore::refreshCounts() {
    const auto &book = m_intake.book();
    setPendingCount(book.active.size() + book.queue.jobs.size());
    assign(this, m_skippedCount, qint64(book.queue.dropped + book.filtered),
           &SessionStore::skippedCountChanged);
    assign(this, m_findings, book.findings, &SessionStore::findingsChanged);
}

// --- session lifecycle ---------------------------------------------------------------------

QCoro::Task<> SessionStore::start() {
    if (m_isRunning || m_isStarting || m_isLoadingReferences)
        co_return;
    if (otherSessionActive && otherSessionActive()) {
        setError(QStringLiteral("Cancel the recording being checked before listening."));
        co_return;
    }
    try {
        m_settings.configuration().validate();
    } catch (const AppError &error) {
        setError(error.message());
        co_return;
    }
    const auto source = std::find_if(m_sources.cbegin(), m_sources.cend(), [&](const auto &s) {
        return m_selectedSourceID && s.id == *m_selectedSourceID;
    });
    if (source == m_sources.cend()) {
        setError(QStringLiteral("Choose All system audio, or refresh sources and select an app."));
        co_return;
    }
    if (m_evidenceMode == EvidenceMode::documents && m_documents.isEmpty()) {
        setError(
            QStringLiteral("Load reference documents, or select Public web for public claims."));
        co_return;
    }
    const AudioSource chosen = *source;

    clearContext();
    m_intake.book().checksUsed = 0;
    setDemo(false);
    clearError();
    setStarting(true);
    setStatus(startingStatus);
    const QUuid generation = QUuid::createUuid();
    m_captureGeneration = generation;

    QPointer<SessionStore> self(this);
    std::optional<QString> failure;
    try {
        co_await m_capture.start(chosen.id, chosen.name, m_includeMicrophone);
    } catch (const CancelledError &) {
        co_return;
    } catch (const AppError &error) {
        failure = error.message();
    } catch (const std::exception &error) {
        failure = QString::fromUtf8(error.what());
    }
    if (!self || m_captureGeneration != generation)
        co_return;
    setStarting(false);
    if (failure) {
        setRunning(false);
        setStatus(unavailableStatus);
        setError(*failure);
    } else {
        setRunning(true);
    }
}

QCoro::Task<> SessionStore::stop() {
    m_captureGeneration = QUuid::createUuid();
    setRunning(false);
    setStarting(false);
    cancelAllWork();
    m_intake.endSession();
    setTranscript(QString());
    setStatus(stoppedStatus);
    refreshCounts();
    co_await m_capture.stop();
}

void SessionStore::cancelAllWork() {
    m_intake.cancelAllWork();
    if (auto demo = std::exchange(m_demo, std::nullopt))
        demo->request_stop();
    setPendingCount(0);
}

void SessionStore::clearContext() {
    cancelAllWork();
    m_intake.clearContext();
    setTranscript(QString());
    refreshCounts();
    setDemo(false);
    clearError();
    setStatus(m_isRunning ? clearedStatus : readyStatus());
    m_capture.resetTranscription();
}

void SessionStore::checkManualClaim() {
    if (m_isLoadingReferences)
        return;
    const QString claim = text::trimmed(m_manualClaim);
    if (claim.isEmpty())
        return;
    try {
        m_settings.configuration().validate();
    } catch (const AppError &error) {
        setError(error.message());
        return;
    }
    if (m_isDemo)
        clearContext();
    clearError();
    m_intake.submit(ClaimJob{QUuid::createUuid(), text::prefix(claim, ClaimIntake::longestJobText),
                             m_scheduler.now(), std::nullopt});
    setManualClaim(QString());
}

void SessionStore::handleCaptureError(const QString &message) {
    if (!m_isRunning && !m_isStarting)
        return;
    setError(message);
    stopAfterCaptureError();
}

QCoro::Task<> SessionStore::stopAfterCaptureError() {
    QPointer<SessionStore> self(this);
    auto stopping = stop(); // runs up to its wait, taking a new generation first
    const QUuid generation = m_captureGeneration;
    co_await std::move(stopping);
    // A session started while the capture was stopping keeps its own status.
    if (self && m_captureGeneration == generation)
        setStatus(stoppedByErrorStatus);
}

QCoro::Task<> SessionStore::refreshSources() {
    if (m_isRunning || m_isStarting)
        co_return;
    QPointer<SessionStore> self(this);
    try {
        auto sources = co_await m_capture.availableSources();
        if (self)
            applySources(std::move(sources));
    } catch (const AppError &error) {
        if (self)
            setError(error.message());
    }
}

// --- references ----------------------------------------------------------------------------

void SessionStore::chooseReferenceFiles() {
    if (m_references)
        m_references->chooseReferenceFiles();
}

void SessionStore::connectReferenceFolder() {
    if (m_references)
        m_references->connectReferenceFolder();
}

void SessionStore::refreshReferenceFolder() {
    if (m_references)
        m_references->refreshReferenceFolder(m_referenceFolder);
}

void SessionStore::disconnectReferenceFolder() {
    if (m_references)
        m_references->disconnectReferenceFolder();
}

void SessionStore::removeReference(const QUuid &id) {
    if (m_references)
        m_references->removeReference(id);
}

// --- remembered choices --------------------------------------------------------------------

void SessionStore::persistSession() {
    if (m_restoringSession || !m_sessionDefaults)
        return;
    m_savedSession.evidenceMode = evidenceModeLabel(m_evidenceMode);
    m_savedSession.includeMicrophone = m_includeMicrophone;
    m_savedSession.slackCallPrompt = m_promptOnSlackCalls;
    savePreferences(*m_sessionDefaults, m_savedSession);
}

void SessionStore::rememberSelectedSource() {
    if (m_restoringSession || !m_selectedSourceID)
        return;
    const auto source = std::find_if(m_sources.cbegin(), m_sources.cend(),
                                     [&](const auto &s) { return s.id == *m_selectedSourceID; });
    if (source == m_sources.cend())
        return;
    m_savedSession.allSystemAudio = source->id.isAllSystemAudio();
    m_savedSession.audioBundleID =
        source->id.isAllSystemAudio() ? std::nullopt : std::optional(source->bundleID);
    persistSession();
}

void SessionStore::applySources(QList<AudioSource> sources) {
    m_restoringSession = true;
    ++m_sourceLists;
    const SourceChoice choice = chooseSource(m_savedSession, sources, m_selectedSourceID);
    assign(this, m_sources, std::move(sources), &SessionStore::sourcesChanged);
    publishSelectedSource(choice.selection);
    if (choice.savedApplicationMissing)
        setStatus(savedAppUnavailableStatus);
    m_restoringSession = false;
}

void SessionStore::restoreSession() {
    if (!m_sessionDefaults)
        return;
    m_restoringSession = true;
    m_savedSession = loadPreferences(*m_sessionDefaults);
    setEvidenceMode(
        evidenceModeFromLabel(m_savedSession.evidenceMode).value_or(EvidenceMode::documents));
    setIncludeMicrophone(m_savedSession.includeMicrophone);
    setPromptOnSlackCalls(m_savedSession.slackCallPrompt.value_or(true));
    if (m_savedSession.allSystemAudio)
        publishSelectedSource(AudioSourceID::allSystemAudio());
    m_restoringSession = false;
    if (m_savedSession.audioBundleID && !m_savedSession.allSystemAudio)
        restoreSavedApplication(*m_savedSession.audioBundleID);
    if (m_references)
        m_references->restoreReferences(m_savedSession);
}

// A provisional list of the saved application's running instances, so it is selected at once;
// the full list replaces it at the next refresh.
QCoro::Task<> SessionStore::restoreSavedApplication(QString bundleID) {
    QPointer<SessionStore> self(this);
    const quint64 listsBefore = m_sourceLists;
    QList<AudioSource> sources{allSystemAudioSource()};
    try {
        for (auto source : co_await m_capture.runningApplications(bundleID)) {
            if (source.name.isEmpty())
                source.name = bundleID;
            source.bundleID = bundleID;
            sources.append(source);
        }
    } catch (const AppError &) {
        // The sound server is unreachable: the saved application counts as not running.
    }
    if (self && m_sourceLists == listsBefore)
        applySources(std::move(sources));
}

// --- demo ----------------------------------------------------------------------------------

void SessionStore::runDemo() {
    if (m_isRunning || m_isStarting)
        return;
    clearContext();
    setDemo(true);
    setStatus(demoStatus);
    setTranscript(demoQuote());
    setPendingCount(1);
    CancelSource cancel;
    m_demo = cancel;
    playDemo(m_intake.book().generation, cancel.get_token());
}

QCoro::Task<> SessionStore::playDemo(QUuid generation, CancelToken token) {
    QPointer<SessionStore> self(this);
    const bool elapsed = co_await m_scheduler.sleep(seconds(demoPauseSeconds), token);
    if (!self || !elapsed || m_intake.book().generation != generation)
        co_return;
    m_intake.book().findings = {makeDemoFinding(m_scheduler.now())};
    assign(this, m_findings, m_intake.book().findings, &SessionStore::findingsChanged);
    setPendingCount(0);
    setStatus(demoDoneStatus);
}

} // namespace brindle
