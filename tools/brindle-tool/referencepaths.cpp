#include "referencepaths.h"

#include "referenceloader.h"

#include <QFileInfo>
#include <QSet>
#include <QUrl>

namespace brindle::tool {

ReferenceSnapshot loadReferencePaths(const QStringList &paths) {
    QList<ReferenceDocument> documents;
    QList<QUrl> files;
    qint64 skipped = 0;
    const auto append = [&](const ReferenceSnapshot &snapshot) {
        documents += snapshot.documents;
        skipped += snapshot.skipped;
    };
    for (const auto &path : paths) {
        const QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
        if (QFileInfo(path).isDir())
            append(loadFolder(url, {}, referenceMaxFileBytes, referenceMaxTotalBytes,
                              referenceMaxFiles, referenceMaxEntries, {}));
        else
            files.append(url);
    }
    if (!files.isEmpty())
        append(loadFiles(files, {}, std::nullopt, referenceMaxFileBytes, referenceMaxTotalBytes,
                         referenceMaxFiles, {}));
    ReferenceSnapshot combined{{}, skipped};
    QSet<QUrl> seen;
    for (const auto &document : documents) {
        if (!seen.contains(document.url)) {
            seen.insert(document.url);
            combined.documents.append(document);
        }
    }
    return combined;
}

} // namespace brindle::tool
