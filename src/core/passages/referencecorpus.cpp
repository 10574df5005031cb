#include "referencecorpus.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace brindle {

struct ReferenceCorpusIndex {
    QByteArray vocabulary;
    qsizetype vocabularySize = 0;
    std::vector<std::uint32_t> ids;   ///< all documents' word ids, document after document
    std::vector<std::size_t> offsets; ///< document i owns ids[offsets[i], offsets[i + 1])
};

namespace {

void appendUtf8(std::string &out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::uint64_t hashBytes(const char *bytes, std::size_t size) {
    // FNV-1a with a full 64-bit finalizer, so that the tables' low bits are well spread.
    std::uint64_t hash = 14695981039346656037ull;
    for (std::size_t i = 0; i < size; ++i)
        hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 1099511628211ull;
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdull;
    hash ^= hash >> 33;
    hash *= 0xc4ceb9fe1a85ec53ull;
    return hash ^ (hash >> 33);
}

// An open-addressing set of words whose bytes live in one buffer. Each slot holds the upper half
// of the word's hash and its index + 1, so probing rarely touches the buffer of another word.
class WordSet {
public:
    explicit WordSet(std::size_t capacity = 1024)
        : m_slots(capacity, 0) {}

    /// The index of the word, or -1 after inserting it (it then has index size() - 1).
    std::int64_t findOrInsert(std::string_view word, std::uint64_t hash, QByteArray &bytes,
                              char terminator) {
        const std::size_t mask = m_slots.size() - 1;
        const auto tag = static_cast<std::uint32_t>(hash >> 32);
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            const std::uint64_t slot = m_slots[at];
            if (slot == 0) {
                m_words.push_back({static_cast<std::uint32_t>(bytes.size()),
                                   static_cast<std::uint32_t>(word.size())});
                bytes.append(word.data(), static_cast<qsizetype>(word.size()));
                if (terminator)
                    bytes.append(terminator);
                m_slots[at] = (std::uint64_t{tag} << 32) | m_words.size();
                if (m_words.size() * 2 > m_slots.size())
                    rehash(bytes);
                return -1;
            }
            if (static_cast<std::uint32_t>(slot >> 32) != tag)
                continue;
            const auto index = static_cast<std::uint32_t>(slot) - 1;
            const Word &candidate = m_words[index];
            if (candidate.size == word.size() &&
                std::memcmp(bytes.constData() + candidate.offset, word.data(), word.size()) == 0)
                return index;
        }
    }

    /// Adds a word whose bytes are already in the buffer and known to be new.
    void insertExisting(std::uint32_t offset, std::uint32_t size, std::uint64_t hash,
                        const QByteArray &bytes) {
        m_words.push_back({offset, size});
        place(hash, m_words.size());
        if (m_words.size() * 2 > m_slots.size())
            rehash(bytes);
    }

    std::size_t size() const { return m_words.size(); }

    /// Empties the set; the caller empties the byte buffer. The table shrinks back after a
    /// large document, so clearing costs about as much as the last fill did.
    void clear() {
        if (m_slots.size() > 1024 && m_words.size() * 8 < m_slots.size())
            m_slots.assign(std::max<std::size_t>(1024, std::bit_ceil(m_words.size() * 4)), 0);
        else
            std::fill(m_slots.begin(), m_slots.end(), 0);
        m_words.clear();
    }

private:
    struct Word {
        std::uint32_t offset;
        std::uint32_t size;
    };

    void place(std::uint64_t hash, std::size_t indexPlusOne) {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t at = hash & mask;
        while (m_slots[at] != 0)
            at = (at + 1) & mask;
        m_slots[at] = ((hash >> 32) << 32) | indexPlusOne;
    }

    void rehash(const QByteArray &bytes) {
        m_slots.assign(m_slots.size() * 2, 0);
        for (std::size_t index = 0; index < m_words.size(); ++index) {
            const Word &word = m_words[index];
            place(hashBytes(bytes.constData() + word.offset, word.size), index + 1);
        }
    }

    std::vector<std::uint64_t> m_slots;
    std::vector<Word> m_words;
};

class IndexBuilder {
public:
    explicit IndexBuilder(ReferenceCorpusIndex &index)
        : m_index(index)
        , m_vocabulary() {}

