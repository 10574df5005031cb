/**
 * @file
 * The session controller as QML sees it: its published state in plain QML types (names, indexes,
 * finding maps) and its operations as invokables, the asynchronous ones started and left to run.
 * It holds no state of its own; every property reads the controller. The controller, the capture
 * and the reference side must outlive it. Main thread only.
 */
#pragma once

#include <QObject>
#include <QStringList>
#include <QVariantList>

namespace brindle {

class AudioCapturePort;
class ReferenceSide;
class SessionStore;

class SessionViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString status READ status NOTIFY statusChanged)
    Q_PROPERTY(bool isRunning READ isRunning NOTIFY isRunningChanged)
    Q_PROPERTY(bool isStarting READ isStarting NOTIFY isStartingChanged)
    Q_PROPERTY(bool isDemo READ isDemo NOTIFY isDemoChanged)
    Q_PROPERTY(QString transcript READ transcript NOTIFY transcriptChanged)
    Q_PROPERTY(QString error READ error NOTIFY errorChanged)
    Q_PROPERTY(qint64 pendingCount READ pendingCount NOTIFY pendingCountChanged)
    Q_PROPERTY(qint64 skippedCount READ skippedCount NOTIFY skippedCountChanged)
    Q_PROPERTY(QString manualClaim READ manualClaim WRITE setManualClaim NOTIFY manualClaimChanged)
    Q_PROPERTY(bool includeMicrophone READ includeMicrophone WRITE setIncludeMicrophone NOTIFY
                   includeMicrophoneChanged)
    Q_PROPERTY(bool promptOnSlackCalls READ promptOnSlackCalls WRITE setPromptOnSlackCalls NOTIFY
                   promptOnSlackCallsChanged)
    /// Names of the capturable sources, in list order.
    Q_PROPERTY(QStringList sourceNames READ sourceNames NOTIFY sourcesChanged)
    /// Index of the selected source in sourceNames; -1 when none is selected or listed.
    Q_PROPERTY(int selectedSourceIndex READ selectedSourceIndex WRITE setSelectedSourceIndex NOTIFY
                   sourcesChanged)
    Q_PROPERTY(bool hasSelectedSource READ hasSelectedSource NOTIFY sourcesChanged)
    Q_PROPERTY(bool selectionIsAllSystemAudio READ selectionIsAllSystemAudio NOTIFY sourcesChanged)
    /// 0 documents, 1 web, 2 combined (the order of the mode list).
    Q_PROPERTY(int evidenceMode READ evidenceMode WRITE setEvidenceMode NOTIFY evidenceModeChanged)
    Q_PROPERTY(QStringList evidenceModeLabels READ evidenceModeLabels CONSTANT)
    Q_PROPERTY(bool isLoadingReferences READ isLoadingReferences NOTIFY isLoadingReferencesChanged)
    Q_PROPERTY(int documentCount READ documentCount NOTIFY referencesChanged)
    /// Full path of the connected folder; empty when none.
    Q_PROPERTY(QString referenceFolderPath READ referenceFolderPath NOTIFY referencesChanged)
    Q_PROPERTY(QString referenceFolderName READ referenceFolderName NOTIFY referencesChanged)
    Q_PROPERTY(int folderDocumentCount READ folderDocumentCount NOTIFY referencesChanged)
    /// Maps with id and name, one per individually added document.
    Q_PROPERTY(QVariantList individualDocuments READ individualDocuments NOTIFY referencesChanged)
    Q_PROPERTY(QString referenceStatus READ referenceStatus NOTIFY referencesChanged)
    /// Finding maps (see findingvalues.h), newest first.
    Q_PROPERTY(QVariantList findings READ findings NOTIFY findingsChanged)

public:
    SessionViewModel(SessionStore &store, AudioCapturePort &capture, QObject *parent = nullptr);

    /// Connects the reference half of the controller; call referencesChanged() when it changes.
    void setReferenceSide(ReferenceSide *side);

    QString status() const;
    bool isRunning() const;
    bool isStarting() const;
    bool isDemo() const;
    QString transcript() const;
    QString error() const;
    qint64 pendingCount() const;
    qint64 skippedCount() const;
    QString manualClaim() const;
    void setManualClaim(const QString &text);
    bool includeMicrophone() const;
    void setIncludeMicrophone(bool include);
    bool promptOnSlackCalls() const;
    void setPromptOnSlackCalls(bool prompt);
    QStringList sourceNames() const;
    int selectedSourceIndex() const;
    void setSelectedSourceIndex(int index);
    bool hasSelectedSource() const { return selectedSourceIndex() >= 0; }
    bool selectionIsAllSystemAudio() const;
    int evidenceMode() const;
    void setEvidenceMode(int mode);
    QStringList evidenceModeLabels() const;
    bool isLoadingReferences() const;
    int documentCount() const;
    QString referenceFolderPath() const;
    QString referenceFolderName() const;
    int folderDocumentCount() const;
    QVariantList individualDocuments() const;
    QString referenceStatus() const;
    QVariantList findings() const;

    /// Start when idle, otherwise stop (which also cancels a start in progress).
    Q_INVOKABLE void toggleSession();
    Q_INVOKABLE void refreshSources();
    Q_INVOKABLE void clearContext();
    Q_INVOKABLE void checkManualClaim();
    Q_INVOKABLE void runDemo();
    Q_INVOKABLE void openCapturePermissions();
    Q_INVOKABLE void chooseReferenceFiles();
    Q_INVOKABLE void connectReferenceFolder();
    Q_INVOKABLE void refreshReferenceFolder();
    Q_INVOKABLE void disconnectReferenceFolder();
    Q_INVOKABLE void removeReference(const QString &id);
    /// Web sources open in the browser, reference files are shown in the file manager.
    Q_INVOKABLE void openSource(const QString &url);

Q_SIGNALS:
    void statusChanged();
    void isRunningChanged();
    void isStartingChanged();
    void isDemoChanged();
    void transcriptChanged();
    void errorChanged();
    void pendingCountChanged();
    void skippedCountChanged();
    void manualClaimChanged();
    void includeMicrophoneChanged();
    void promptOnSlackCallsChanged();
    void sourcesChanged();
    void evidenceModeChanged();
    void isLoadingReferencesChanged();
    void referencesChanged();
    void findingsChanged();

private:
    SessionStore &m_store;
    AudioCapturePort &m_capture;
    ReferenceSide *m_references = nullptr;
};

/// Shows a local file in the desktop's file manager (its folder when no file manager answers).
void showInFileManager(const QString &path);

} // namespace brindle
