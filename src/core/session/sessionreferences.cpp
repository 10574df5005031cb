#include "sessionreferences.h"

#include <QCoroFuture>
#include <QPointer>
#include <QPromise>
#include <QScopeGuard>
#include <QSet>

namespace brindle {

namespace {

const QString filesPanelMessage = QStringLiteral(
    "Choose Markdown or text references. Relevant passages may be sent to your configured AI "
    "providers.");
const QString folderPanelMessage =
    QStringLiteral("Connect a folder or Obsidian vault. Markdown and text files in visible "
                   "subfolders will be available as references.");
const QString loadingStatus = QStringLiteral("Loading references\u2026");
const QString restoringStatus = QStringLiteral("Restoring reference connections\u2026");
const QString loadFailedStatus =
    QStringLiteral("Could not load references \u00B7 previous references retained");
const QString restoreFailedStatus =
    QStringLiteral("Connection saved \u00B7 reconnect or refresh to restore access");
const QString disconnectedStatus = QStringLiteral("Folder disconnected");
const QString combinedLimitMessage =
    QStringLiteral("Combined references exceed 5,000 files or 50 MB. Remove references or "
                   "connect a smaller folder.");
const QString restoreLimitMessage =
    QStringLiteral("Saved references exceed 5,000 files or 50 MB. Reconnect a smaller selection.");
const QString restoreFailedPrefix = QStringLiteral(
    "Could not restore references. Reconnect the folder or reselect missing files. ");

// The combined references stay within the same totals as one load.
constexpr qint64 combinedMaxDocuments = referenceMaxFiles;
constexpr qint64 combinedMaxBytes = referenceMaxTotalBytes;

// UTF-8 length without converting the text.
qint64 utf8Size(QStringView text) {
    qint64 bytes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit < 0x80) {
            bytes += 1;
        } else if (unit < 0x800) {
            bytes += 2;
        } else if (QChar::isHighSurrogate(unit) && i + 1 < text.size() &&
                   QChar::isLowSurrogate(text[i + 1].unicode())) {
            bytes += 4;
            ++i;
        } else {
            bytes += 3;
        }
    }
    return bytes;
}

bool exceedsCombinedLimits(const ReferenceCorpus &corpus) {
    if (corpus.size() > combinedMaxDocuments)
        return true;
    qint64 bytes = 0;
    for (const auto &document : corpus.documents()) {
        bytes += utf8Size(document.text);
        if (bytes > combinedMaxBytes)
            return true;
    }
    return false;
}

QString skippedSuffix(qint64 skipped, const QString &explanation) {
    if (skipped < 1)
        return {};
    return QStringLiteral(" \u00B7 %1 skipped").arg(skipped) + explanation;
}

// Positions of the documents for which `keep` holds.
template<typename Keep>
QList<qsizetype> positionsWhere(const ReferenceCorpus &corpus, Keep keep) {
    QList<qsizetype> positions;
    for (qsizetype i = 0; i < corpus.size(); ++i) {
        if (keep(corpus.documents()[i]))
            positions.append(i);
    }
    return positions;
}

ReferenceCorpus without(const ReferenceCorpus &corpus, const QUuid &id) {
    return corpus.subset(
        positionsWhere(corpus, [&](const ReferenceDocument &d) { return d.id != id; }));
}

// Runs `work` on `pool` with a token that stops with `token` or with `lifetime`.
template<typename T, typename Work>
QFuture<T> runInBackground(QThreadPool &pool, CancelToken token, CancelToken lifetime, Work work) {
    auto promise = std::make_shared<QPromise<T>>();
    QFuture<T> future = promise->future();
    promise->start();
    pool.start([promise, token, lifetime, work = std::move(work)]() mutable {
        CancelSource linked;
        std::stop_callback onCancel(token, [&linked] { linked.request_stop(); });
        std::stop_callback onEnd(lifetime, [&linked] { linked.request_stop(); });
        promise->addResult(work(linked.get_token()));
        promise->finish();
    });
    return future;
}

// A failure's message, or nothing for a cancellation.
std::optional<QString> failureMessage(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const CancelledError &) {
        return std::nullopt;
    } catch (const AppError &error) {
        return error.message();
    } catch (const std::exception &error) {
        return QString::fromLocal8Bit(error.what());
    } catch (...) {
        return QStringLiteral("The references could not be read.");
    }
}

} // namespace

