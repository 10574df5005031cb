/**
 * @file
 * "Check a recording…" as QML sees it: the running recording's progress (position / duration,
 * claims found, checks done), its findings as finding maps with a `position` ("mm:ss"), its error,
 * and the start and cancel operations. A recording takes the evidence mode and references the
 * window shows. It keeps the two kinds of session apart: a recording is refused while a live
 * session runs or starts, and listening while a recording runs. Holds no state of its own; the
 * recording session and the session controller must outlive it. Main thread only.
 */
#pragma once

#include <QObject>
#include <QUrl>
#include <QVariantList>

namespace brindle {

class RecordingSession;
class SessionStore;

class RecordingViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isRunning READ isRunning NOTIFY isRunningChanged)
    /// True when a recording may start: none runs and no live session runs or starts.
    Q_PROPERTY(bool canStart READ canStart NOTIFY canStartChanged)
    Q_PROPERTY(QString fileName READ fileName NOTIFY progressChanged)
    /// "01:08 / 10:00 · 3 claims found · 2 checks done"; empty before the first recording.
    Q_PROPERTY(QString progressText READ progressText NOTIFY progressChanged)
    Q_PROPERTY(QString error READ error NOTIFY errorChanged)
    /// Finding maps (see findingvalues.h) plus `position`, in recording order.
    Q_PROPERTY(QVariantList findings READ findings NOTIFY findingsChanged)

public:
    RecordingViewModel(RecordingSession &recording, SessionStore &store, QObject *parent = nullptr);

    bool isRunning() const;
    bool canStart() const;
    QString fileName() const;
    QString progressText() const;
    QString error() const;
    QVariantList findings() const;

    /// Checks the file with the window's evidence mode and references.
    Q_INVOKABLE void checkRecording(const QUrl &file);
    Q_INVOKABLE void cancel();

Q_SIGNALS:
    void isRunningChanged();
    void canStartChanged();
    void progressChanged();
    void errorChanged();
    void findingsChanged();

private:
    RecordingSession &m_recording;
    SessionStore &m_store;
    bool m_started = false; ///< a recording has begun at least once
};

} // namespace brindle
