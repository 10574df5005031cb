#include "sessionviewmodel.h"

#include "audiocaptureport.h"
#include "findingvalues.h"
#include "referenceside.h"
#include "sessionstore.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace brindle {

SessionViewModel::SessionViewModel(SessionStore &store, AudioCapturePort &capture, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_capture(capture) {
    const auto relay = [this](auto storeSignal, auto ownSignal) {
        connect(&m_store, storeSignal, this, ownSignal);
    };
    relay(&SessionStore::statusChanged, &SessionViewModel::statusChanged);
    relay(&SessionStore::isRunningChanged, &SessionViewModel::isRunningChanged);
    relay(&SessionStore::isStartingChanged, &SessionViewModel::isStartingChanged);
    relay(&SessionStore::isDemoChanged, &SessionViewModel::isDemoChanged);
    relay(&SessionStore::transcriptChanged, &SessionViewModel::transcriptChanged);
    relay(&SessionStore::errorChanged, &SessionViewModel::errorChanged);
    relay(&SessionStore::pendingCountChanged, &SessionViewModel::pendingCountChanged);
    relay(&SessionStore::skippedCountChanged, &SessionViewModel::skippedCountChanged);
    relay(&SessionStore::manualClaimChanged, &SessionViewModel::manualClaimChanged);
    relay(&SessionStore::includeMicrophoneChanged, &SessionViewModel::includeMicrophoneChanged);
    relay(&SessionStore::promptOnSlackCallsChanged, &SessionViewModel::promptOnSlackCallsChanged);
    relay(&SessionStore::sourcesChanged, &SessionViewModel::sourcesChanged);
    relay(&SessionStore::selectedSourceIDChanged, &SessionViewModel::sourcesChanged);
    relay(&SessionStore::evidenceModeChanged, &SessionViewModel::evidenceModeChanged);
    relay(&SessionStore::isLoadingReferencesChanged, &SessionViewModel::isLoadingReferencesChanged);
    relay(&SessionStore::documentsChanged, &SessionViewModel::referencesChanged);
    relay(&SessionStore::findingsChanged, &SessionViewModel::findingsChanged);
}

void SessionViewModel::setReferenceSide(ReferenceSide *side) {
    m_references = side;
    Q_EMIT referencesChanged();
}

QString SessionViewModel::status() const {
    return m_store.status();
}
bool SessionViewModel::isRunning() const {
    return m_store.isRunning();
}
bool SessionViewModel::isStarting() const {
    return m_store.isStarting();
}
bool SessionViewModel::isDemo() const {
    return m_store.isDemo();
}
QString SessionViewModel::transcript() const {
    return m_store.transcript();
}
QString SessionViewModel::error() const {
    return m_store.errorText();
}
qint64 SessionViewModel::pendingCount() const {
    return m_store.pendingCount();
}
qint64 SessionViewModel::skippedCount() const {
    return m_store.skippedCount();
}
QString SessionViewModel::manualClaim() const {
    return m_store.manualClaim();
}
void SessionViewModel::setManualClaim(const QString &text) {
    m_store.setManualClaim(text);
}
bool SessionViewModel::includeMicrophone() const {
    return m_store.includeMicrophone();
}
void SessionViewModel::setIncludeMicrophone(bool include) {
    m_store.setIncludeMicrophone(include);
}
bool SessionViewModel::promptOnSlackCalls() const {
    return m_store.promptOnSlackCalls();
}
void SessionViewModel::setPromptOnSlackCalls(bool prompt) {
    m_store.setPromptOnSlackCalls(prompt);
}

QStringList SessionViewModel::sourceNames() const {
    QStringList names;
    for (const auto &source : m_store.sources())
        names.append(source.name);
    return names;
}

int SessionViewModel::selectedSourceIndex() const {
    const auto selected = m_store.selectedSourceID();
    if (!selected)
        return -1;
    const auto &sources = m_store.sources();
    for (int i = 0; i < sources.size(); ++i) {
        if (sources[i].id == *selected)
            return i;
    }
    return -1;
}

void SessionViewModel::setSelectedSourceIndex(int index) {
    const auto &sources = m_store.sources();
    if (index < 0 || index >= sources.size())
        m_store.setSelectedSourceID(std::nullopt);
    else
        m_store.setSelectedSourceID(sources[index].id);
}

bool SessionViewModel::selectionIsAllSystemAudio() const {
    const auto selected = m_store.selectedSourceID();
    return selected && selected->isAllSystemAudio();
}

int SessionViewModel::evidenceMode() const {
    return int(m_store.evidenceMode());
}

void SessionViewModel::setEvidenceMode(int mode) {
    if (mode >= 0 && mode < int(allEvidenceModes.size()))
        m_store.setEvidenceMode(allEvidenceModes[size_t(mode)]);
}

QStringList SessionViewModel::evidenceModeLabels() const {
    QStringList labels;
    for (auto mode : allEvidenceModes)
        labels.append(evidenceModeLabel(mode));
    return labels;
}

bool SessionViewModel::isLoadingReferences() const {
    return m_store.isLoadingReferences();
}
int SessionViewModel::documentCount() const {
    return int(m_store.documents().size());
}

QString SessionViewModel::referenceFolderPath() const {
    if (!m_references)
        return {};
    const auto folder = m_references->referenceFolder();
    return folder ? folder->toLocalFile() : QString();
}

QString SessionViewModel::referenceFolderName() const {
    QString path = referenceFolderPath();
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return QFileInfo(path).fileName();
}

int SessionViewModel::folderDocumentCount() const {
    return m_references ? int(m_references->folderDocuments().size()) : 0;
}

QVariantList SessionViewModel::individualDocuments() const {
    const auto documents = m_references ? m_references->individualDocuments() : m_store.documents();
    QVariantList rows;
    for (const auto &document : documents) {
        rows.append(QVariantMap{{QStringLiteral("id"), document.id.toString(QUuid::WithoutBraces)},
                                {QStringLiteral("name"), document.name}});
    }
    return rows;
}

QString SessionViewModel::referenceStatus() const {
    return m_references ? m_references->referenceStatus() : QString();
}

QVariantList SessionViewModel::findings() const {
    return findingValues(m_store.findings());
}

void SessionViewModel::toggleSession() {
    if (!m_store.isRunning() && !m_store.isStarting())
        m_store.start();
    else
        m_store.stop();
}

void SessionViewModel::refreshSources() {
    m_store.refreshSources();
}
void SessionViewModel::clearContext() {
    m_store.clearContext();
}
void SessionViewModel::checkManualClaim() {
    m_store.checkManualClaim();
}
void SessionViewModel::runDemo() {
    m_store.runDemo();
}
void SessionViewModel::openCapturePermissions() {
    m_capture.openCapturePermissions();
}

void SessionViewModel::chooseReferenceFiles() {
    if (m_references)
        m_references->chooseReferenceFiles();
}

void SessionViewModel::connectReferenceFolder() {
    if (m_references)
        m_references->connectReferenceFolder();
}

void SessionViewModel::refreshReferenceFolder() {
    if (m_references)
        m_references->refreshReferenceFolder();
}

void SessionViewModel::disconnectReferenceFolder() {
    if (m_references)
        m_references->disconnectReferenceFolder();
}

void SessionViewModel::removeReference(const QString &id) {
    const QUuid uuid(id);
    if (m_references && !uuid.isNull())
        m_references->removeReference(uuid);
}

void SessionViewModel::openSource(const QString &url) {
    switch (sourceLinkKind(url)) {
    case SourceLinkKind::web:
        QDesktopServices::openUrl(QUrl(url, QUrl::StrictMode));
        break;
    case SourceLinkKind::file:
        showInFileManager(QUrl(url).toLocalFile());
        break;
    case SourceLinkKind::plain:
        break;
    }
}

void showInFileManager(const QString &path) {
    auto message = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                                  QStringLiteral("/org/freedesktop/FileManager1"),
                                                  QStringLiteral("org.freedesktop.FileManager1"),
                                                  QStringLiteral("ShowItems"));
    message << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    // Asynchronous, so a file manager that is slow to start never freezes the window.
    auto *watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(message, 3000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [path](QDBusPendingCallWatcher *call) {
                         if (call->isError())
                             QDesktopServices::openUrl(
                                 QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
                         call->deleteLater();
                     });
}

} // namespace brindle
