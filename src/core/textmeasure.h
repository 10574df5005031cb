/**
 * @file
 * How Brindle measures text. Lengths, offsets and limits of transcript, claim and passage text
 * count user-perceived characters (grapheme clusters), never UTF-16 units or bytes; trimming
 * removes leading and trailing whitespace and newlines; words are the non-empty pieces between
 * runs of whitespace. Everything that counts characters goes through here.
 */
#pragma once

#include <QString>
#include <QStringList>

namespace brindle::text {

/// Number of grapheme clusters.
qsizetype length(const QString &text);

/// The first `count` grapheme clusters (all of the text when it is shorter).
QString prefix(const QString &text, qsizetype count);

/// The text without its first `count` grapheme clusters (empty when it is shorter).
QString dropFirst(const QString &text, qsizetype count);

/// The last `count` grapheme clusters (all of the text when it is shorter).
QString suffix(const QString &text, qsizetype count);

/// UTF-16 index at which grapheme cluster number `count` begins (text size when past the end).
qsizetype indexOfCluster(const QString &text, qsizetype count);

/// Whitespace and newlines removed from both ends.
QString trimmed(const QString &text);

/// True for the whitespace and newline characters that trimming and word splitting remove.
bool isWhitespace(QChar c);

/// The non-empty pieces of the text between runs of whitespace.
QStringList words(const QString &text);

/// Number of words (same rule as words()).
qsizetype wordCount(const QString &text);

} // namespace brindle::text
