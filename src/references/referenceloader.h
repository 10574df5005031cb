/**
 * @file
 * Reads reference files and folders into ReferenceDocument values under fixed limits, so that a
 * careless choice (a home folder, a huge export) fails quickly with a clear message instead of
 * exhausting memory. Only UTF-8 Markdown (".md") and plain-text (".txt") files are read.
 *
 * Both functions are synchronous, keep no state and may run on any thread; they check the token
 * before every item and throw CancelledError once it is stopped. Limit failures throw AppError
 * with a user-facing text; file-system failures throw fs::PlatformError with the system's own
 * description. Nothing partial is returned on failure.
 */
#pragma once

#include "cancellation.h"
#include "referencelimits.h"

#include <QUrl>

#include <optional>

namespace brindle {

/// Loads the files in the given order. Each document reuses the id of the document of `existing`
/// with the same normalized URL. `folder` is given only by loadFolder: files outside it are
/// skipped and names are paths relative to it.
ReferenceSnapshot loadFiles(const QList<QUrl> &urls, const QList<ReferenceDocument> &existing,
                            const std::optional<QUrl> &folder, qint64 maxFileBytes,
                            qint64 maxTotalBytes, qint64 maxFiles, const CancelToken &token);

/// Walks the folder (never into hidden entries, never through links), collects the Markdown and
/// text files, sorts them by path in plain code-point order and loads them with loadFiles.
ReferenceSnapshot loadFolder(const QUrl &folder, const QList<ReferenceDocument> &existing,
                             qint64 maxFileBytes, qint64 maxTotalBytes, qint64 maxFiles,
                             qint64 maxEntries, const CancelToken &token);

} // namespace brindle