ReferenceCorpus combineReferences(const ReferenceCorpus &individual,
                                  const ReferenceCorpus &folder) {
    const ReferenceCorpus all = ReferenceCorpus::concatenated(folder, individual);
    QSet<QUrl> seen;
    seen.reserve(all.size());
    const auto firsts = positionsWhere(all, [&](const ReferenceDocument &document) {
        const auto before = seen.size();
        seen.insert(document.url);
        return seen.size() != before;
    });
    return firsts.size() == all.size() ? all : all.subset(firsts);
}

ConsentAlert referenceConsentAlert(bool forFolder) {
    const QString scope =
        forFolder ? QStringLiteral("The folder connection is saved for future launches. Use "
                                   "Refresh to load changes. ")
                  : QStringLiteral("Selected file connections are saved for future launches. ");
    return {QStringLiteral("Use these references with cloud AI?"),
            QStringLiteral("Relevant passages may be sent to your configured AI providers when "
                           "checking claims. Local reference text is never included in public "
                           "web requests. If public web is also enabled, the spoken claim may be "
                           "publicly searched. ") +
                scope +
                QStringLiteral("Only UTF-8 Markdown and text files are loaded, up to 500 KB per "
                               "file, 5,000 files and 50 MB total. Hidden files and symbolic "
                               "links are skipped."),
            QStringLiteral("Allow selected references"), QStringLiteral("Cancel")};
}

// What a load hands back to the main thread: the indexed snapshot and its saved connections,
// a failure message, or neither when it was cancelled.
struct SessionReferences::Loaded {
    std::optional<ReferenceCorpus> documents;
    qint64 skipped = 0;
    QList<SavedReference> saved;
    std::optional<QString> failure;
};

// What a restore hands back: the combined documents, which of them are the individual and
// which the folder documents, and the renewed connections.
struct SessionReferences::Restored {
    std::optional<ReferenceCorpus> documents;
    QList<qsizetype> individual;
    QList<qsizetype> folder;
    qint64 skipped = 0;
    std::optional<SavedReference> savedFolder;
    QList<SavedReference> savedFiles;
    std::optional<QString> failure;
};

SessionReferences::SessionReferences(SessionReferencesHost &host, ReferenceFilesPort &files,
                                     ReferenceDialogsPort *dialogs, QObject *parent)
    : QObject(parent)
    , m_host(host)
    , m_files(files)
    , m_dialogs(dialogs) {
    m_pool.setMaxThreadCount(2);
}

SessionReferences::~SessionReferences() {
    m_lifetime.request_stop();
    m_pool.waitForDone();
}

bool SessionReferences::isBusy() const {
    return m_host.isRunning() || m_host.isStarting() || m_host.isLoadingReferences();
}

QCoro::Task<bool> SessionReferences::confirmReferenceUse(bool forFolder) {
    if (!m_dialogs)
        co_return false;
    co_return co_await m_dialogs->confirm(referenceConsentAlert(forFolder));
}

QCoro::Task<> SessionReferences::chooseReferenceFiles() {
    if (isBusy() || !m_dialogs)
        co_return;
    QPointer<SessionReferences> self(this);
    const QList<QUrl> chosen = co_await m_dialogs->chooseFiles(filesPanelMessage);
    if (!self || chosen.isEmpty())
        co_return;
    const bool allowed = co_await confirmReferenceUse(false);
    // The dialogs are modal but the session is not: a start or a load may have begun meanwhile.
    if (!self || !allowed || isBusy())
        co_return;
    QList<QUrl> urls;
    for (const auto &document : m_individual.documents())
        urls.append(document.url);
    urls.append(chosen);
    const ReferenceCorpus existing = combineReferences(m_individual, m_folder);
    ReferenceFilesPort &files = m_files;
    loadReferences(std::nullopt, false,
                   [&files, urls, existing = existing.documents()](const CancelToken &token) {
                       return files.loadFiles(urls, existing, token);
                   });
}

QCoro::Task<> SessionReferences::connectReferenceFolder() {
    if (isBusy() || !m_dialogs)
        co_return;
    QPointer<SessionReferences> self(this);
    const std::optional<QUrl> folder = co_await m_dialogs->chooseFolder(folderPanelMessage);
    if (!self || !folder)
        co_return;
    const bool allowed = co_await confirmReferenceUse(true);
    if (!self || !allowed || isBusy())
        co_return;
    connectFolder(*folder);
}

void SessionReferences::refreshReferenceFolder(const std::optional<QUrl> &folder) {
    if (!folder || isBusy())
        return;
    connectFolder(*folder);
}

void SessionReferences::connectFolder(const QUrl &folder) {
    const ReferenceCorpus existing = combineReferences(m_individual, m_folder);
    ReferenceFilesPort &files = m_files;
    loadReferences(folder, true,
                   [&files, folder, existing = existing.documents()](const CancelToken &token) {
                       return files.loadFolder(folder, existing, token);
                   });
}

