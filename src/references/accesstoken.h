/**
 * @file
 * Persistent access tokens for saved reference connections: the canonical path of a file or
 * folder together with its device and inode. A token resolves only while that path still names
 * the same file system object, so a file replaced or a folder moved away is noticed and the
 * caller falls back to the saved path. Thread-safe; no state.
 */
#pragma once

#include <QByteArray>
#include <QUrl>

#include <optional>

namespace brindle {

/// A token for the local file URL; nothing when the path cannot be examined.
std::optional<QByteArray> makeAccessToken(const QUrl &url);

/// The file URL the token names while its path still leads to the same object; nothing for
/// malformed tokens, missing paths and replaced objects.
std::optional<QUrl> resolveAccessToken(const QByteArray &token);

} // namespace brindle
