#include "tokenmatcher.h"

#include <QString>

#include <algorithm>
#include <bit>
#include <deque>

namespace brindle {

namespace {

// The lower case of one code point in UTF-8; at most 4 bytes for every BMP character (the longest
// is U+0130, which lower-cases to "i" and a combining dot). Lower-casing is per code point, so
// concatenating these equals lower-casing the whole text.
struct LowerUtf8 {
    char bytes[4];
    std::uint8_t size;
};

QByteArray lowerUtf8(char32_t point) {
    return QString::fromUcs4(&point, 1).toLower().toUtf8();
}

const std::vector<LowerUtf8> &bmpLowerTable() {
    static const std::vector<LowerUtf8> table = [] {
        std::vector<LowerUtf8> result(0x10000);
        const QByteArray replacement = QStringLiteral("\uFFFD").toUtf8();
        for (char32_t point = 0; point < 0x10000; ++point) {
            // A surrogate reaches the table only when it is unpaired; like any other character
            // that is neither letter nor number it cannot be part of a token.
            const QByteArray bytes = QChar::isSurrogate(point) ? replacement : lowerUtf8(point);
            auto &entry = result[point];
            entry.size = static_cast<std::uint8_t>(std::min<qsizetype>(bytes.size(), 4));
            std::copy_n(bytes.constData(), entry.size, entry.bytes);
        }
        return result;
    }();
    return table;
}

} // namespace

TokenMatcher::TokenMatcher(const QList<QByteArray> &tokens)
    : m_tokenCount(tokens.size()) {
    for (qsizetype first = 0; first < tokens.size(); first += groupSize)
        m_groups.push_back(build(tokens.mid(first, groupSize)));
}

TokenMatcher::Group TokenMatcher::build(const QList<QByteArray> &tokens) {
    constexpr std::uint32_t none = UINT32_MAX;
    Group group;
    group.next.assign(256, none);
    group.output.assign(1, 0);
    // The trie.
    for (qsizetype index = 0; index < tokens.size(); ++index) {
        std::uint32_t state = 0;
        for (const char c : tokens.at(index)) {
            const auto byte = static_cast<unsigned char>(c);
            auto &slot = group.next[state * 256 + byte];
            if (slot == none) {
                slot = static_cast<std::uint32_t>(group.output.size());
                group.output.push_back(0);
                group.next.resize(group.next.size() + 256, none);
            }
            state = group.next[state * 256 + byte];
        }
        group.output[state] |= std::uint64_t{1} << index;
    }
    // Breadth-first: complete the transitions with the failure links and merge the outputs of
    // each state's longest proper suffix state.
    std::vector<std::uint32_t> failure(group.output.size(), 0);
    std::deque<std::uint32_t> queue;
    for (int byte = 0; byte < 256; ++byte) {
        auto &slot = group.next[byte];
        if (slot == none) {
            slot = 0;
        } else {
            failure[slot] = 0;
            queue.push_back(slot);
        }
    }
    while (!queue.empty()) {
        const auto state = queue.front();
        queue.pop_front();
        group.output[state] |= group.output[failure[state]];
        for (int byte = 0; byte < 256; ++byte) {
            auto &slot = group.next[state * 256 + byte];
            const auto fallback = group.next[failure[state] * 256 + byte];
            if (slot == none) {
                slot = fallback;
            } else {
                failure[slot] = fallback;
                queue.push_back(slot);
            }
        }
    }
    return group;
}

std::uint64_t TokenMatcher::scan(qsizetype group, const char *text, qsizetype size) const {
    const auto &g = m_groups[static_cast<size_t>(group)];
    const std::uint32_t *next = g.next.data();
    const std::uint64_t *output = g.output.data();
    std::uint32_t state = 0;
    std::uint64_t found = 0;
    for (qsizetype i = 0; i < size; ++i) {
        state = next[state * 256 + static_cast<unsigned char>(text[i])];
        found |= output[state];
    }
    return found;
}

int TokenMatcher::count(const QByteArray &text) const {
    int total = 0;
    for (qsizetype group = 0; group < groupCount(); ++group)
        total += std::popcount(scan(group, text.constData(), text.size()));
    return total;
}

int TokenMatcher::countInLowerCase(QStringView text) const {
    const auto &table = bmpLowerTable();
    int total = 0;
    for (const auto &g : m_groups) {
        const std::uint32_t *next = g.next.data();
        const std::uint64_t *output = g.output.data();
        std::uint32_t state = 0;
        std::uint64_t found = 0;
        const auto step = [&](char byte) {
            state = next[state * 256 + static_cast<unsigned char>(byte)];
            found |= output[state];
        };
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t unit = text[i].unicode();
            if (unit < 0x80) {
                step(static_cast<char>(unit >= u'A' && unit <= u'Z' ? unit + 32 : unit));
            } else if (QChar::isHighSurrogate(unit) && i + 1 < text.size() &&
                       text[i + 1].isLowSurrogate()) {
                for (const char byte :
                     lowerUtf8(QChar::surrogateToUcs4(unit, text[i + 1].unicode())))
                    step(byte);
                ++i;
            } else {
                const LowerUtf8 &lower = table[unit];
                for (std::uint8_t b = 0; b < lower.size; ++b)
                    step(lower.bytes[b]);
            }
        }
        total += std::popcount(found);
    }
    return total;
}

void TokenMatcher::scanRecords(qsizetype group, const QByteArray &text, char separator,
                               std::vector<std::uint64_t> &masks) const {
    const auto &g = m_groups[static_cast<size_t>(group)];
    const std::uint32_t *next = g.next.data();
    const std::uint64_t *output = g.output.data();
    masks.clear();
    std::uint32_t state = 0;
    std::uint64_t found = 0;
    for (const char c : text) {
        state = next[state * 256 + static_cast<unsigned char>(c)];
        found |= output[state];
        if (c == separator) {
            masks.push_back(found);
            found = 0;
        }
    }
}

} // namespace brindle
