#include "recordingsession.h"

#include "apperror.h"
#include "mediadecoder.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>

#include <algorithm>

namespace brindle {

QString recordingPositionText(double seconds) {
    const auto whole = qint64(std::max(0.0, seconds));
    return QStringLiteral("%1:%2")
        .arg(whole / 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

RecordingSession::RecordingSession(SessionSettingsPort &settings, ClaimCheckerPort &checker,
                                   RecordingTranscriber::RecognizerFactory makeRecognizer,
                                   QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_makeRecognizer(std::move(makeRecognizer))
    , m_clock(QDateTime::currentDateTimeUtc())
    , m_intake(m_clock, *this)
    , m_pipeline(m_clock, settings, checker, m_intake.book(), *this) {}

RecordingSession::~RecordingSession() {
    m_decoder.reset();
    m_transcriber.reset();
    m_intake.cancelAllWork();
}

std::int64_t RecordingSession::maxChecksPerSession() const {
    return m_settings.maxChecksPerSession();
}

qint64 RecordingSession::claimsFound() const {
    const auto &book = m_intake.book();
    return book.checksUsed + book.queue.jobs.size() + book.queue.dropped + m_refusedByLimit;
}

qint64 RecordingSession::checksDone() const {
    const auto &book = m_intake.book();
    return book.checksUsed - book.active.size();
}

void RecordingSession::setError(const QString &message) {
    if (message == ClaimIntake::checkLimitMessage())
        ++m_refusedByLimit;
    if (m_error == message)
        return;
    m_error = message;
    Q_EMIT errorChanged();
}

bool RecordingSession::start(const QString &path, EvidenceMode mode, ReferenceCorpus documents) {
    if (m_running)
        return false;
    std::optional<QString> refusal;
    if (liveSessionActive && liveSessionActive())
        refusal = liveSessionRunningMessage();
    else if (mode == EvidenceMode::documents && documents.isEmpty())
        refusal =
            QStringLiteral("Load reference documents, or select Public web for public claims.");
    if (!refusal) {
        try {
            m_settings.configuration().validate();
            m_transcriber = std::make_unique<RecordingTranscriber>(m_makeRecognizer);
            if (!m_transcriber->isAvailable())
                throw CaptureError(QStringLiteral("The English speech model could not be loaded."));
        } catch (const AppError &error) {
            refusal = error.message();
            m_transcriber.reset();
        }
    }
    if (refusal) {
        setError(*refusal);
        return false;
    }

    m_begun = false;
    m_decoded = false;
    m_texts.clear();
    m_pendingFileName = QFileInfo(path).fileName();
    m_pendingMode = mode;
    m_pendingDocuments = std::move(documents);
    m_running = true;
    Q_EMIT isRunningChanged();

    m_transcriber->onText = [this](const TimedText &text) { receive(text); };
    m_transcriber->onTranscribed = [this](qint64 samples) {
        if (m_decoder)
            m_decoder->release(samples);
    };
    // Posted: ending destroys the transcriber that reports the failure.
    m_transcriber->onError = [this](const QString &message) {
        QMetaObject::invokeMethod(
            this, [this, message] { end(false, message); }, Qt::QueuedConnection);
    };
    m_decoder =
        std::make_unique<MediaDecoder>(path, MediaDecoder::Handlers{
                                                 [this](QByteArray samples) {
                                                     if (!m_begun)
                                                         begin();
                                                     m_transcriber->append(samples);
                                                 },
                                                 [this](double seconds) {
                                                     m_duration = seconds;
                                                     Q_EMIT progressChanged();
                                                 },
                                                 [this] {
                                                     m_decoded = true;
                                                     m_transcriber->finish();
                                                     schedulePump();
                                                 },
                                                 [this](QString message) { end(false, message); },
                                             });
    return true;
}

// The first audio: the file is readable, so this run replaces the previous results.
void RecordingSession::begin() {
    m_begun = true;
    m_intake.clearContext();
    m_intake.book().checksUsed = 0;
    m_refusedByLimit = 0;
    m_fileName = m_pendingFileName;
    m_mode = m_pendingMode;
    m_documents = std::move(m_pendingDocuments);
    m_runStart = m_clock.monotonic();
    m_lastText = Duration::zero();
    m_position = m_duration = 0;
    m_findings.clear();
    m_seen.clear();
    m_transcript.clear();
    if (!m_error.isEmpty()) {
        m_error.clear();
        Q_EMIT errorChanged();
    }
    Q_EMIT findingsChanged();
    Q_EMIT progressChanged();
    Q_EMIT started(m_fileName, m_mode);
}

void RecordingSession::receive(const TimedText &text) {
    m_texts.push_back(text);
    schedulePump();
}

void RecordingSession::schedulePump() {
    if (m_pumpPosted)
        return;
    m_pumpPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_pumpPosted = false;
            pump();
        },
        Qt::QueuedConnection);
}

bool RecordingSession::checking() const {
    const auto &book = m_intake.book();
    return !book.active.isEmpty() || !book.queue.jobs.isEmpty();
}

// Hands the reports to the intake in recording order, moving the clock to each one; stops while
// a check is under way and resumes when the pipeline reports its counts.
void RecordingSession::pump() {
    const auto hold = [this] { return !m_running || checking(); };
    while (m_running && !checking()) {
        if (!m_texts.empty()) {
            const TimedText text = m_texts.front();
            if (!m_clock.advanceTo(m_runStart + text.position, hold))
                break;
            m_texts.pop_front();
            m_lastText = text.position;
            setPosition(text.position);
            m_intake.handleTranscript(text.text, text.isFinal);
            if (text.isFinal) {
                m_transcript += QStringLiteral("[%1] %2\n")
                                    .arg(recordingPositionText(
                                             std::chrono::duration<double>(text.position).count()),
                                         text.text);
            }
            continue;
        }
        if (!m_decoded || !m_transcriber || !m_transcriber->isDone())
            break;
        if (!m_clock.advanceTo(m_runStart + m_lastText + seconds(closingSeconds), hold))
            break;
        if (!checking() && !m_clock.hasPendingCalls()) {
            end(true);
            break;
        }
        if (!checking())
            break; // a posted call is due; the pump runs again when counts change
    }
}

void RecordingSession::setPosition(Duration position) {
    m_position = std::chrono::duration<double>(position).count();
    Q_EMIT progressChanged();
}

void RecordingSession::refreshCounts() {
    collectFindings();
    Q_EMIT progressChanged();
    if (m_running)
        schedulePump();
}

// The pipeline keeps the newest findings only; a recording keeps them all. A finding that leaves
// the pipeline's list while it is short was withdrawn (its wording was revised) and goes here too.
void RecordingSession::collectFindings() {
    const auto &current = m_intake.book().findings;
    bool changed = false;
    if (current.size() < ClaimPipeline::findingsKept) {
        QSet<QUuid> present;
        for (const auto &finding : current)
            present.insert(finding.id);
        changed = m_findings.removeIf([&](const RecordingFinding &f) {
            return !present.contains(f.finding.id);
        }) > 0;
    }
    const QDateTime zero = m_clock.origin().addMSecs(
        std::chrono::duration_cast<std::chrono::milliseconds>(m_runStart).count());
    for (auto it = current.crbegin(); it != current.crend(); ++it) {
        if (m_seen.contains(it->id))
            continue;
        m_seen.insert(it->id);
        const double heardAt = secondsBetween(zero, it->createdAt) - it->elapsed;
        RecordingFinding added{*it, std::max(0.0, heardAt)};
        const auto at = std::upper_bound(
            m_findings.begin(), m_findings.end(), added.position,
            [](double position, const RecordingFinding &f) { return position < f.position; });
        m_findings.insert(at, added);
        changed = true;
        Q_EMIT findingAdded(added);
    }
    if (changed)
        Q_EMIT findingsChanged();
}

void RecordingSession::cancel() {
    if (m_running)
        end(false);
}

void RecordingSession::end(bool completed, const QString &failure) {
    if (!m_running)
        return;
    m_running = false;
    m_decoder.reset();
    m_transcriber.reset();
    m_texts.clear();
    m_intake.cancelAllWork();
    if (!failure.isEmpty())
        setError(failure);
    if (completed && m_duration < m_position)
        m_duration = m_position;
    Q_EMIT progressChanged();
    Q_EMIT isRunningChanged();
    Q_EMIT finished(completed);
}

bool waitForEnd(RecordingSession &session) {
    QEventLoop loop;
    bool completed = false;
    QObject::connect(&session, &RecordingSession::finished, &loop, [&](bool done) {
        completed = done;
        loop.quit();
    });
    loop.exec();
    return completed;
}

} // namespace brindle
