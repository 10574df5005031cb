/**
 * @file
 * The fixed limits every caller passes to the reference loader, the overall limits of the
 * session's combined references, and the result of one load.
 */
#pragma once

#include "referencedocument.h"

#include <QList>

namespace brindle {

/// Largest file that is read ("500 KB"); larger files are skipped.
inline constexpr qint64 referenceMaxFileBytes = 500'000;
/// Largest total of the bytes of all loaded files ("50 MB"); more fails the load.
inline constexpr qint64 referenceMaxTotalBytes = 50'000'000;
/// Most files loaded and, in a folder, most candidate files found.
inline constexpr qint64 referenceMaxFiles = 5'000;
/// Most directory entries visited in a folder.
inline constexpr qint64 referenceMaxEntries = 50'000;

/// The result of one load: the loaded files in load order and how many given files were passed
/// over (links, hidden, other kinds, too large, not UTF-8, blank, outside the folder).
struct ReferenceSnapshot {
    QList<ReferenceDocument> documents;
    qint64 skipped = 0;
};

} // namespace brindle
