/**
 * @file
 * Cuts the loaded references down to the few documents, and within each the few paragraphs,
 * that share the most words with a claim; only these excerpts go to the research model. A pure
 * function of the claim and the documents.
 */
#pragma once

#include "referencecorpus.h"

#include <QStringList>

namespace brindle {

/// Documents kept per claim, paragraphs kept per document, characters kept per excerpt.
inline constexpr qsizetype passageMaxDocuments = 5;
inline constexpr qsizetype passageMaxParagraphs = 6;
inline constexpr qsizetype passageMaxCharacters = 6000;

/// The distinct lower-cased pieces of the claim between characters that are neither letters nor
/// numbers (Unicode classes), in first-occurrence order.
QStringList claimTokens(const QString &claim);

/// At most five documents, best first: ranked by how many claim tokens their lower-cased text
/// contains (as substrings; ties keep input order; zero scores fill the places), each with its
/// text replaced by its best six paragraphs in document order, cut to 6000 characters.
QList<ReferenceDocument> selectPassages(const QString &claim, const ReferenceCorpus &corpus);

/// The same for documents that are not kept indexed (indexes them first).
QList<ReferenceDocument> selectPassages(const QString &claim,
                                        const QList<ReferenceDocument> &documents);

} // namespace brindle