    void add(const QString &text) {
        // Words are the maximal runs of letters and numbers of the lower-cased text, taken code
        // point by code point (a lone surrogate ends a word, like any other non-letter). Plain
        // ASCII text is lower-cased on the fly; anything else goes through the full mapping.
        const bool ascii =
            std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
        const QString lowered = ascii ? text : text.toLower();
        const QChar *chars = lowered.constData();
        const qsizetype size = lowered.size();
        m_word.clear();
        for (qsizetype i = 0; i < size; ++i) {
            const char16_t unit = chars[i].unicode();
            if (unit < 0x80) {
                if ((unit >= u'a' && unit <= u'z') || (unit >= u'0' && unit <= u'9'))
                    m_word.push_back(static_cast<char>(unit));
                else if (unit >= u'A' && unit <= u'Z')
                    m_word.push_back(static_cast<char>(unit - u'A' + u'a'));
                else
                    endWord();
                continue;
            }
            char32_t point = unit;
            if (QChar::isHighSurrogate(unit) && i + 1 < size &&
                QChar::isLowSurrogate(chars[i + 1].unicode())) {
                point = QChar::surrogateToUcs4(unit, chars[i + 1].unicode());
                ++i;
            }
            if (!QChar::isSurrogate(point) && QChar::isLetterOrNumber(point))
                appendUtf8(m_word, point);
            else
                endWord();
        }
        endWord();
        std::sort(m_documentIds.begin(), m_documentIds.end());
        m_index.ids.insert(m_index.ids.end(), m_documentIds.begin(), m_documentIds.end());
        m_index.offsets.push_back(m_index.ids.size());
        m_documentIds.clear();
        m_documentWords.clear();
        m_documentBytes.clear();
    }

    std::size_t vocabularySize() const { return m_vocabulary.size(); }

private:
    // Each distinct word of a document is looked up once in the (large, cache-cold) vocabulary;
    // repeats are caught by the document's own small set.
    void endWord() {
        if (m_word.empty())
            return;
        const auto hash = hashBytes(m_word.data(), m_word.size());
        if (m_documentWords.findOrInsert(m_word, hash, m_documentBytes, 0) < 0) {
            const auto known = m_vocabulary.findOrInsert(m_word, hash, m_index.vocabulary, '\n');
            m_documentIds.push_back(known < 0 ? static_cast<std::uint32_t>(m_vocabulary.size() - 1)
                                              : static_cast<std::uint32_t>(known));
        }
        m_word.clear();
    }

    ReferenceCorpusIndex &m_index;
    WordSet m_vocabulary;
    WordSet m_documentWords;
    QByteArray m_documentBytes;
    std::vector<std::uint32_t> m_documentIds;
    std::string m_word;
};

} // namespace

ReferenceCorpus::ReferenceCorpus(QList<ReferenceDocument> documents,
                                 std::shared_ptr<const ReferenceCorpusIndex> index)
    : m_documents(std::move(documents))
    , m_index(std::move(index)) {}

