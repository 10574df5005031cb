/**
 * @file
 * The gate every research answer passes before the user sees it. Nothing the model sends back is
 * trusted: the envelope, the answer's shape and size, the claim it answers and every citation are
 * checked against what was asked and what the research really retrieved or was given.
 */
#pragma once

#include "referencedocument.h"
#include "researchresult.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>

#include <optional>

namespace brindle {

/// Which evidence a research request was allowed to use.
enum class ResearchPass { documents, web };

/// Running total of passage words quoted from each URL within one result.
using WordsPerURL = QHash<QString, qsizetype>;

/// Reads a research response body and returns the accepted answer. Throws AppError with one fixed
/// message when the envelope, the answer or its size is unacceptable or the answer is about
/// another claim than `expectedClaim` (when given). A result whose evidence cannot be used comes
/// back downgraded to unresolved without sources. On the documents pass, accepted "doc:" citations
/// are rewritten to the document's name and file URL.
ResearchResult validateResearch(const QByteArray &body, ResearchPass pass,
                                const QList<ReferenceDocument> &documents,
                                const std::optional<QString> &expectedClaim);

/// Whether one cited source may stand. On the web pass the passage's words are added to
/// `wordsPerURL` first, so repeated quotes from one page count together.
bool sourceIsUsable(const EvidenceSource &source, ResearchPass pass,
                    const QList<ReferenceDocument> &documents, WordsPerURL &wordsPerURL,
                    const QSet<QString> &retrievedURLs);

} // namespace brindle
