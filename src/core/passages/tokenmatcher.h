/**
 * @file
 * Finds which of a set of byte strings occur in a text in one pass over the text (an
 * Aho-Corasick automaton). Tokens are grouped 64 at a time; a scan reports, per group, the bit
 * mask of the tokens it met. Built once per claim and then only read, so one matcher may be
 * shared by threads.
 */
#pragma once

#include <QByteArray>
#include <QList>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace brindle {

class TokenMatcher {
public:
    static constexpr int groupSize = 64;

    /// The tokens must be distinct and non-empty.
    explicit TokenMatcher(const QList<QByteArray> &tokens);

    qsizetype tokenCount() const { return m_tokenCount; }
    qsizetype groupCount() const { return static_cast<qsizetype>(m_groups.size()); }

    /// Mask of the tokens of `group` that occur somewhere in `text`.
    std::uint64_t scan(qsizetype group, const char *text, qsizetype size) const;

    /// Number of tokens (over all groups) that occur in `text`.
    int count(const QByteArray &text) const;

    /// Number of tokens that occur in the UTF-8 form of the lower-cased `text`, the same as
    /// count(text.toLower().toUtf8()) without building either string.
    int countInLowerCase(QStringView text) const;

    /// Scans `text`, a list of records each ended by `separator` (a byte no token contains), and
    /// writes each record's mask for `group` to `masks` in record order.
    void scanRecords(qsizetype group, const QByteArray &text, char separator,
                     std::vector<std::uint64_t> &masks) const;

private:
    struct Group {
        std::vector<std::uint32_t> next;   ///< state * 256 + byte -> state
        std::vector<std::uint64_t> output; ///< tokens ending in each state, suffixes included
    };
    static Group build(const QList<QByteArray> &tokens);

    std::vector<Group> m_groups;
    qsizetype m_tokenCount = 0;
};

} // namespace brindle
