/**
 * @file
 * The session controller's reference side: individually chosen files and at most one connected
 * folder, loaded in the background, combined under the overall limits and published through the
 * host, with their connections kept in the saved preferences. Owned by SessionStore and confined
 * to the main thread; the file reading and indexing run on the global thread pool and their
 * results are dropped when a newer load, a disconnect or the owner's destruction came first.
 */
#pragma once

#include "cancellation.h"
#include "referencecorpus.h"
#include "referencedialogsport.h"
#include "referencefilesport.h"
#include "sessionreferenceshost.h"

#include <QCoroTask>
#include <QFuture>
#include <QObject>
#include <QThreadPool>
#include <QUuid>

#include <functional>

namespace brindle {

/// Folder documents followed by individual documents, keeping the first document of each file.
/// The loader hands out normalized URLs, so documents are compared by their `url`.
ReferenceCorpus combineReferences(const ReferenceCorpus &individual, const ReferenceCorpus &folder);

/// The consent alert shown before files are chosen or a folder is connected.
ConsentAlert referenceConsentAlert(bool forFolder);

class SessionReferences : public QObject {
    Q_OBJECT

public:
    using Loader = std::function<ReferenceSnapshot(const CancelToken &)>;

    SessionReferences(SessionReferencesHost &host, ReferenceFilesPort &files,
                      ReferenceDialogsPort *dialogs, QObject *parent = nullptr);
    ~SessionReferences() override;

    const ReferenceCorpus &individualReferences() const { return m_individual; }
    const ReferenceCorpus &folderReferences() const { return m_folder; }

    QCoro::Task<> chooseReferenceFiles();
    QCoro::Task<> connectReferenceFolder();
    void refreshReferenceFolder(const std::optional<QUrl> &folder);
    void disconnectReferenceFolder();
    void removeReference(const QUuid &id);
    /// Shows the consent alert; true when the user allowed.
    QCoro::Task<bool> confirmReferenceUse(bool forFolder);
    /// Runs `loader` in the background and applies its snapshot to the folder documents
    /// (`forFolder`) or to the individual documents.
    void loadReferences(std::optional<QUrl> folder, bool forFolder, Loader loader);
    /// Reloads the saved connections at launch.
    void restoreReferences(const SessionPreferences &saved);

Q_SIGNALS:
    /// A load or restore has ended and its result was applied or dropped.
    void loadSettled();

public:
    /// The URL of a saved connection: where its token leads, else its saved path.
    QUrl savedReferenceUrl(const SavedReference &reference) const;

private:
    struct Loaded;
    struct Restored;

    bool isBusy() const;
    QUuid beginLoad(const QString &status);
    void finishLoad(const QUuid &token);
    void failLoad(const QUuid &token, const QString &message, const QString &status);
    SavedReference savedReference(const QUrl &url) const;
    void connectFolder(const QUrl &folder);
    QCoro::Task<> applyLoad(QUuid token, std::optional<QUrl> folder, bool forFolder,
                            QFuture<Loaded> result);
    QCoro::Task<> applyRestore(QUuid token, std::optional<QUrl> folder, QFuture<Restored> result);

    SessionReferencesHost &m_host;
    ReferenceFilesPort &m_files;
    ReferenceDialogsPort *m_dialogs;
    ReferenceCorpus m_individual;
    ReferenceCorpus m_folder;
    QUuid m_generation = QUuid::createUuid();
    std::optional<CancelSource> m_loadTask;
    /// Stopped on destruction so that every load still running ends early.
    CancelSource m_lifetime;
    /// Runs the loads; waited for on destruction, since they read through `m_files`.
    QThreadPool m_pool;
};

} // namespace brindle