QUuid SessionReferences::beginLoad(const QString &status) {
    const QUuid token = QUuid::createUuid();
    m_generation = token;
    m_loadTask.emplace();
    m_host.setLoadingReferences(true);
    m_host.setReferenceStatus(status);
    return token;
}

void SessionReferences::finishLoad(const QUuid &token) {
    if (m_generation != token)
        return;
    m_loadTask.reset();
    m_host.setLoadingReferences(false);
}

void SessionReferences::failLoad(const QUuid &token, const QString &message,
                                 const QString &status) {
    if (m_generation != token)
        return;
    m_host.setError(message);
    m_host.setReferenceStatus(status);
    finishLoad(token);
}

SavedReference SessionReferences::savedReference(const QUrl &url) const {
    return {url.toLocalFile(), m_files.makeAccessToken(url)};
}

void SessionReferences::loadReferences(std::optional<QUrl> folder, bool forFolder, Loader loader) {
    const QUuid token = beginLoad(loadingStatus);
    const ReferenceFilesPort &files = m_files;
    auto work = [&files, folder, forFolder, loader = std::move(loader)](CancelToken cancel) {
        Loaded loaded;
        try {
            ReferenceSnapshot snapshot = loader(cancel);
            loaded.skipped = snapshot.skipped;
            // Access tokens are made here too: one stat per file stays off the main thread.
            if (forFolder) {
                if (folder)
                    loaded.saved.append({folder->toLocalFile(), files.makeAccessToken(*folder)});
            } else {
                for (const auto &document : snapshot.documents)
                    loaded.saved.append(
                        {document.url.toLocalFile(), files.makeAccessToken(document.url)});
            }
            loaded.documents = ReferenceCorpus(std::move(snapshot.documents), cancel);
        } catch (...) {
            loaded.failure = failureMessage(std::current_exception());
        }
        return loaded;
    };
    applyLoad(token, folder, forFolder,
              runInBackground<Loaded>(m_pool, m_loadTask->get_token(), m_lifetime.get_token(),
                                      std::move(work)));
}

QCoro::Task<> SessionReferences::applyLoad(QUuid token, std::optional<QUrl> folder, bool forFolder,
                                           QFuture<Loaded> result) {
    QPointer<SessionReferences> self(this);
    Loaded loaded = co_await result;
    if (!self)
        co_return;
    const auto settled = qScopeGuard([this] { Q_EMIT loadSettled(); });
    if (m_generation != token)
        co_return;
    if (!loaded.documents) {
        // A cancelled load is always superseded, so only failures get here in practice.
        failLoad(token, loaded.failure.value_or(QString()), loadFailedStatus);
        co_return;
    }
    const ReferenceCorpus individual = forFolder ? m_individual : *loaded.documents;
    const ReferenceCorpus folderDocuments = forFolder ? *loaded.documents : m_folder;
    ReferenceCorpus combined = combineReferences(individual, folderDocuments);
    if (exceedsCombinedLimits(combined)) {
        failLoad(token, combinedLimitMessage, loadFailedStatus);
        co_return;
    }
    m_host.clearContext();
    m_individual = individual;
    m_folder = folderDocuments;
    m_host.setDocuments(std::move(combined));
    SessionPreferences &saved = m_host.savedSession();
    if (forFolder) {
        m_host.setReferenceFolder(folder);
        saved.folder = loaded.saved.isEmpty() ? std::nullopt : std::optional(loaded.saved.first());
    } else {
        saved.files = loaded.saved;
    }
    m_host.persistSession();
    m_host.setReferenceStatus(
        QStringLiteral("Loaded %1 references").arg(loaded.documents->size()) +
        skippedSuffix(loaded.skipped, QStringLiteral(" (empty, invalid, linked or over 500 KB)")));
    finishLoad(token);
}

void SessionReferences::disconnectReferenceFolder() {
    if (m_host.isRunning() || m_host.isStarting())
        return;
    if (auto task = std::exchange(m_loadTask, std::nullopt))
        task->request_stop();
    m_generation = QUuid::createUuid();
    m_host.setLoadingReferences(false);
    m_host.setReferenceFolder(std::nullopt);
    m_host.savedSession().folder.reset();
    m_host.persistSession();
    m_folder = ReferenceCorpus();
    m_host.clearContext();
    m_host.setDocuments(m_individual);
    m_host.setReferenceStatus(disconnectedStatus);
}

QUrl SessionReferences::savedReferenceUrl(const SavedReference &reference) const {
    if (reference.bookmark) {
        if (auto url = m_files.resolveAccessToken(*reference.bookmark))
            return *url;
    }
    return QUrl::fromLocalFile(reference.path);
}

