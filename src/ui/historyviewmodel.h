/**
 * @file
 * The history view's controller: the list of kept sessions, the one opened with its findings
 * (as the same maps the live list shows), deleting, exporting a report (of a kept session, or of
 * the last checked recording), and the "Keep session history" setting. The list is read again
 * whenever the history changes while the view is active. The history and the preference must
 * outlive it. Main thread only.
 */
#pragma once

#include "historyrecords.h"

#include <QObject>
#include <QUrl>
#include <QVariantList>
#include <qcorotask.h>

#include <functional>
#include <optional>

namespace brindle {

class HistoryPreference;
class SessionHistory;

class HistoryViewModel : public QObject {
    Q_OBJECT
    /// True while the view shows; only then is the list kept up to date.
    Q_PROPERTY(bool active READ active WRITE setActive NOTIFY activeChanged)
    /// Maps with id, title, dateText, countsText, isRecording; newest first.
    Q_PROPERTY(QVariantList sessions READ sessions NOTIFY sessionsChanged)
    Q_PROPERTY(bool isLoaded READ isLoaded NOTIFY sessionsChanged)
    /// The opened session: id (-1 when none), title, periodText, evidenceText, countsText.
    Q_PROPERTY(QVariantMap selected READ selected NOTIFY selectedChanged)
    /// Finding maps of the opened session in the order they were made (a recording's by position);
    /// timeText says when each came up (heard time, or position in a recording).
    Q_PROPERTY(QVariantList selectedFindings READ selectedFindings NOTIFY selectedChanged)
    Q_PROPERTY(QString selectedTranscript READ selectedTranscript NOTIFY selectedChanged)
    /// What went wrong with the history file, or the last export; empty when nothing did.
    Q_PROPERTY(QString notice READ notice NOTIFY noticeChanged)
    Q_PROPERTY(QString exportStatus READ exportStatus NOTIFY exportStatusChanged)
    Q_PROPERTY(bool keepHistory READ keepHistory WRITE setKeepHistory NOTIFY keepHistoryChanged)

public:
    HistoryViewModel(SessionHistory &history, HistoryPreference &preference,
                     QObject *parent = nullptr);

    bool active() const { return m_active; }
    void setActive(bool active);
    const QVariantList &sessions() const { return m_sessions; }
    bool isLoaded() const { return m_loaded; }
    QVariantMap selected() const;
    const QVariantList &selectedFindings() const { return m_selectedFindings; }
    QString selectedTranscript() const;
    QString notice() const;
    const QString &exportStatus() const { return m_exportStatus; }
    bool keepHistory() const;
    void setKeepHistory(bool keep);

    /// Reads the list again; the returned task ends when it is published.
    QCoro::Task<> reload();
    /// Opens a session by its number; the returned task ends when its findings are published.
    QCoro::Task<> openSession(qint64 id);
    /// Opens the session begun with `key` (a recording check just finished, for instance).
    QCoro::Task<> openSessionWithKey(QUuid key);

    Q_INVOKABLE void open(qint64 id) { openSession(id); }
    Q_INVOKABLE void closeSession();
    Q_INVOKABLE void deleteSession(qint64 id);
    Q_INVOKABLE void deleteAll();
    /// Writes the opened session's report to `file` in the format its suffix names (md, html,
    /// json). False, with exportStatus saying why, when it could not be written.
    Q_INVOKABLE bool exportReport(const QUrl &file, bool includeTranscript);
    /// "brindle-2026-12-06-2310.html" for the opened session.
    Q_INVOKABLE QString suggestedFileName(const QString &format) const;

    /// Where the last checked recording comes from, kept in the history or not.
    void setLastRecording(std::function<std::optional<SessionRecord>()> lastRecording) {
        m_lastRecording = std::move(lastRecording);
    }
    /// Writes the last checked recording's report like exportReport(); says what happened.
    Q_INVOKABLE QString exportRecordingReport(const QUrl &file, bool includeTranscript);
    /// "debate-report.html" for the recording debate.mp3.
    Q_INVOKABLE QString suggestedRecordingFileName(const QString &format) const;

Q_SIGNALS:
    void activeChanged();
    void sessionsChanged();
    void selectedChanged();
    void noticeChanged();
    void exportStatusChanged();
    void keepHistoryChanged();

private:
    void historyChanged();
    void setExportStatus(const QString &status);

    SessionHistory &m_history;
    HistoryPreference &m_preference;
    bool m_active = false;
    bool m_loaded = false;
    bool m_reloading = false;
    bool m_reloadAgain = false;
    QVariantList m_sessions;
    std::optional<SessionRecord> m_selected;
    QVariantList m_selectedFindings;
    QString m_exportStatus;
    std::function<std::optional<SessionRecord>()> m_lastRecording;
};

} // namespace brindle
