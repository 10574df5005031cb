/**
 * @file
 * How a cited source can be opened: a web page, a local reference file, or neither (plain text).
 */
#pragma once

#include <QString>

namespace brindle {

/// A link opened in the browser, a reference file shown in the file manager, or plain text.
enum class SourceLinkKind { web, file, plain };

/// web only for a URL written with exactly "https:" or "http:" and a host; file for a file URL.
SourceLinkKind sourceLinkKind(const QString &url);

} // namespace brindle
