/**
 * @file
 * The loaded reference documents paired with what passage selection searches: the distinct
 * lower-cased words of all documents (one shared vocabulary) and, per document, the ids of the
 * words it contains. A claim token (letters and numbers only) occurs in a document's lower-cased
 * text exactly when it occurs inside one of its words, so selection scans the small vocabulary
 * once per claim instead of every document's text.
 *
 * A corpus is an immutable value: copies share the index, and it may be built on a worker thread
 * and read from any thread. Building costs about one pass over the text (best done where the
 * files are loaded); combining and removing documents reuse the index. The index takes a
 * fraction of the text's size. It deliberately has no equality: compare documents() instead.
 */
#pragma once

#include "cancellation.h"
#include "referencedocument.h"

#include <QList>

#include <cstdint>
#include <memory>
#include <span>

namespace brindle {

struct ReferenceCorpusIndex;

class ReferenceCorpus {
public:
    ReferenceCorpus();
    /// Indexes the documents; throws CancelledError when the token stops while indexing.
    explicit ReferenceCorpus(QList<ReferenceDocument> documents, const CancelToken &token = {});

    /// The documents of `first` followed by those of `second`. The word indexes are merged, not
    /// rebuilt from the text, so combining costs a small fraction of indexing.
    static ReferenceCorpus concatenated(const ReferenceCorpus &first,
                                        const ReferenceCorpus &second);
    /// The documents at the given positions, in that order, reusing the index.
    ReferenceCorpus subset(const QList<qsizetype> &positions) const;

    const QList<ReferenceDocument> &documents() const { return m_documents; }
    qsizetype size() const { return m_documents.size(); }
    bool isEmpty() const { return m_documents.isEmpty(); }

    /// Every distinct lower-cased word (UTF-8), each followed by a line feed, in id order.
    const QByteArray &vocabulary() const;
    qsizetype vocabularySize() const;
    /// Sorted ids of the words of document `index`.
    std::span<const std::uint32_t> wordIds(qsizetype index) const;

private:
    ReferenceCorpus(QList<ReferenceDocument> documents,
                    std::shared_ptr<const ReferenceCorpusIndex> index);

    QList<ReferenceDocument> m_documents;
    std::shared_ptr<const ReferenceCorpusIndex> m_index;
};

} // namespace brindle
