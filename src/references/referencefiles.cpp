#include "referencefiles.h"

#include "accesstoken.h"
#include "filesystem.h"
#include "referenceloader.h"

namespace brindle {

ReferenceSnapshot ReferenceFiles::loadFiles(const QList<QUrl> &urls,
                                            const QList<ReferenceDocument> &existing,
                                            const CancelToken &token) const {
    return brindle::loadFiles(urls, existing, std::nullopt, referenceMaxFileBytes,
                              referenceMaxTotalBytes, referenceMaxFiles, token);
}

ReferenceSnapshot ReferenceFiles::loadFolder(const QUrl &folder,
                                             const QList<ReferenceDocument> &existing,
                                             const CancelToken &token) const {
    return brindle::loadFolder(folder, existing, referenceMaxFileBytes, referenceMaxTotalBytes,
                               referenceMaxFiles, referenceMaxEntries, token);
}

QUrl ReferenceFiles::normalizedUrl(const QUrl &url) const {
    return fs::normalizedUrl(url);
}

std::optional<QByteArray> ReferenceFiles::makeAccessToken(const QUrl &url) const {
    return brindle::makeAccessToken(url);
}

std::optional<QUrl> ReferenceFiles::resolveAccessToken(const QByteArray &token) const {
    return brindle::resolveAccessToken(token);
}

} // namespace brindle
