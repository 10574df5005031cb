/**
 * @file
 * The reference side's file system: the loader with the fixed limits, normalized URLs and access
 * tokens on the real file system. Stateless; one instance may serve any number of controllers
 * and threads.
 */
#pragma once

#include "referencefilesport.h"

namespace brindle {

class ReferenceFiles : public ReferenceFilesPort {
public:
    ReferenceSnapshot loadFiles(const QList<QUrl> &urls, const QList<ReferenceDocument> &existing,
                                const CancelToken &token) const override;
    ReferenceSnapshot loadFolder(const QUrl &folder, const QList<ReferenceDocument> &existing,
                                 const CancelToken &token) const override;
    QUrl normalizedUrl(const QUrl &url) const override;
    std::optional<QByteArray> makeAccessToken(const QUrl &url) const override;
    std::optional<QUrl> resolveAccessToken(const QByteArray &token) const override;
};

} // namespace brindle
