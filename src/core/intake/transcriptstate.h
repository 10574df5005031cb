/**
 * @file
 * Segmentation of one transcript channel. The recognizer repeats the whole running utterance on
 * every report and may reword what it said before; a TranscriptState remembers what was already
 * handed out and turns each report into a TranscriptUpdate saying which part is new enough to be
 * checked and whether earlier wording went stale. Pure text logic: no clock, no side effects
 * beyond the state value itself. Offsets and counts are grapheme clusters of trimmed text.
 */
#pragma once

#include <QString>

#include <cstdint>

namespace brindle {

/// The outcome of feeding one report to a TranscriptState.
struct TranscriptUpdate {
    QString text;            ///< the part of `full` from `start` on, trimmed; empty when unchanged
    bool revised = false;    ///< re-covers text handed out before, so earlier claims may be stale
    bool correction = false; ///< opens with a spoken self-correction marker
    std::int64_t start = 0;  ///< where `text` begins in `full`
    QString full;            ///< the whole trimmed utterance text of the report
    std::int64_t utterance = 0; ///< the utterance this report belongs to

    friend bool operator==(const TranscriptUpdate &, const TranscriptUpdate &) = default;
};

/// Per-channel memory of segmentation; a default-constructed state is a fresh one.
struct TranscriptState {
    QString committed; ///< last trimmed utterance text processed; empty between utterances
    std::int64_t completedCount = 0; ///< characters of `committed` through its last terminator
    std::int64_t utterance = 0;      ///< current utterance number, advanced after each final report

    /// Feeds one report (the whole running utterance) and advances the state.
    TranscriptUpdate update(const QString &text, bool isFinal);

    friend bool operator==(const TranscriptState &, const TranscriptState &) = default;
};

/// Whether the text opens with a self-correction ("actually", "sorry", "no,", ...), ignoring case
/// and a leading "You: ".
bool isCorrection(const QString &text);

/// The text up to and including its last ".", "!" or "?"; empty when it has none.
QString completedPrefix(const QString &text);

} // namespace brindle
