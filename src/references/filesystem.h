/**
 * @file
 * The few POSIX file operations the reference loader needs, with failures raised as
 * PlatformError carrying the system's own description of the path and the error. All functions
 * are thread-safe and keep no state.
 */
#pragma once

#include "apperror.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

namespace brindle::fs {

/// A failure reported by the operating system, e.g. "/notes/a.md: Permission denied".
class PlatformError : public AppError {
public:
    PlatformError(const QString &path, int error);
};

/// What lstat tells about a path; links are reported as links, never followed.
struct EntryStatus {
    bool isSymbolicLink = false;
    bool isRegularFile = false;
    bool isDirectory = false;
    qint64 size = 0;
};

/// The status of the path itself. Throws PlatformError.
EntryStatus entryStatus(const QString &path);

/// True for a name that starts with "." (the desktop's convention for hidden entries).
bool isHiddenName(QStringView name);

/// The last path component's extension after the last ".", lower-cased; empty when there is
/// none (or the name only starts with a dot).
QString lowerExtension(QStringView path);

/// The standardized path with every symbolic link resolved. Parts that do not exist are kept as
/// standardized text after the deepest existing ancestor is resolved.
QString normalizedPath(const QString &path);

/// The normalized file URL of a local file URL; a non-local URL is returned standardized.
QUrl normalizedUrl(const QUrl &url);

/// Result of reading the start of a file.
struct FilePrefix {
    QByteArray bytes;
    bool isRegularFile = true; ///< false when the path no longer names a regular file
};

/// Reads at most `limit` bytes of the regular file at `path` without following a link at the
/// last component. Open, read and close failures throw PlatformError.
FilePrefix readPrefix(const QString &path, qint64 limit);

} // namespace brindle::fs
