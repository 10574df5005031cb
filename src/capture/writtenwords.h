/**
 * @file
 * How the recognizer's dictionary words are written in running text. The dictionary spells
 * initials and abbreviations with dots ("u.s.", "a.m.", "f.", "mr."); a dot there would read as the
 * end of a sentence, so they are written the usual way without dots ("US", "AM", "F", "Mr").
 * Pure text logic.
 */
#pragma once

#include <QString>

namespace brindle {

/// True for the recognizer's non-words: silence, sentence marks and noise ("<sil>", "[NOISE]").
bool isFillerWord(const QString &dictionaryWord);

/// The written form of a dictionary word: its alternative-pronunciation mark ("the(2)") dropped,
/// dots removed as above, the pronoun "i" capitalised. Never contains ".", "!" or "?".
QString writtenWord(const QString &dictionaryWord);

} // namespace brindle
