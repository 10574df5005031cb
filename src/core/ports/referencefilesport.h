/**
 * @file
 * What the session's reference side needs from the file system: the loader with its fixed limits,
 * normalized file URLs, and persistent access tokens for saved connections. The references layer
 * implements it on the real file system. Every member is thread-safe and keeps no state: the
 * loads run on worker threads.
 */
#pragma once

#include "cancellation.h"
#include "referencelimits.h"

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <optional>

namespace brindle {

class ReferenceFilesPort {
public:
    virtual ~ReferenceFilesPort() = default;

    /// Loads the files in order with the fixed per-load limits, reusing the ids of `existing`
    /// documents with the same normalized URL. Throws AppError (a user-facing message, including
    /// file-system failures) or CancelledError.
    virtual ReferenceSnapshot loadFiles(const QList<QUrl> &urls,
                                        const QList<ReferenceDocument> &existing,
                                        const CancelToken &token) const = 0;
    /// Loads the Markdown and text files of a folder with the fixed limits; throws as loadFiles.
    virtual ReferenceSnapshot loadFolder(const QUrl &folder,
                                         const QList<ReferenceDocument> &existing,
                                         const CancelToken &token) const = 0;

    /// The standardized file URL with symbolic links resolved.
    virtual QUrl normalizedUrl(const QUrl &url) const = 0;

    /// A token that later finds the same file or folder again; nothing when it cannot be made.
    virtual std::optional<QByteArray> makeAccessToken(const QUrl &url) const = 0;
    /// The URL a token still names; nothing when it no longer resolves.
    virtual std::optional<QUrl> resolveAccessToken(const QByteArray &token) const = 0;
};

} // namespace brindle
