#include "recordingviewmodel.h"

#include "findingvalues.h"
#include "recordingsession.h"
#include "sessionstore.h"

namespace brindle {

RecordingViewModel::RecordingViewModel(RecordingSession &recording, SessionStore &store,
                                       QObject *parent)
    : QObject(parent)
    , m_recording(recording)
    , m_store(store) {
    // One session at a time: a recording or listening.
    recording.liveSessionActive = [&store] { return store.isRunning() || store.isStarting(); };
    store.otherSessionActive = [&recording] { return recording.isRunning(); };
    connect(&recording, &RecordingSession::isRunningChanged, this,
            &RecordingViewModel::isRunningChanged);
    connect(&recording, &RecordingSession::started, this, [this] {
        m_started = true;
        Q_EMIT progressChanged();
    });
    connect(&recording, &RecordingSession::progressChanged, this,
            &RecordingViewModel::progressChanged);
    connect(&recording, &RecordingSession::errorChanged, this, &RecordingViewModel::errorChanged);
    connect(&recording, &RecordingSession::findingsChanged, this,
            &RecordingViewModel::findingsChanged);
    for (auto changed : {&SessionStore::isRunningChanged, &SessionStore::isStartingChanged})
        connect(&store, changed, this, &RecordingViewModel::canStartChanged);
    connect(&recording, &RecordingSession::isRunningChanged, this,
            &RecordingViewModel::canStartChanged);
}

bool RecordingViewModel::isRunning() const {
    return m_recording.isRunning();
}

bool RecordingViewModel::canStart() const {
    return !m_recording.isRunning() && !m_store.isRunning() && !m_store.isStarting();
}

QString RecordingViewModel::fileName() const {
    return m_started ? m_recording.fileName() : QString();
}

QString RecordingViewModel::progressText() const {
    if (!m_started)
        return {};
    const auto count = [](qint64 n, const char *one, const char *many) {
        return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
    };
    const QString duration = m_recording.duration() > 0
                                 ? recordingPositionText(m_recording.duration())
                                 : QStringLiteral("--:--");
    return QStringLiteral("%1 / %2 \u00B7 %3 \u00B7 %4")
        .arg(recordingPositionText(m_recording.position()), duration,
             count(m_recording.claimsFound(), "claim found", "claims found"),
             count(m_recording.checksDone(), "check done", "checks done"));
}

QString RecordingViewModel::error() const {
    return m_recording.error();
}

QVariantList RecordingViewModel::findings() const {
    QVariantList values;
    for (const auto &found : m_recording.findings()) {
        auto value = findingValue(found.finding);
        value.insert(QStringLiteral("position"), recordingPositionText(found.position));
        values.append(value);
    }
    return values;
}

void RecordingViewModel::checkRecording(const QUrl &file) {
    // A live session refuses the recording with a message of its own.
    if (m_recording.isRunning() || !file.isLocalFile())
        return;
    m_recording.start(file.toLocalFile(), m_store.evidenceMode(), m_store.referenceCorpus());
}

void RecordingViewModel::cancel() {
    m_recording.cancel();
}

} // namespace brindle