ReferenceCorpus ReferenceCorpus::concatenated(const ReferenceCorpus &first,
                                              const ReferenceCorpus &second) {
    if (second.isEmpty())
        return first;
    if (first.isEmpty())
        return second;
    const ReferenceCorpusIndex &a = *first.m_index;
    const ReferenceCorpusIndex &b = *second.m_index;
    auto index = std::make_shared<ReferenceCorpusIndex>();
    index->vocabulary = a.vocabulary;
    WordSet words(
        std::bit_ceil(static_cast<std::size_t>(a.vocabularySize + b.vocabularySize) * 2 + 2));
    const auto forEachWord = [](const QByteArray &vocabulary, auto visit) {
        std::uint32_t begin = 0;
        for (qsizetype end = vocabulary.indexOf('\n'); end >= 0;
             end = vocabulary.indexOf('\n', end + 1)) {
            const auto size = static_cast<std::uint32_t>(end) - begin;
            visit(begin, std::string_view(vocabulary.constData() + begin, size));
            begin = static_cast<std::uint32_t>(end) + 1;
        }
    };
    forEachWord(a.vocabulary, [&](std::uint32_t offset, std::string_view word) {
        words.insertExisting(offset, static_cast<std::uint32_t>(word.size()),
                             hashBytes(word.data(), word.size()), index->vocabulary);
    });
    // The second corpus's word ids, renumbered into the merged vocabulary.
    std::vector<std::uint32_t> renumbered;
    renumbered.reserve(static_cast<std::size_t>(b.vocabularySize));
    forEachWord(b.vocabulary, [&](std::uint32_t, std::string_view word) {
        const auto known =
            words.findOrInsert(word, hashBytes(word.data(), word.size()), index->vocabulary, '\n');
        renumbered.push_back(static_cast<std::uint32_t>(known < 0 ? words.size() - 1 : known));
    });
    index->vocabularySize = static_cast<qsizetype>(words.size());

    index->ids = a.ids;
    index->ids.reserve(a.ids.size() + b.ids.size());
    index->offsets = a.offsets;
    for (std::size_t document = 0; document + 1 < b.offsets.size(); ++document) {
        const auto begin = index->ids.size();
        for (auto at = b.offsets[document]; at < b.offsets[document + 1]; ++at)
            index->ids.push_back(renumbered[b.ids[at]]);
        std::sort(index->ids.begin() + static_cast<std::ptrdiff_t>(begin), index->ids.end());
        index->offsets.push_back(index->ids.size());
    }
    return ReferenceCorpus(first.m_documents + second.m_documents, std::move(index));
}

ReferenceCorpus ReferenceCorpus::subset(const QList<qsizetype> &positions) const {
    auto index = std::make_shared<ReferenceCorpusIndex>();
    index->vocabulary = m_index->vocabulary;
    index->vocabularySize = m_index->vocabularySize;
    index->offsets.push_back(0);
    QList<ReferenceDocument> documents;
    for (const auto position : positions) {
        documents.append(m_documents.at(position));
        const auto ids = wordIds(position);
        index->ids.insert(index->ids.end(), ids.begin(), ids.end());
        index->offsets.push_back(index->ids.size());
    }
    return ReferenceCorpus(std::move(documents), std::move(index));
}

ReferenceCorpus::ReferenceCorpus()
    : m_index(std::make_shared<ReferenceCorpusIndex>(ReferenceCorpusIndex{{}, 0, {}, {0}})) {}

ReferenceCorpus::ReferenceCorpus(QList<ReferenceDocument> documents, const CancelToken &token)
    : m_documents(std::move(documents)) {
    auto index = std::make_shared<ReferenceCorpusIndex>();
    index->offsets.reserve(static_cast<std::size_t>(m_documents.size()) + 1);
    index->offsets.push_back(0);
    {
        IndexBuilder builder(*index);
        for (const auto &document : m_documents) {
            throwIfCancelled(token);
            builder.add(document.text);
        }
        index->vocabularySize = static_cast<qsizetype>(builder.vocabularySize());
    }
    index->vocabulary.squeeze();
    index->ids.shrink_to_fit();
    m_index = std::move(index);
}

const QByteArray &ReferenceCorpus::vocabulary() const {
    return m_index->vocabulary;
}

qsizetype ReferenceCorpus::vocabularySize() const {
    return m_index->vocabularySize;
}

std::span<const std::uint32_t> ReferenceCorpus::wordIds(qsizetype index) const {
    const auto at = static_cast<std::size_t>(index);
    return {m_index->ids.data() + m_index->offsets[at],
            m_index->ids.data() + m_index->offsets[at + 1]};
}

} // namespace brindle