void SessionReferences::removeReference(const QUuid &id) {
    if (m_host.isLoadingReferences())
        return;
    m_host.clearContext();
    const auto &individual = m_individual.documents();
    const auto found = std::find_if(individual.cbegin(), individual.cend(),
                                    [&](const ReferenceDocument &d) { return d.id == id; });
    const std::optional<QUrl> url =
        found == individual.cend() ? std::nullopt : std::optional(found->url);
    m_individual = without(m_individual, id);
    SessionPreferences &saved = m_host.savedSession();
    if (url) {
        const QUrl removed = m_files.normalizedUrl(*url);
        saved.files.removeIf([&](const SavedReference &entry) {
            return m_files.normalizedUrl(savedReferenceUrl(entry)) == removed;
        });
    }
    m_host.persistSession();
    m_folder = without(m_folder, id);
    m_host.setDocuments(combineReferences(m_individual, m_folder));
}

void SessionReferences::restoreReferences(const SessionPreferences &saved) {
    if (!saved.folder && saved.files.isEmpty())
        return;
    const std::optional<QUrl> folder =
        saved.folder ? std::optional(savedReferenceUrl(*saved.folder)) : std::nullopt;
    QList<QUrl> fileUrls;
    for (const auto &file : saved.files)
        fileUrls.append(savedReferenceUrl(file));
    m_host.setReferenceFolder(folder);
    const QUuid token = beginLoad(restoringStatus);

    const ReferenceFilesPort &files = m_files;
    auto work = [&files, folder, fileUrls](CancelToken cancel) {
        Restored restored;
        try {
            const ReferenceSnapshot individual = files.loadFiles(fileUrls, {}, cancel);
            const ReferenceSnapshot inFolder =
                folder ? files.loadFolder(*folder, {}, cancel) : ReferenceSnapshot{};
            const ReferenceCorpus combined =
                combineReferences(ReferenceCorpus(individual.documents, cancel),
                                  ReferenceCorpus(inFolder.documents, cancel));
            if (exceedsCombinedLimits(combined))
                throw AppError(restoreLimitMessage);
            QSet<QUrl> normalizedFiles;
            for (const auto &url : fileUrls)
                normalizedFiles.insert(files.normalizedUrl(url));
            const QString folderPrefix =
                folder ? files.normalizedUrl(*folder).toLocalFile() + QLatin1Char('/') : QString();
            restored.individual = positionsWhere(combined, [&](const ReferenceDocument &d) {
                return normalizedFiles.contains(files.normalizedUrl(d.url));
            });
            if (folder) {
                restored.folder = positionsWhere(combined, [&](const ReferenceDocument &d) {
                    return d.url.toLocalFile().startsWith(folderPrefix);
                });
                restored.savedFolder =
                    SavedReference{folder->toLocalFile(), files.makeAccessToken(*folder)};
            }
            for (const auto &url : fileUrls)
                restored.savedFiles.append({url.toLocalFile(), files.makeAccessToken(url)});
            restored.skipped = individual.skipped + inFolder.skipped;
            restored.documents = combined;
        } catch (...) {
            restored.failure = failureMessage(std::current_exception());
        }
        return restored;
    };
    applyRestore(token, folder,
                 runInBackground<Restored>(m_pool, m_loadTask->get_token(), m_lifetime.get_token(),
                                           std::move(work)));
}

QCoro::Task<> SessionReferences::applyRestore(QUuid token, std::optional<QUrl> folder,
                                              QFuture<Restored> result) {
    QPointer<SessionReferences> self(this);
    Restored restored = co_await result;
    if (!self)
        co_return;
    const auto settled = qScopeGuard([this] { Q_EMIT loadSettled(); });
    if (m_generation != token)
        co_return;
    if (!restored.documents) {
        failLoad(token, restoreFailedPrefix + restored.failure.value_or(QString()),
                 restoreFailedStatus);
        co_return;
    }
    m_individual = restored.documents->subset(restored.individual);
    m_folder = restored.documents->subset(restored.folder);
    const auto count = restored.documents->size();
    m_host.setDocuments(std::move(*restored.documents));
    m_host.setReferenceStatus(QStringLiteral("Restored %1 references").arg(count) +
                              skippedSuffix(restored.skipped, QString()));
    SessionPreferences &saved = m_host.savedSession();
    saved.folder = folder ? restored.savedFolder : std::nullopt;
    saved.files = restored.savedFiles;
    m_host.persistSession();
    finishLoad(token);
}

} // namespace brindle
