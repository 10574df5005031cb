#include "referencecorpus.h"

#include <QHash>

#include <algorithm>
#include <string>
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

class IndexBuilder {
public:
    explicit IndexBuilder(ReferenceCorpusIndex &index)
        : m_index(index) {}

    void add(const QString &text) {
        // Words are the maximal runs of letters and numbers of the lower-cased text, taken code
        // point by code point (a lone surrogate ends a word, like any other non-letter).
        const QString lowered = text.toLower();
        const QChar *chars = lowered.constData();
        const qsizetype size = lowered.size();
        m_documentIds.clear();
        m_word.clear();
        for (qsizetype i = 0; i < size; ++i) {
            const char16_t unit = chars[i].unicode();
            if (unit < 0x80) {
                if ((unit >= u'a' && unit <= u'z') || (unit >= u'0' && unit <= u'9')) {
                    m_word.push_back(static_cast<char>(unit));
                    continue;
                }
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
        m_documentIds.erase(std::unique(m_documentIds.begin(), m_documentIds.end()),
                            m_documentIds.end());
        m_index.ids.insert(m_index.ids.end(), m_documentIds.begin(), m_documentIds.end());
        m_index.offsets.push_back(m_index.ids.size());
    }

private:
    void endWord() {
        if (m_word.empty())
            return;
        const auto key =
            QByteArray::fromRawData(m_word.data(), static_cast<qsizetype>(m_word.size()));
        auto found = m_ids.constFind(key);
        std::uint32_t id;
        if (found != m_ids.cend()) {
            id = *found;
        } else {
            id = static_cast<std::uint32_t>(m_ids.size());
            m_ids.insert(QByteArray(m_word.data(), static_cast<qsizetype>(m_word.size())), id);
            m_index.vocabulary.append(m_word.data(), static_cast<qsizetype>(m_word.size()));
            m_index.vocabulary.append('\n');
        }
        m_documentIds.push_back(id);
        m_word.clear();
    }

    ReferenceCorpusIndex &m_index;
    QHash<QByteArray, std::uint32_t> m_ids;
    std::vector<std::uint32_t> m_documentIds;
    std::string m_word;
};

} // namespace

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
    }
    index->vocabularySize = index->vocabulary.count('\n');
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
