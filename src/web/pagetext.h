/**
 * @file
 * Reduction of a fetched page to one line of lower-case words, so that a cited passage can be
 * searched in it. Deliberately a fixed series of substitutions rather than an HTML parser: drop
 * comments and non-content elements, turn every tag into a space, decode a small set of character
 * references in a single pass, then collapse whitespace and lower the case.
 */
#pragma once

#include <QString>

namespace brindle {

/// The reduced text of an HTML or plain-text body. Never fails; an empty body gives "".
QString pageText(const QString &body);

/// Whitespace runs collapsed to single spaces, ends trimmed, lower case.
QString normalizedWords(const QString &text);

} // namespace brindle
