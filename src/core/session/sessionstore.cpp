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
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_settings(settings)
    , m_capture(capture)
    , m_intake(scheduler, *this)
    , m_pipeline(scheduler, settings, checker, m_intake.book(), *this) {
    QPointer<SessionStore> self(this);
    m_capture.onTranscript = [self](const QString &text, bool isFinal) {
        if (self)
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
}

SessionStore::~SessionStore() {
    m_capture.onTranscript = nullptr;
    m_capture.onStatus = nullptr;
    m_capture.onError = nullptr;
    cancelAllWork();
}

// --- published setters ---------------------------------------------------------------------

void SessionStore::setSelectedSourceID(std::optional<AudioSourceID> id) {
    assign(this, m_selectedSourceID, id, &SessionStore::selectedSourceIDChanged);
}

void SessionStore::setIncludeMicrophone(bool include) {
    assign(this, m_includeMicrophone, include, &SessionStore::includeMicrophoneChanged);
}

void SessionStore::setEvidenceMode(EvidenceMode mode) {
    assign(this, m_evidenceMode, mode, &SessionStore::evidenceModeChanged);
}

void SessionStore::setDocuments(ReferenceCorpus documents) {
    // A corpus has no equality of its own; the documents decide whether anything changed.
    if (documents.documents() == m_documents.documents())
        return;
    m_documents = std::move(documents);
    Q_EMIT documentsChanged();
}

void SessionStore::setLoadingReferences(bool loading) {
    assign(this, m_isLoadingReferences, loading, &SessionStore::isLoadingReferencesChanged);
}

void SessionStore::setManualClaim(const QString &text) {
    assign(this, m_manualClaim, text, &SessionStore::manualClaimChanged);
}

void SessionStore::setPromptOnSlackCalls(bool prompt) {
    assign(this, m_promptOnSlackCalls, prompt, &SessionStore::promptOnSlackCallsChanged);
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
    co_await stop();
    if (self)
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

void SessionStore::applySources(QList<AudioSource> sources) {
    // Keep a selection that is still listed; otherwise fall back to all system audio.
    const bool stillListed =
        m_selectedSourceID && std::any_of(sources.cbegin(), sources.cend(), [&](const auto &s) {
            return s.id == *m_selectedSourceID;
        });
    assign(this, m_sources, std::move(sources), &SessionStore::sourcesChanged);
    if (!stillListed)
        setSelectedSourceID(AudioSourceID::allSystemAudio());
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
