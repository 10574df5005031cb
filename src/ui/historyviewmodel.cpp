#include "historyviewmodel.h"

#include "findingvalues.h"
#include "historypreference.h"
#include "report.h"
#include "reporttexts.h"
#include "sessionhistory.h"

#include <QFileInfo>
#include <QPointer>

namespace brindle {

namespace {

QVariantMap sessionValue(const SessionSummary &s) {
    return {
        {QStringLiteral("id"), s.id},
        {QStringLiteral("title"), report::sessionTitle(s)},
        {QStringLiteral("dateText"),
         QLocale().toString(s.startedAt.toLocalTime(), QStringLiteral("ddd d MMM yyyy, HH:mm"))},
        {QStringLiteral("countsText"), report::countsText(s)},
        {QStringLiteral("isRecording"), s.kind == SessionKind::recording}};
}

} // namespace

HistoryViewModel::HistoryViewModel(SessionHistory &history, HistoryPreference &preference,
                                   QObject *parent)
    : QObject(parent)
    , m_history(history)
    , m_preference(preference) {
    connect(&history, &SessionHistory::sessionsChanged, this, &HistoryViewModel::historyChanged);
    connect(&history, &SessionHistory::noticeChanged, this, &HistoryViewModel::noticeChanged);
    connect(&preference, &HistoryPreference::keepChanged, this,
            &HistoryViewModel::keepHistoryChanged);
}

void HistoryViewModel::setActive(bool active) {
    if (active == m_active)
        return;
    m_active = active;
    Q_EMIT activeChanged();
    if (active)
        reload();
    else
        closeSession();
}

void HistoryViewModel::historyChanged() {
    if (m_active)
        reload();
}

QCoro::Task<> HistoryViewModel::reload() {
    // One read at a time; changes that arrive meanwhile are picked up by one more read.
    if (m_reloading) {
        m_reloadAgain = true;
        co_return;
    }
    QPointer<HistoryViewModel> self(this);
    m_reloading = true;
    do {
        m_reloadAgain = false;
        const auto list = co_await m_history.sessions();
        if (!self)
            co_return;
        QVariantList values;
        values.reserve(list.size());
        for (const auto &summary : list)
            values.append(sessionValue(summary));
        m_sessions = std::move(values);
        m_loaded = true;
        Q_EMIT sessionsChanged();
    } while (m_reloadAgain);
    m_reloading = false;
}

QCoro::Task<> HistoryViewModel::openSession(qint64 id) {
    QPointer<HistoryViewModel> self(this);
    auto record = co_await m_history.session(id);
    if (!self)
        co_return;
    m_selected = std::move(record);
    m_selectedFindings.clear();
    if (m_selected) {
        for (const auto &entry : m_selected->findings) {
            QVariantMap value = findingValue(entry.finding);
            value.insert(QStringLiteral("timeText"), report::whenText(entry));
            m_selectedFindings.append(value);
        }
    }
    setExportStatus({});
    Q_EMIT selectedChanged();
}

QCoro::Task<> HistoryViewModel::openSessionWithKey(QUuid key) {
    QPointer<HistoryViewModel> self(this);
    const auto id = co_await m_history.sessionId(key);
    if (self && id)
        co_await openSession(*id);
}

void HistoryViewModel::closeSession() {
    if (!m_selected)
        return;
    m_selected.reset();
    m_selectedFindings.clear();
    setExportStatus({});
    Q_EMIT selectedChanged();
}

QVariantMap HistoryViewModel::selected() const {
    if (!m_selected)
        return {{QStringLiteral("id"), -1}};
    const SessionSummary &s = m_selected->summary;
    return {{QStringLiteral("id"), s.id},
            {QStringLiteral("title"), report::sessionTitle(s)},
            {QStringLiteral("periodText"), report::periodText(s)},
            {QStringLiteral("evidenceText"), evidenceModeLabel(s.evidenceMode)},
            {QStringLiteral("countsText"), report::countsText(s)}};
}

QString HistoryViewModel::selectedTranscript() const {
    return m_selected ? m_selected->transcript : QString();
}

QString HistoryViewModel::notice() const {
    return m_history.notice();
}

bool HistoryViewModel::keepHistory() const {
    return m_preference.keep();
}

void HistoryViewModel::setKeepHistory(bool keep) {
    m_preference.setKeep(keep);
}

void HistoryViewModel::deleteSession(qint64 id) {
    if (m_selected && m_selected->summary.id == id)
        closeSession();
    m_history.deleteSession(id);
}

void HistoryViewModel::deleteAll() {
    closeSession();
    m_history.deleteAll();
}

void HistoryViewModel::setExportStatus(const QString &status) {
    if (status == m_exportStatus)
        return;
    m_exportStatus = status;
    Q_EMIT exportStatusChanged();
}

bool HistoryViewModel::exportReport(const QUrl &file, bool includeTranscript) {
    if (!m_selected)
        return false;
    const auto result = saveReport(*m_selected, file.toLocalFile(), {includeTranscript});
    setExportStatus(result.message);
    return result.saved;
}

QString HistoryViewModel::exportRecordingReport(const QUrl &file, bool includeTranscript) {
    const auto record = m_lastRecording ? m_lastRecording() : std::nullopt;
    if (!record)
        return QStringLiteral("No recording has been checked yet.");
    return saveReport(*record, file.toLocalFile(), {includeTranscript}).message;
}

QString HistoryViewModel::suggestedRecordingFileName(const QString &format) const {
    const auto record = m_lastRecording ? m_lastRecording() : std::nullopt;
    const QString base = record ? QFileInfo(record->summary.source).completeBaseName() : QString();
    return QStringLiteral("%1-report.%2")
        .arg(base.isEmpty() ? QStringLiteral("recording") : base, format);
}

QString HistoryViewModel::suggestedFileName(const QString &format) const {
    const QDateTime started =
        m_selected ? m_selected->summary.startedAt.toLocalTime() : QDateTime::currentDateTime();
    return QStringLiteral("brindle-%1.%2")
        .arg(started.toString(QStringLiteral("yyyy-MM-dd-HHmm")), format);
}

} // namespace brindle
